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
#include "session/RunOutcome.h"
#include "session/RunSettings.h"
#include "session/TemperatureFeed.h"
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

} // namespace

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

namespace {

int Refuse(const std::string& problem) {
    std::fprintf(stderr, "torvane: %s\n", problem.c_str());
    return 2;
}

// A worker's run: pinned to its processor before any thread starts, since every thread of the run
// inherits the pin.
std::optional<std::string> PinWorker(const session::WorkerRole& worker) {
    if (auto problem = PinProcessToProcessor(worker.Cpu)) return problem;
    // On its one processor a timer thread that spins only delays the tick it waits for.
    engine::TWorkerTimer::SetSpinning(false);
    return std::nullopt;
}

// The run's event stream, if it has one: a worker's goes to its supervisor on descriptor 3 (a worker
// started by hand without it has none), the single run's to the file --events names.
std::optional<std::string> OpenRunEvents(const HeadlessOptions& options,
                                         std::unique_ptr<EventStream>& events) {
    if (options.Worker) {
        if (::fcntl(WorkerEventsFd, F_GETFD) != -1) events = std::make_unique<EventStream>(WorkerEventsFd);
        return std::nullopt;
    }
    if (options.Events.empty()) return std::nullopt;
    std::string problem;
    events = EventStream::Open(options.Events, problem);
    if (!events) return problem;
    events->Run = NewRunId();
    if (!events->Notice().empty()) std::fprintf(stderr, "torvane: %s\n", events->Notice().c_str());
    return std::nullopt;
}

// One test run of the terminal, the single run or a supervisor's worker, from its settings to its exit
// status. The run itself decides nothing here that the session does not decide for every run.
class TerminalRun {
public:
    TerminalRun(const HeadlessOptions& options, std::optional<CertificateRequest> certificate,
                std::unique_ptr<EventStream> events, bool outputClosed);
    ~TerminalRun() { notifier_.reset(); }
    // Takes the run's settings and work folder; the problem that refuses the run, or nothing.
    std::optional<std::string> Prepare();
    // Starts the run; the event loop then runs it to its end, which ends the loop with the exit status.
    void Start();

private:
    void LoadSettings();
    std::optional<std::string> ClaimWorkFolder();
    void CatchStopRequests();
    void OnStopSignal();
    // Stops the run for the given reason, unless it has stopped already.
    void AskStop(const char* reason);
    void ShowHead();
    void Watch();
    void Finish();
    MetricsState Metrics();
    void WriteMetrics();
    void TellLostEvents();

