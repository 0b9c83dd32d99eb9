#include "app/headless/Headless.h"

#include "app/ScreenText.h"
#include "app/headless/HeadlessCertificate.h"
#include "app/headless/HeadlessView.h"
#include "engine/SettingsSchema.h"
#include "engine/TestRun.h"
#include "hw/CpuIdent.h"
#include "hw/MBM4Wrapper.h"
#include "platform/Settings.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace torvane::app {

namespace {

int g_signalPipe[2] = {-1, -1};
volatile std::sig_atomic_t g_stopRequested = 0;

constexpr int StopSignals[] = {SIGINT, SIGTERM, SIGHUP};

// Only async-signal-safe work here: a flag, and one byte into the pipe, which the event loop reads.
extern "C" void OnStopSignal(int signal) {
    const int saved = errno;
    g_stopRequested = 1;
    const char byte = static_cast<char>(signal);
    [[maybe_unused]] const auto n = ::write(g_signalPipe[1], &byte, 1);
    errno = saved;
}

// After the first request the run stops the ordinary way; a second signal ends the program at once.
void RestoreDefaultSignals() {
    for (int s : StopSignals) std::signal(s, SIG_DFL);
}

// Standard output closed by whoever started the program: the next file opened would take its number
// and receive the run log. /dev/null takes the place; the run log knows it has nowhere to go.
bool GuardClosedOutput() {
    if (::fcntl(STDOUT_FILENO, F_GETFD) != -1 || errno != EBADF) return false;
    const int fd = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (fd >= 0 && fd != STDOUT_FILENO) {
        ::dup2(fd, STDOUT_FILENO);
        ::close(fd);
    }
    return true;
}

// The processor under test, by its own name where it has one, with the identification a certificate
// would record.
QString ProcessorLine() {
    const hw::TCpuIdent ident;
    const auto& info = ident.CpuIdentInfo();
    std::string line = "Processor: " + (ident.BrandString().empty() ? ident.Fullname() : ident.BrandString());
    if (info.Supports_CPUID)
        line += " (" + ident.Fullname() + ", CPUID " + std::to_string(info.cpuFamily) + "-" +
                std::to_string(info.cpuModel) + "-" + std::to_string(info.cpuStepping) + "-" +
                std::to_string(info.cpuType) + ")";
    line += ", " + std::to_string(ident.Count()) + (ident.Count() == 1 ? " processor" : " processors");
    return QString::fromStdString(line);
}

void LoadSettings(engine::TestRun& run, HeadlessView& view) {
    auto stored = engine::SettingsReader::FromStore();
    run.LoadWorkSettings(stored);
    view.Temperature = TemperatureReader(stored, hw::SensorBlockName());
    const auto problem = SettingsKey::TakeLoadProblem();
    if (!problem.empty()) std::fprintf(stderr, "torvane: %s\n", problem.c_str());
    for (const auto& p : stored.Problems())
        std::fprintf(stderr, "torvane: settings file %s: %s.\n", SettingsKey::StoreFile().c_str(), p.c_str());
}

} // namespace

std::function<std::optional<QString>()> TemperatureReader(engine::SettingsReader& stored,
                                                          const std::string& sensorBlock) {
    namespace settings = engine::settings;
    const int sensor =
        stored.Number(settings::TemperatureSensor).value_or(settings::TemperatureSensor.Default);
    const QString unit = TemperatureUnitWord(stored.Text(settings::TemperatureUnit));
    return [sensors = hw::TMBM4Wrapper(sensorBlock), sensor, unit]() -> std::optional<QString> {
        if (!sensors.Present()) return std::nullopt;
        return TemperatureText(sensors.Temperature(sensor), unit);
    };
}

void InstallStopSignals() {
    if (g_signalPipe[0] >= 0) return;
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        std::fprintf(stderr, "torvane: cannot catch stop signals: %s\n", std::strerror(errno));
        return;
    }
    struct sigaction sa {};
    sa.sa_handler = OnStopSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int s : StopSignals) ::sigaction(s, &sa, nullptr);
}

