#include "window/ProcessorWorkers.h"

#include "engine/TestRun.h"
#include "engine/WorkerTimer.h"
#include "engine/Workloads.h"
#include "platform/Affinity.h"
#include "platform/Files.h"
#include "platform/SystemInfo.h"
#include "workers/Supervisor.h"

#include <QJsonDocument>
#include <QLabel>

#include <chrono>
#include <csignal>
#include <utility>

namespace torvane::app {

namespace {

QString TestName(const QString& kind) {
    for (const auto* info : engine::WorkloadDescriptions())
        if (QString::fromLatin1(info->Name).toLower() == kind) return QString::fromLatin1(info->Name);
    return kind;
}

} // namespace

TProcessorWorkers::TProcessorWorkers(engine::TestRun& run, engine::IRunSubscriber& screen,
                                     std::string program, QLabel* strip)
    : run_(run), screen_(screen), program_(std::move(program)), strip_(strip) {
    Processors = AllowedProcessors();
    if (Processors.empty())
        for (std::uint32_t i = 0; i < SystemProcessors().NumberOfProcessors; ++i)
            Processors.push_back(static_cast<int>(i));
    pump_.setInterval(100);
    connect(&pump_, &QTimer::timeout, this, &TProcessorWorkers::Serve);
}

TProcessorWorkers::~TProcessorWorkers() {
    EndNow(3000);
    LetGo();
}

void TProcessorWorkers::KeepToFirstProcessor() {
    if (kept_) return;
    // A pin the system refuses leaves the run where it is: it tests all the same.
    if (PinProcessToProcessor(Processors.front())) return;
    kept_ = true;
    spinningBefore_ = engine::TWorkerTimer::Spinning();
    engine::TWorkerTimer::SetSpinning(false);
}

void TProcessorWorkers::LetGo() {
    if (!kept_) return;
    kept_ = false;
    PinProcessToProcessors(Processors);
    engine::TWorkerTimer::SetSpinning(spinningBefore_);
}

std::int64_t TProcessorWorkers::NowMs() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void TProcessorWorkers::InjectFault(const session::FaultSpec& fault) {
    fault_ = fault;
    // The window's run is the first processor's; in a run on one processor it meets every fault.
    if (!Spreads() || !fault.Cpu || *fault.Cpu == Processors.front()) run_.InjectFault(fault.Test);
}

bool TProcessorWorkers::Spreads() const {
    return All && Processors.size() > 1 && !program_.empty();
}

void TProcessorWorkers::Started() {
    // Workers of the last run that are still stopping are ended first: two runs never share a folder.
    if (pool_) EndNow(StopGraceMs);
    session_.reset();
    run_.ReportCpu.reset();
    const auto fault = std::exchange(fault_, std::nullopt);
    if (!Spreads()) {
        LetGo();
        strip_->hide();
        return;
    }
    KeepToFirstProcessor();
    session_ = std::make_unique<session::RunSession>(Processors, NowMs());
    run_.ReportCpu = Processors.front();

    session::RunOptions options;
    options.LoadMode = run_.Mode();
    options.Choice = run_.Tests();
    options.Encryption = !run_.NoEncryptionTests();
    options.TempDir = run_.TempDir;
    options.MaxTempSize = run_.MaxTempSize;
    options.InjectFault = fault;
    // The strip shows the workers' passes as they go, not once a minute.
    options.HeartbeatSeconds = WorkerHeartbeatSeconds;
    std::vector<WorkerCommand> commands;
    folders_.clear();
    const std::string folder = WithTrailingSeparator(NativePath(run_.TempDir));
    for (std::size_t i = 1; i < Processors.size(); ++i) {
        WorkerCommand command{{program_}};
        for (auto& a : session::WorkerArguments(options, static_cast<int>(i), Processors[i]))
            command.Argv.push_back(std::move(a));
        commands.push_back(std::move(command));
        folders_.push_back(folder + "worker-" + std::to_string(i) + "/");
    }
    pool_ = std::make_unique<WorkerProcesses>(std::move(commands));
    killed_.assign(folders_.size(), false);
    stopDeadline_ = -1;
    finished_ = false;
    pool_->OnLine = [this](int i, WorkerProcesses::Channel channel, std::string_view line) {
        // The workers' screens are the strip and the results; their events say all the window shows.
        if (channel == WorkerProcesses::Channel::Events) OnEvent(i, line);
    };
    pool_->OnExit = [this](int i, WorkerProcesses::Exit exit) { OnExit(i, exit); };
    ShowStrip();
    strip_->show();
    if (const auto problem = pool_->Start()) {
        session_->RecordRunError(QString::fromStdString(*problem));
        QMetaObject::invokeMethod(
            this,
            [this, message = QString::fromStdString(*problem)] {
                if (run_.State.Stopped) return;
                forwarding_ = true;
                run_.State.ErrorCount += 1;
                run_.ReportTestError(2, QStringLiteral("Workers could not be started: ") + message,
                                     QStringLiteral("N/A"));
                forwarding_ = false;
            },
            Qt::QueuedConnection);
        return;
    }
    pump_.start();
}

void TProcessorWorkers::Stopped() {
    LetGo();
    if (!session_) return;
    session_->Ended(0, session::EndOf(run_.State));
    session_->SetStopReason(QStringLiteral("stopped"));
    StopWorkers();
    if (!pool_ || pool_->AllEnded())
        QMetaObject::invokeMethod(this, &TProcessorWorkers::Finish, Qt::QueuedConnection);
}

bool TProcessorWorkers::WorkersRunning() const {
    return pool_ && !pool_->AllEnded();
}

void TProcessorWorkers::StopWorkers() {
    if (!pool_ || stopDeadline_ >= 0) return;
    stopDeadline_ = NowMs() + StopGraceMs;
    for (int i = 0; i < pool_->Count(); ++i) pool_->Signal(i, SIGTERM);
}

void TProcessorWorkers::Serve() {
    if (!pool_ || serving_) return;
    serving_ = true;
    if (stopDeadline_ >= 0 && NowMs() >= stopDeadline_)
        for (int i = 0; i < pool_->Count(); ++i) {
            if (!pool_->Running(i) || killed_[static_cast<std::size_t>(i)]) continue;
            killed_[static_cast<std::size_t>(i)] = true;
            pool_->Signal(i, SIGKILL);
        }
    pool_->Serve(0);
    serving_ = false;
    ShowStrip();
    if (pool_->AllEnded()) {
        pump_.stop();
        if (run_.State.Stopped) Finish();
    }
}

void TProcessorWorkers::OnEvent(int worker, std::string_view line) {
    QJsonParseError error{};
    const auto doc =
        QJsonDocument::fromJson(QByteArray(line.data(), static_cast<qsizetype>(line.size())), &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) return;
    if (session_->Take(worker + 1, doc.object(), NowMs()) == session::RunSession::Heard::Error)
        ReportError(worker + 1);
}

void TProcessorWorkers::OnExit(int worker, WorkerProcesses::Exit exit) {
    const int i = worker + 1;
    const bool reported = session_->Processor(i).EndReported;
    if (!reported) RemoveWorkFiles(folders_[static_cast<std::size_t>(worker)]);
    const auto end = session_->Exited(i,
                                      {exit.Signalled, exit.Code, killed_[static_cast<std::size_t>(worker)],
                                       false, stopDeadline_ >= 0, StopGraceMs},
                                      NowMs());
    session_->Processor(i).EndReported = true;
    if (end.Error) ReportError(i);
    // A worker that ends takes the run with it, as in the terminal.
    else if (!run_.State.Stopped)
        QMetaObject::invokeMethod(
            &run_, [this] { run_.ClickMenuItem(engine::MenuItem::Stop1); }, Qt::QueuedConnection);
}

void TProcessorWorkers::ReportError(int i) {
    // Reported from the event loop, never inside the workers' service.
    QMetaObject::invokeMethod(
        this,
        [this, i] {
            if (!session_ || run_.State.Stopped) return;
            const auto& first = session_->FirstError();
            if (!first || first->Cpu != session_->Processor(i).Cpu) return;
            const auto own = std::exchange(run_.ReportCpu, first->Cpu);
            forwarding_ = true;
            run_.State.ErrorCount += 1;
            run_.ReportTestError(first->Code, first->Message, first->Detail, first->Cause);
            forwarding_ = false;
            run_.ReportCpu = own;
        },
        Qt::QueuedConnection);
}

void TProcessorWorkers::Finish() {
    // A run started since (its own session) has its own end.
    if (finished_ || !session_ || !run_.State.Stopped) return;
    finished_ = true;
    // The run's own end as it stands now: a jump of the clock is known only after the stop has begun.
    session_->Ended(0, session::EndOf(run_.State));
    session_->ApplyClockRule();
    for (const auto& line : session_->ProcessorResultLines())
        screen_.Hear(engine::event::Line{engine::Pane::Info, line});
}

void TProcessorWorkers::EndNow(int graceMs) {
    if (!pool_) return;
    StopWorkers();
    const std::int64_t until = NowMs() + graceMs;
    while (!pool_->AllEnded() && NowMs() < until) pool_->Serve(50);
    for (int i = 0; i < pool_->Count(); ++i)
        if (pool_->Running(i)) {
            killed_[static_cast<std::size_t>(i)] = true;
            pool_->Signal(i, SIGKILL);
        }
    while (!pool_->AllEnded()) pool_->Serve(50);
    pump_.stop();
    pool_.reset();
}

void TProcessorWorkers::Hear(const engine::RunEvent& event) {
    namespace e = engine::event;
    std::visit(engine::Overloaded{
                   [this](const e::Started&) { Started(); },
                   [this](const e::Stopped&) { Stopped(); },
                   // A worker's error told through the window's run is that worker's, heard already.
                   [this](const e::Error& x) {
                       if (!session_ || forwarding_) return;
                       session_->Hear(0, x, NowMs());
                       // The window's run stops itself; its workers follow.
                       StopWorkers();
                   },
                   [this](const auto& x) {
                       if (session_) session_->Hear(0, x, NowMs());
                   },
               },
               event);
}

QString TProcessorWorkers::StripText() const {
    if (!session_) return {};
    QStringList parts;
    for (int i = 0; i < session_->Count(); ++i) {
        const auto& p = session_->Processor(i);
        QString state = p.Ended            ? QStringLiteral("stopped")
                        : p.Test.isEmpty() ? QStringLiteral("starting")
                                           : TestName(p.Test);
        parts << QStringLiteral("cpu %1: %2, %3 passes, %4 errors")
                     .arg(p.Cpu)
                     .arg(state)
                     .arg(p.Passes)
                     .arg(p.Errors);
    }
    return parts.join(QStringLiteral("   "));
}

void TProcessorWorkers::ShowStrip() {
    strip_->setText(StripText());
}

} // namespace torvane::app