    const HeadlessOptions& options_;
    const std::optional<session::WorkerRole>& worker_;
    const std::optional<CertificateRequest> certificate_;
    std::unique_ptr<EventStream> events_;
    HeadlessView view_;
    RunMetrics runMetrics_;
    // The terminal log, the metrics and the event file render the run's events, in that order.
    engine::RunEventHub renderers_;
    engine::TestRun run_;
    // The one reader of the temperature, which it publishes into the run's stream.
    std::optional<session::TemperatureFeed> temperature_;
    std::unique_ptr<RunEventRecorder> recorder_;
    // Why the front end asked the run to stop, for the run's end.
    QString stopAsked_;
    std::unique_ptr<QSocketNotifier> notifier_;
    QTimer watch_, metrics_;
    // Before the first write replaces it: the record of the runs before this one.
    std::int64_t failedRunsBefore_ = 0;
    bool metricsFailed_ = false;
    bool eventsLost_ = false;
    // A worker keeps its work files in a folder of its own inside the run's.
    std::string runFolder_, workerFolder_;
};

TerminalRun::TerminalRun(const HeadlessOptions& options, std::optional<CertificateRequest> certificate,
                         std::unique_ptr<EventStream> events, bool outputClosed)
    : options_(options), worker_(options.Worker), certificate_(std::move(certificate)),
      events_(std::move(events)), run_(renderers_) {
    renderers_.Add(view_);
    renderers_.Add(runMetrics_);
    if (outputClosed) view_.SetOutputClosed();
    run_.BannerLines = MakeBannerLines();
    LoadSettings();
    if (events_) {
        recorder_ = std::make_unique<RunEventRecorder>(*events_, worker_ ? worker_->Index : 0,
                                                       worker_ ? std::optional(worker_->Cpu) : std::nullopt);
        recorder_->HeartbeatSeconds = options_.HeartbeatSeconds;
        renderers_.Add(*recorder_);
    }
    // Stop requests (a signal, a run log that cannot be written) are served from the event loop, never
    // inside a sequence of the run that is still going.
    view_.OnOutputFailed = [this] {
        QMetaObject::invokeMethod(
            &run_, [this] { run_.ClickMenuItem(engine::MenuItem::Stop1); }, Qt::QueuedConnection);
    };
}

void TerminalRun::LoadSettings() {
    auto stored = engine::SettingsReader::FromStore();
    session::LoadRunSettings(run_, stored);
    view_.TemperatureUnit = stored.Text(engine::settings::TemperatureUnit);
    temperature_ = session::TemperatureFeed::FromStore(stored, hw::SensorBlockName());
    const auto problem = SettingsKey::TakeLoadProblem();
    if (!problem.empty()) std::fprintf(stderr, "torvane: %s\n", problem.c_str());
    for (const auto& p : stored.Problems())
        std::fprintf(stderr, "torvane: settings file %s: %s.\n", SettingsKey::StoreFile().c_str(), p.c_str());
}

std::optional<std::string> TerminalRun::Prepare() {
    session::ApplyRunOptions(run_, options_);
    if (auto problem = ClaimWorkFolder()) return problem;
    if (!options_.Metrics.empty()) failedRunsBefore_ = FailedRunsOnRecord(options_.Metrics);
    return std::nullopt;
}

std::optional<std::string> TerminalRun::ClaimWorkFolder() {
    runFolder_ = run_.TempDir;
    if (worker_) {
        workerFolder_ = "worker-" + std::to_string(worker_->Index);
        if (auto problem = TWorkFolder(runFolder_).CreateFolder(workerFolder_)) return problem;
        run_.TempDir += workerFolder_ + "/";
    }
    // The folder is this run's alone until it ends; one that another run works in is refused before
    // anything in it is touched.
    if (const auto problem = run_.ClaimWorkFolder())
        return problem->toLocal8Bit().toStdString() +
               ". Choose another folder for this run (--temp-dir), or stop the other run first.";
    // A work file's name that another user's file holds in a shared folder stays theirs: the encryption
    // test could not make its file, which would count as an error of the machine. Told now instead.
    if (!options_.Encryption) return std::nullopt;
    TWorkFolder folder(NativePath(run_.TempDir));
    for (const char* name : {engine::PlainWorkFile, engine::CodedWorkFile})
        if (!folder.Delete(name))
            return "the work folder " + run_.TempDir + " holds a file " + name +
                   " that is not this run's to remove (another user's, in a folder others may write), so "
                   "the encryption test could not make its work file there. Choose another folder for "
                   "this run (--temp-dir).";
    return std::nullopt;
}

void TerminalRun::CatchStopRequests() {
    if (StopSignalFd() < 0) return;
    notifier_ = std::make_unique<QSocketNotifier>(StopSignalFd(), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { OnStopSignal(); });
}

void TerminalRun::OnStopSignal() {
    char buf[16];
    int signal = 0;
    for (ssize_t n; (n = ::read(StopSignalFd(), buf, sizeof buf)) > 0;) signal = buf[n - 1];
    // A second request ends the program at once. One stop can arrive twice (timeout signals the program
    // and then its whole process group): what comes within moments of the first is that request. A
    // worker's supervisor kills it when the ordinary way takes too long; it never dies of a request that
    // reached it as well as its supervisor (a terminal's Ctrl-C reaches both).
    static QElapsedTimer first;
    if (!first.isValid()) {
        first.start();
    } else if (!worker_ && signal > 0 && first.elapsed() >= RepeatedStopRequestMs) {
        RestoreDefaultStopSignals();
        ::raise(signal);
    }
    if (!run_.State.Stopped) stopAsked_ = QStringLiteral("signal");
    run_.ClickMenuItem(engine::MenuItem::Stop1);
}

void TerminalRun::AskStop(const char* reason) {
    if (run_.State.Stopped) return;
    stopAsked_ = QString::fromLatin1(reason);
    run_.ClickMenuItem(engine::MenuItem::Stop1);
}

void TerminalRun::ShowHead() {
    view_.AppendLine(engine::Pane::Info, ProcessorLine());
    if (!worker_) {
        if (const auto warning =
                AffinityWarning(AllowedProcessors(), static_cast<int>(SystemProcessors().NumberOfProcessors)))
            view_.AppendLine(engine::Pane::Info, *warning);
    }
    if (run_.Tests() == engine::TestChoice::Optimal)
        view_.AppendLine(
            engine::Pane::Info,
            QStringLiteral("No tests: the stored test choice is \"Optimal...\", which picks none, so "
                           "this run tests nothing and earns no certificate (--tests chooses "
                           "tests for one run)."));
}

void TerminalRun::Start() {
    CatchStopRequests();
    // Watches the run from the event loop: stops it when the work time is reached or a stop was asked
    // for, ends the program once it has stopped for whatever reason.
    watch_.setInterval(200);
    QObject::connect(&watch_, &QTimer::timeout, [this] { Watch(); });
    metrics_.setInterval(10000);
    QObject::connect(&metrics_, &QTimer::timeout, [this] { WriteMetrics(); });
    ShowHead();
    if (events_ && !worker_) events_->Emit("run_start", RunStartFields(options_, {}));
    temperature_->Publish(renderers_);
    run_.ClickMenuItem(engine::MenuItem::Start1);
    WriteMetrics();
    metrics_.start();
    // A request that came while the program was starting stops the run it was meant for.
    if (StopSignalCaught()) AskStop("signal");
    watch_.start();
}

void TerminalRun::Watch() {
    TellLostEvents();
    // A fresh reading before the work time it may follow on the screen and in a heartbeat.
    temperature_->Publish(renderers_);
    // The work clock's check, and with it the time limit, more often than the clock tick does it.
    if (!run_.State.Stopped) run_.UpdateWorkTime();
    if (StopSignalCaught())
        AskStop("signal");
    else if (view_.OutputFailed())
        AskStop("output_failed");
    // A stopped run may still be inside a pass (the last idle pass runs to its end and is compared) or
    // its error report: the results are told once it has come back to the event loop.
    if (run_.State.Stopped && !run_.InsideAPass()) Finish();
}

void TerminalRun::Finish() {
    watch_.stop();
    metrics_.stop();
    const auto end = session::EndOf(run_.State, stopAsked_);
    session::OutputLoss lost{.Log = view_.OutputFailed()};
    // A run that failed gets the certificate it earned all the same: the certificate records its errors.
    if (certificate_) lost.Certificate = !WriteRunCertificate(*certificate_, run_, stdout, stderr);
    if (recorder_)
        recorder_->End(worker_ ? "worker_end" : "run_end", end.Errors, end.WorkSeconds, end.Reason,
                       session::ExitStatus(end.Failed, lost));
    TellLostEvents();
    lost.Events = eventsLost_;
    WriteMetrics();
    if (worker_) TWorkFolder(runFolder_).DeleteFolder(workerFolder_);
    QCoreApplication::exit(session::ExitStatus(end.Failed, lost));
}

MetricsState TerminalRun::Metrics() {
    MetricsState state;
    state.Running = runMetrics_.Running();
    state.FailedRunsBefore = failedRunsBefore_;
    state.Failed = runMetrics_.Failed();
    state.Workers = {runMetrics_.Worker()};
    state.TemperatureC = runMetrics_.TemperatureC();
    return state;
}

void TerminalRun::WriteMetrics() {
    if (options_.Metrics.empty() || metricsFailed_) return;
    if (const auto problem = WriteMetricsFile(options_.Metrics, Metrics())) {
        metricsFailed_ = true;
        std::fprintf(stderr, "torvane: %s; the run goes on without metrics.\n", problem->c_str());
    }
}

// Events that could not be written are told once, as a run log that cannot be written is, and the run
// goes on; a run that lost them is no clean success (exit status 3). A worker's go to its supervisor,
// which tells their loss.
void TerminalRun::TellLostEvents() {
    if (!events_ || worker_ || eventsLost_ || events_->Problem().empty()) return;
    eventsLost_ = true;
    std::fprintf(stderr,
                 "torvane: the event stream cannot be written to %s (%s); the run goes on without it.\n",
                 options_.Events.c_str(), events_->Problem().c_str());
}

} // namespace