int RunHeadless(const HeadlessOptions& options, int argc, char** argv) {
    InstallStopSignals();
    // A reader that has gone is a write error to report, not a silent end.
    std::signal(SIGPIPE, SIG_IGN);
    const bool outputClosed = GuardClosedOutput();
    std::setvbuf(stdout, nullptr, _IOLBF, 0);

    // A certificate that could not be written at the end is refused now, not after a day of testing.
    const auto certificate = CertificateRequestOf(options);
    if (certificate) {
        if (const auto problem = CheckCertificateRequest(*certificate)) {
            std::fprintf(stderr, "torvane: %s\n", problem->c_str());
            return 2;
        }
    }

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Torvane Test"));

    HeadlessView view;
    if (outputClosed) view.SetOutputClosed();
    engine::TestRun run(view);
    run.BannerLines = MakeBannerLines();
    LoadSettings(run, view);

    // Stop requests (a signal, a run log that cannot be written) are served from the event loop, never
    // inside a sequence of the run that is still going.
    const auto stopSoon = [&run] {
        QMetaObject::invokeMethod(
            &run, [&run] { run.ClickMenuItem(engine::MenuItem::Stop1); }, Qt::QueuedConnection);
    };
    view.OnOutputFailed = stopSoon;
    std::unique_ptr<QSocketNotifier> notifier;
    if (g_signalPipe[0] >= 0) {
        notifier = std::make_unique<QSocketNotifier>(g_signalPipe[0], QSocketNotifier::Read);
        QObject::connect(notifier.get(), &QSocketNotifier::activated, [&run] {
            char buf[16];
            while (::read(g_signalPipe[0], buf, sizeof buf) > 0) {
            }
            RestoreDefaultSignals();
            run.ClickMenuItem(engine::MenuItem::Stop1);
        });
    }

    // The test choices and this run's own work settings; none of them is stored.
    if (options.Encryption) run.SetNoEncryptionTests(false);
    run.RestrictTests(options.Tests);
    if (options.TempDir) run.TempDir = *options.TempDir;
    if (options.MaxTempSize) {
        run.MaxTempSize = *options.MaxTempSize;
        run.StoreSizeLimit = false;
    }
    if (options.InjectFault) run.InjectFault(options.InjectFault->Test);

    switch (options.LoadMode) {
    case HeadlessOptions::Mode::Idle:
        run.ClickMenuItem(engine::MenuItem::idle1);
        break;
    case HeadlessOptions::Mode::Hardcore:
        run.ClickMenuItem(engine::MenuItem::Hardcore1);
        break;
    case HeadlessOptions::Mode::Normal:
        break;
    }

    // Watches the run from the event loop: stops it when the work time is reached or a stop was asked
    // for, ends the program once it has stopped for whatever reason.
    QTimer watch;
    watch.setInterval(200);
    const long long limit = static_cast<long long>(options.Minutes) * 60;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!run.State.Stopped &&
            (g_stopRequested || view.OutputFailed() || (limit > 0 && run.Clock().ElapsedSeconds() >= limit)))
            run.ClickMenuItem(engine::MenuItem::Stop1);
        if (run.State.Stopped) {
            watch.stop();
            const bool failed = run.State.LastStop == engine::StopReason::Error ||
                                run.State.LastStop == engine::StopReason::ClockJump ||
                                run.State.ErrorCount > 0;
            int status = failed ? 1 : view.OutputFailed() ? 3 : 0;
            if (certificate && !WriteRunCertificate(*certificate, run, stdout, stderr) && status == 0)
                status = kCertificateNotWritten;
            QCoreApplication::exit(status);
        }
    });

    view.AppendLine(engine::Pane::Info, ProcessorLine());
    run.ClickMenuItem(engine::MenuItem::Start1);
    // A request that came while the program was starting stops the run it was meant for.
    if (g_stopRequested) {
        RestoreDefaultSignals();
        run.ClickMenuItem(engine::MenuItem::Stop1);
    }
    watch.start();
    const int status = QCoreApplication::exec();
    notifier.reset();
    return status;
}

} // namespace torvane::app
