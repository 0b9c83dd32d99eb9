#include "terminal/Headless.h"

#include "engine/EncryptionWorkload.h"
#include "engine/SettingsSchema.h"
#include "engine/TestRun.h"
#include "engine/Workloads.h"
#include "hw/CpuIdent.h"
#include "hw/MBM4Wrapper.h"
#include "hw/Real48.h"
#include "platform/Affinity.h"
#include "platform/Files.h"
#include "platform/Settings.h"
#include "platform/StopSignals.h"
#include "platform/SystemInfo.h"
#include "platform/WorkFolder.h"
#include "terminal/EventStream.h"
#include "terminal/HeadlessCertificate.h"
#include "terminal/HeadlessView.h"
#include "terminal/Metrics.h"
#include "terminal/RunEvents.h"
#include "terminal/ScreenText.h"
#include "workers/HeadlessWorkers.h"
#include "workers/WorkerProcesses.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

#ifndef TORVANE_VERSION
#define TORVANE_VERSION "5.0.0"
#endif

namespace torvane::app {

namespace {

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

// The reason a run ended, as the events give it.
QString EndReason(engine::StopReason stop, const QString& asked) {
    switch (stop) {
    case engine::StopReason::Error:
        return QStringLiteral("error");
    case engine::StopReason::ClockJump:
        return QStringLiteral("clock_jump");
    case engine::StopReason::TimeLimit:
        return QStringLiteral("time_limit");
    default:
        return asked.isEmpty() ? QStringLiteral("stopped") : asked;
    }
}

void LoadSettings(engine::TestRun& run, HeadlessView& view, std::function<std::optional<double>()>& celsius) {
    auto stored = engine::SettingsReader::FromStore();
    run.LoadWorkSettings(stored);
    // The test choice as the window reads it from the same store.
    run.LoadTestChoice(stored);
    view.Temperature = TemperatureReader(stored, hw::SensorBlockName());
    celsius = CelsiusReader(stored, hw::SensorBlockName());
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
        const auto reading = sensors.Reading(sensor);
        if (!reading) return std::nullopt;
        return TemperatureText(hw::RoundToInt32(*reading).value_or(0), unit);
    };
}

// The processor under test, by its own name where it has one, with the identification a certificate
// would record.
QString ProcessorLine() {
    const hw::TCpuIdent ident;
    std::string line = "Processor: " + hw::ProcessorText(ident);
    // The machine's own count: the identification's is capped at 255, and servers have more.
    const auto online = SystemProcessors().NumberOfProcessors;
    line += ", " + std::to_string(online) + (online == 1 ? " processor" : " processors");
    return QString::fromStdString(line);
}

QJsonObject ProcessorFields() {
    const hw::TCpuIdent ident;
    const auto& info = ident.CpuIdentInfo();
    QJsonObject p{{"brand", QString::fromStdString(ident.BrandString())},
                  {"name", QString::fromStdString(ident.Fullname())}};
    if (info.Supports_CPUID) {
        p.insert(QStringLiteral("family"), info.cpuFamily);
        p.insert(QStringLiteral("model"), info.cpuModel);
        p.insert(QStringLiteral("stepping"), info.cpuStepping);
        p.insert(QStringLiteral("type"), info.cpuType);
    }
    return p;
}

QJsonObject RunStartFields(const HeadlessOptions& options, const std::vector<int>& cpus) {
    QJsonArray workers;
    for (int cpu : cpus) workers.append(cpu);
    QJsonArray tests;
    for (const auto& t : options.Tests) tests.append(QString::fromStdString(t));
    QJsonObject given{
        {"mode", engine::LoadModeName(options.LoadMode)},
        {"minutes", options.Minutes},
        {"encryption", options.Encryption},
        {"tests", tests},
        {"workers", options.AllProcessors ? QJsonValue(QStringLiteral("all")) : options.Workers}};
    if (options.InjectFault)
        given.insert(QStringLiteral("inject_fault"),
                     QString::fromStdString(options.InjectFault->Test) +
                         (options.InjectFault->Cpu ? QStringLiteral("@%1").arg(*options.InjectFault->Cpu)
                                                   : QString()));
    QJsonArray allowed;
    for (int cpu : AllowedProcessors()) allowed.append(cpu);
    QJsonObject fields{{"version", QStringLiteral(TORVANE_VERSION)},
                       {"processor", ProcessorFields()},
                       {"processors", static_cast<int>(SystemProcessors().NumberOfProcessors)},
                       {"allowed", allowed},
                       {"workers", static_cast<int>(cpus.empty() ? 1 : cpus.size())},
                       {"options", given},
                       {"pid", static_cast<int>(::getpid())}};
    if (!cpus.empty()) fields.insert(QStringLiteral("cpus"), workers);
    return fields;
}

std::optional<QString> AffinityWarning(const std::vector<int>& allowed, int online) {
    if (allowed.empty() || static_cast<int>(allowed.size()) >= online) return std::nullopt;
    QStringList list;
    for (int cpu : allowed) list << QString::number(cpu);
    return QStringLiteral(
               "Warning: only %1 of the machine's %2 processors can be tested: the affinity mask this "
               "program was started with (a scheduler's allocation, a container's cpuset, taskset) "
               "holds processor%3 %4.")
        .arg(allowed.size())
        .arg(online)
        .arg(allowed.size() == 1 ? "" : "s")
        .arg(list.join(QStringLiteral(", ")));
}

std::function<std::optional<double>()> CelsiusReader(engine::SettingsReader& stored,
                                                     const std::string& sensorBlock) {
    namespace settings = engine::settings;
    const int sensor =
        stored.Number(settings::TemperatureSensor).value_or(settings::TemperatureSensor.Default);
    // The block holds what the monitor shows; a monitor set to Fahrenheit is read back in Celsius.
    const bool fahrenheit = stored.Text(settings::TemperatureUnit) == std::optional<std::string>("F");
    return [sensors = hw::TMBM4Wrapper(sensorBlock), sensor, fahrenheit]() -> std::optional<double> {
        const auto reading = sensors.Reading(sensor);
        if (!reading) return std::nullopt;
        const double t = *hw::RoundToInt32(*reading);
        return fahrenheit ? (t - 32) * 5 / 9 : t;
    };
}

int RunHeadless(const HeadlessOptions& options, int argc, char** argv) {
    // The stop signals are normally caught already, first thing in main; a caller that did not is served
    // here.
    if (StopSignalFd() < 0) CatchStopSignals();
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

    if (options.Supervised()) return RunSupervised(options, StopSignalFd(), outputClosed);

    const auto& worker = options.Worker;
    if (worker) {
        // Before any thread starts: every thread of the run inherits the pin.
        if (const auto problem = PinProcessToProcessor(worker->Cpu)) {
            std::fprintf(stderr, "torvane: %s\n", problem->c_str());
            return 2;
        }
        // On its one processor a timer thread that spins only delays the tick it waits for.
        engine::TWorkerTimer::SetSpinning(false);
    }
    std::unique_ptr<EventStream> events;
    if (worker) {
        // The supervisor listens on descriptor 3; a worker started by hand without it has no events.
        if (::fcntl(WorkerEventsFd, F_GETFD) != -1) events = std::make_unique<EventStream>(WorkerEventsFd);
    } else if (!options.Events.empty()) {
        std::string problem;
        events = EventStream::Open(options.Events, problem);
        if (!events) {
            std::fprintf(stderr, "torvane: %s\n", problem.c_str());
            return 2;
        }
        events->Run = NewRunId();
        if (!events->Notice().empty()) std::fprintf(stderr, "torvane: %s\n", events->Notice().c_str());
    }

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Torvane Test"));

    HeadlessView view;
    if (outputClosed) view.SetOutputClosed();
    // The terminal log, the metrics and the event file render the run's events, in that order.
    engine::RunEventHub renderers;
    renderers.Add(view);
    RunMetrics runMetrics;
    renderers.Add(runMetrics);
    engine::TestRun run(renderers);
    run.BannerLines = MakeBannerLines();
    std::function<std::optional<double>()> celsius;
    LoadSettings(run, view, celsius);

    std::unique_ptr<RunEventRecorder> recorder;
    if (events) {
        recorder = std::make_unique<RunEventRecorder>(*events, worker ? worker->Index : 0,
                                                      worker ? std::optional(worker->Cpu) : std::nullopt);
        recorder->Celsius = celsius;
        renderers.Add(*recorder);
    }
    // Why the front end asked the run to stop, for the run's end event.
    QString stopAsked;

    // Stop requests (a signal, a run log that cannot be written) are served from the event loop, never
    // inside a sequence of the run that is still going.
    const auto stopSoon = [&run] {
        QMetaObject::invokeMethod(
            &run, [&run] { run.ClickMenuItem(engine::MenuItem::Stop1); }, Qt::QueuedConnection);
    };
    view.OnOutputFailed = stopSoon;
    std::unique_ptr<QSocketNotifier> notifier;
    if (StopSignalFd() >= 0) {
        notifier = std::make_unique<QSocketNotifier>(StopSignalFd(), QSocketNotifier::Read);
        QObject::connect(notifier.get(), &QSocketNotifier::activated, [&run, &options, &stopAsked] {
            char buf[16];
            int signal = 0;
            for (ssize_t n; (n = ::read(StopSignalFd(), buf, sizeof buf)) > 0;) signal = buf[n - 1];
            // A second request ends the program at once. One stop can arrive twice (timeout signals the
            // program and then its whole process group): what comes within moments of the first is that
            // request. A worker's supervisor kills it when the ordinary way takes too long; it never dies
            // of a request that reached it as well as its supervisor (a terminal's Ctrl-C reaches both).
            static QElapsedTimer first;
            if (!first.isValid()) {
                first.start();
            } else if (!options.Worker && signal > 0 && first.elapsed() >= RepeatedStopRequestMs) {
                RestoreDefaultStopSignals();
                ::raise(signal);
            }
            if (!run.State.Stopped) stopAsked = QStringLiteral("signal");
            run.ClickMenuItem(engine::MenuItem::Stop1);
        });
    }

    // The test choices and this run's own work settings; none of them is stored.
    if (options.Encryption) run.SetNoEncryptionTests(false);
    run.RestrictTests(options.Tests);
    // Tests named for this run choose them whatever the stored choice.
    if (!options.Tests.empty()) run.SetTestChoice(engine::TestChoice::Random);
    // A worker takes the test choice of the run that started it.
    if (options.Choice) run.SetTestChoice(*options.Choice);
    if (options.TempDir) run.TempDir = *options.TempDir;
    if (options.MaxTempSize) {
        run.MaxTempSize = *options.MaxTempSize;
        run.StoreSizeLimit = false;
    }
    if (options.InjectFault) run.InjectFault(options.InjectFault->Test);
    // A worker keeps its work files in a folder of its own inside the run's.
    const std::string workerFolder = worker ? "worker-" + std::to_string(worker->Index) : std::string();
    const std::string runFolder = run.TempDir;
    if (worker) {
        if (const auto problem = TWorkFolder(runFolder).CreateFolder(workerFolder)) {
            std::fprintf(stderr, "torvane: %s\n", problem->c_str());
            return 2;
        }
        run.TempDir += workerFolder + "/";
    }
    // The folder is this run's alone until it ends; one that another run works in is refused before
    // anything in it is touched.
    if (const auto problem = run.ClaimWorkFolder()) {
        std::fprintf(stderr,
                     "torvane: %s. Choose another folder for this run (--temp-dir), or stop the other run "
                     "first.\n",
                     problem->toLocal8Bit().constData());
        return 2;
    }
    // A work file's name that another user's file holds in a shared folder stays theirs: the encryption
    // test could not make its file, which would count as an error of the machine. Told now instead.
    if (options.Encryption) {
        TWorkFolder folder(NativePath(run.TempDir));
        for (const char* name : {engine::PlainWorkFile, engine::CodedWorkFile})
            if (!folder.Delete(name)) {
                std::fprintf(
                    stderr,
                    "torvane: the work folder %s holds a file %s that is not this run's to remove "
                    "(another user's, in a folder others may write), so the encryption test could "
                    "not make its work file there. Choose another folder for this run (--temp-dir).\n",
                    run.TempDir.c_str(), name);
                return 2;
            }
    }

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
    run.TimeLimitSeconds = static_cast<std::int64_t>(options.Minutes) * 60;
    // Before the first write replaces it: the record of the runs before this one.
    const std::int64_t failedRunsBefore = options.Metrics.empty() ? 0 : FailedRunsOnRecord(options.Metrics);
    const auto runFailed = [&run] {
        return run.State.LastStop == engine::StopReason::Error ||
               run.State.LastStop == engine::StopReason::ClockJump || run.State.ErrorCount > 0;
    };
    const auto metricsState = [&] {
        MetricsState state;
        state.Running = runMetrics.Running();
        state.FailedRunsBefore = failedRunsBefore;
        state.Failed = runMetrics.Failed();
        state.Workers = {runMetrics.Worker()};
        state.TemperatureC = celsius ? celsius() : std::nullopt;
        return state;
    };
    QTimer metrics;
    bool metricsFailed = false;
    const auto writeMetrics = [&] {
        if (options.Metrics.empty() || metricsFailed) return;
        if (const auto problem = WriteMetricsFile(options.Metrics, metricsState())) {
            metricsFailed = true;
            std::fprintf(stderr, "torvane: %s; the run goes on without metrics.\n", problem->c_str());
        }
    };
    metrics.setInterval(10000);
    QObject::connect(&metrics, &QTimer::timeout, writeMetrics);

    // Events that could not be written are told once, as a run log that cannot be written is, and the run
    // goes on; a run that lost them is no clean success (exit status 3). A worker's go to its supervisor,
    // which tells their loss.
    bool eventsLost = false;
    const auto tellLostEvents = [&] {
        if (!events || worker || eventsLost || events->Problem().empty()) return;
        eventsLost = true;
        std::fprintf(stderr,
                     "torvane: the event stream cannot be written to %s (%s); the run goes on without it.\n",
                     options.Events.c_str(), events->Problem().c_str());
    };

    QObject::connect(&watch, &QTimer::timeout, [&] {
        tellLostEvents();
        // The work clock's check, and with it the time limit, more often than the clock tick does it.
        if (!run.State.Stopped) run.UpdateWorkTime();
        if (!run.State.Stopped) {
            const char* asked = StopSignalCaught()    ? "signal"
                                : view.OutputFailed() ? "output_failed"
                                                      : nullptr;
            if (asked) {
                stopAsked = QString::fromLatin1(asked);
                run.ClickMenuItem(engine::MenuItem::Stop1);
            }
        }
        // A stopped run may still be inside a pass (the last idle pass runs to its end and is compared)
        // or its error report: the results are told once it has come back to the event loop.
        if (run.State.Stopped && !run.InsideAPass()) {
            watch.stop();
            metrics.stop();
            int status = runFailed() ? 1 : view.OutputFailed() ? 3 : 0;
            if (certificate && !WriteRunCertificate(*certificate, run, stdout, stderr) && status == 0)
                status = kCertificateNotWritten;
            if (recorder)
                recorder->End(worker ? "worker_end" : "run_end", run.State.ErrorCount, run.State.WorkSeconds,
                              EndReason(run.State.LastStop, stopAsked), status);
            tellLostEvents();
            if (eventsLost && status == 0) status = 3;
            writeMetrics();
            if (worker) TWorkFolder(runFolder).DeleteFolder(workerFolder);
            QCoreApplication::exit(status);
        }
    });

    view.AppendLine(engine::Pane::Info, ProcessorLine());
    if (!worker) {
        if (const auto warning =
                AffinityWarning(AllowedProcessors(), static_cast<int>(SystemProcessors().NumberOfProcessors)))
            view.AppendLine(engine::Pane::Info, *warning);
    }
    if (run.Tests() == engine::TestChoice::Optimal)
        view.AppendLine(
            engine::Pane::Info,
            QStringLiteral("No tests: the stored test choice is \"Optimal...\", which picks none, so "
                           "this run tests nothing and earns no certificate (--tests chooses "
                           "tests for one run)."));
    if (events && !worker) events->Emit("run_start", RunStartFields(options, {}));
    run.ClickMenuItem(engine::MenuItem::Start1);
    writeMetrics();
    metrics.start();
    // A request that came while the program was starting stops the run it was meant for.
    if (StopSignalCaught()) {
        stopAsked = QStringLiteral("signal");
        run.ClickMenuItem(engine::MenuItem::Stop1);
    }
    watch.start();
    const int status = QCoreApplication::exec();
    notifier.reset();
    return status;
}

} // namespace torvane::app