int RunHeadless(const HeadlessOptions& options, int argc, char** argv) {
    // The stop signals are normally caught already, first thing in main; a caller that did not is served
    // here.
    if (StopSignalFd() < 0) CatchStopSignals();
    // A reader that has gone is a write error to report, not a silent end.
    std::signal(SIGPIPE, SIG_IGN);
    const bool outputClosed = GuardClosedOutput();
    std::setvbuf(stdout, nullptr, _IOLBF, 0);

    // A certificate that could not be written at the end is refused now, not after a day of testing.
    auto certificate = CertificateRequestOf(options);
    if (certificate)
        if (const auto problem = CheckCertificateRequest(*certificate)) return Refuse(*problem);

    if (options.Supervised()) return RunSupervised(options, StopSignalFd(), outputClosed);
    if (options.Worker)
        if (const auto problem = PinWorker(*options.Worker)) return Refuse(*problem);
    std::unique_ptr<EventStream> events;
    if (const auto problem = OpenRunEvents(options, events)) return Refuse(*problem);

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Torvane Test"));
    TerminalRun run(options, std::move(certificate), std::move(events), outputClosed);
    if (const auto problem = run.Prepare()) return Refuse(*problem);
    run.Start();
    return QCoreApplication::exec();
}

} // namespace torvane::app
