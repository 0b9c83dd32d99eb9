#include "workers/Supervisor.h"

#include "engine/EncryptionWorkload.h"
#include "engine/WorkTime.h"
#include "platform/StopSignals.h"
#include "platform/WorkFolder.h"
#include "session/RunSession.h"
#include "terminal/Metrics.h"
#include "terminal/RunEvents.h"

#include <QJsonDocument>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <optional>
#include <unistd.h>

namespace torvane::app {

namespace {

using Channel = WorkerProcesses::Channel;

std::int64_t SteadyNowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

class Supervisor {
public:
    explicit Supervisor(const SupervisorConfig& config)
        : c_(config), now_(config.SteadyMs ? config.SteadyMs : SteadyNowMs), pool_(Commands(config)),
          run_(Cpus(config)), killed_(config.Workers.size(), false) {
        pool_.OnLine = [this](int i, Channel channel, std::string_view line) { OnLine(i, channel, line); };
        pool_.OnExit = [this](int i, WorkerProcesses::Exit exit) { OnExit(i, exit); };
    }

    int Run();

private:
    static std::vector<WorkerCommand> Commands(const SupervisorConfig& config) {
        std::vector<WorkerCommand> commands;
        for (const auto& w : config.Workers) commands.push_back(w.Command);
        return commands;
    }

    static std::vector<int> Cpus(const SupervisorConfig& config) {
        std::vector<int> cpus;
        for (const auto& w : config.Workers) cpus.push_back(w.Cpu);
        return cpus;
    }

    QString Prefix(int i) const { return QStringLiteral("cpu %1: ").arg(run_.Processor(i).Cpu); }
    static std::size_t Index(int i) { return static_cast<std::size_t>(i); }

    void Print(const QString& line);
    void PrintError(const QString& line);
    void Emit(const char* event, const QJsonObject& fields);
    void EventsLost();
    void OnLine(int i, Channel channel, std::string_view line);
    void OnEvent(int i, std::string_view line);
    void OnExit(int i, WorkerProcesses::Exit exit);
    // Asks every worker (but the one that is stopping on its own error) to stop the ordinary way.
    void StopAll(const QString& reason, int except = -1);
    void ServeStopRequests();
    void WriteMetrics(bool running);
    int Report();

    const SupervisorConfig& c_;
    std::function<std::int64_t()> now_;
    WorkerProcesses pool_;
    session::RunSession run_;
    std::vector<bool> killed_; // by the supervisor: it did not stop in time, or a second stop request came
    std::int64_t stopDeadline_ = -1; // -1: no stop asked of the workers yet
    int stopRequests_ = 0;
    std::int64_t firstRequestMs_ = 0;
    bool outputFailed_ = false;
    bool eventsFailed_ = false;
    bool metricsFailed_ = false;
    std::int64_t failedRunsBefore_ = 0;
};

void Supervisor::Print(const QString& line) {
    const QByteArray bytes = (line + QLatin1Char('\n')).toUtf8();
    if (!outputFailed_) {
        errno = c_.OutputClosed ? EBADF : 0;
        if (!c_.OutputClosed &&
            std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), c_.Out) ==
                static_cast<std::size_t>(bytes.size()) &&
            std::fflush(c_.Out) == 0)
            return;
        outputFailed_ = true;
        std::fprintf(c_.Err,
                     "torvane: the run log cannot be written to standard output (%s); the run stops and its "
                     "results follow here.\n",
                     std::strerror(errno ? errno : EIO));
        std::clearerr(c_.Out);
        StopAll(QStringLiteral("output_failed"));
    }
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), c_.Err);
    std::fflush(c_.Err);
}

void Supervisor::PrintError(const QString& line) {
    std::fputs((line + QLatin1Char('\n')).toUtf8().constData(), c_.Err);
    std::fflush(c_.Err);
}

void Supervisor::Emit(const char* event, const QJsonObject& fields) {
    if (!c_.Events || eventsFailed_) return;
    if (!c_.Events->Emit(event, fields)) EventsLost();
}

void Supervisor::EventsLost() {
    eventsFailed_ = true;
    PrintError(QStringLiteral("torvane: the event stream cannot be written (%1); the run goes on without it.")
                   .arg(QString::fromStdString(c_.Events->Problem())));
}

void Supervisor::OnLine(int i, Channel channel, std::string_view line) {
    const QString text = QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size()));
    switch (channel) {
    case Channel::Log:
        Print(Prefix(i) + text);
        break;
    case Channel::Errors:
        PrintError(Prefix(i) + text);
        break;
    case Channel::Events:
        OnEvent(i, line);
        break;
    }
}

void Supervisor::OnEvent(int i, std::string_view line) {
    QJsonParseError error{};
    const auto doc =
        QJsonDocument::fromJson(QByteArray(line.data(), static_cast<qsizetype>(line.size())), &error);
    // Only whole events go on: anything else on the channel is not the worker's speech.
    if (error.error != QJsonParseError::NoError || !doc.isObject()) return;
    const QJsonObject e = doc.object();
    if (c_.Events && !eventsFailed_) {
        // The worker does not know the run it belongs to; its events go on with the run's id.
        QJsonObject stamped = e;
        if (!c_.Events->Run.isEmpty()) stamped.insert(QStringLiteral("run"), c_.Events->Run);
        const QByteArray out = QJsonDocument(stamped).toJson(QJsonDocument::Compact);
        if (!c_.Events->WriteLine(std::string_view(out.constData(), static_cast<std::size_t>(out.size()))))
            EventsLost();
    }
    if (run_.Take(i, e, now_()) == session::RunSession::Heard::Error) StopAll(QStringLiteral("error"), i);
}

void Supervisor::OnExit(int i, WorkerProcesses::Exit exit) {
    auto& w = run_.Processor(i);
    const bool reported = w.EndReported;
    // A worker that could not stop the ordinary way leaves its work files behind (one killed in an
    // encryption cycle, a file of up to the size limit): they are this run's, and go now.
    if (!reported && !c_.Workers[Index(i)].WorkFolder.empty())
        RemoveWorkFiles(c_.Workers[Index(i)].WorkFolder);
    const auto end = run_.Exited(
        i,
        {exit.Signalled, exit.Code, killed_[Index(i)], stopRequests_ > 1, stopDeadline_ >= 0, c_.StopGraceMs},
        now_());
    const QString& died = end.Died;
    if (!died.isEmpty()) {
        PrintError(Prefix(i) + died);
        Emit("error", ErrorEventFields({{"worker", i}, {"cpu", w.Cpu}}, 2, died, QStringLiteral("N/A")));
    }
    if (!reported) {
        QJsonObject end{{"worker", i},
                        {"cpu", w.Cpu},
                        {"errors", static_cast<double>(w.Errors)},
                        {"worktime_s", static_cast<double>(w.WorkSeconds)},
                        {"reason", died.isEmpty() ? QStringLiteral("stopped") : QStringLiteral("died")},
                        {"exit_status", exit.Signalled ? 128 + exit.Code : exit.Code}};
        if (exit.Signalled) end.insert(QStringLiteral("signal"), exit.Code);
        Emit("worker_end", end);
        w.EndReported = true;
    }
    // A worker that ends takes the run with it, unless it reached the time limit, which the others reach
    // within moments on their own.
    if (exit.Signalled || exit.Code != 0 || w.EndReason != QLatin1String("time_limit"))
        StopAll(end.Error ? QStringLiteral("error") : QStringLiteral("stopped"), end.Error ? i : -1);
}

void Supervisor::StopAll(const QString& reason, int except) {
    if (stopDeadline_ >= 0) return;
    run_.SetStopReason(reason);
    stopDeadline_ = now_() + c_.StopGraceMs;
    for (int i = 0; i < pool_.Count(); ++i)
        if (i != except) pool_.Signal(i, SIGTERM);
}

void Supervisor::ServeStopRequests() {
    if (c_.StopFd < 0) return;
    char buf[16];
    for (ssize_t n; (n = ::read(c_.StopFd, buf, sizeof buf)) > 0;) {
        for (ssize_t k = 0; k < n; ++k) {
            const std::int64_t now = now_();
            if (stopRequests_ == 0) {
                stopRequests_ = 1;
                firstRequestMs_ = now;
                StopAll(QStringLiteral("signal"));
                continue;
            }
            if (stopRequests_ == 1 && now - firstRequestMs_ < RepeatedStopRequestMs) continue;
            ++stopRequests_;
            // A second request ends the workers at once.
            for (int i = 0; i < pool_.Count(); ++i) {
                if (!pool_.Running(i)) continue;
                killed_[Index(i)] = true;
                pool_.Signal(i, SIGKILL);
            }
        }
    }
}

void Supervisor::WriteMetrics(bool running) {
    if (c_.MetricsPath.empty() || metricsFailed_) return;
    MetricsState state;
    state.Running = running;
    state.FailedRunsBefore = failedRunsBefore_;
    state.Failed = run_.Failed();
    const std::int64_t now = now_();
    for (int i = 0; i < run_.Count(); ++i) {
        const auto& w = run_.Processor(i);
        state.Workers.push_back({w.Cpu, w.Errors, run_.WorkSeconds(i, now)});
        if (w.Temperature) state.TemperatureC = w.Temperature;
    }
    if (const auto problem = WriteMetricsFile(c_.MetricsPath, state)) {
        metricsFailed_ = true;
        PrintError(QStringLiteral("torvane: %1; the run goes on without metrics.")
                       .arg(QString::fromStdString(*problem)));
    }
}

int Supervisor::Run() {
    // Before the first write replaces it: the record of the runs before this one.
    if (!c_.MetricsPath.empty()) failedRunsBefore_ = FailedRunsOnRecord(c_.MetricsPath);
    for (const auto& line : c_.HeadLines) Print(line);
    Emit("run_start", c_.RunStart);
    const std::int64_t start = now_();
    for (int i = 0; i < run_.Count(); ++i) run_.Processor(i).ReportedAtMs = start;
    if (const auto problem = pool_.Start()) {
        PrintError(QStringLiteral("torvane: %1").arg(QString::fromStdString(*problem)));
        run_.RecordRunError(QString::fromStdString(*problem));
        run_.SetStopReason(QStringLiteral("start_failed"), true);
        return Report();
    }
    // A stop asked for before the workers ran (a run log that could not take its first lines) reaches
    // them now.
    if (stopDeadline_ >= 0) {
        stopDeadline_ = now_() + c_.StopGraceMs;
        for (int i = 0; i < pool_.Count(); ++i) pool_.Signal(i, SIGTERM);
    }
    std::int64_t nextMetrics = start;
    while (!pool_.AllEnded()) {
        const std::int64_t now = now_();
        if (now >= nextMetrics) {
            WriteMetrics(true);
            nextMetrics = now + c_.MetricsPeriodMs;
        }
        if (stopDeadline_ >= 0 && now >= stopDeadline_) {
            for (int i = 0; i < pool_.Count(); ++i) {
                if (!pool_.Running(i) || killed_[Index(i)]) continue;
                killed_[Index(i)] = true;
                pool_.Signal(i, SIGKILL);
            }
        }
        std::int64_t wait = nextMetrics - now;
        if (stopDeadline_ > now) wait = std::min(wait, stopDeadline_ - now);
        pool_.Serve(static_cast<int>(std::clamp<std::int64_t>(wait, 0, 1000)), c_.StopFd);
        ServeStopRequests();
    }
    return Report();
}

int Supervisor::Report() {
    run_.ApplyClockRule();
    Print(QString());
    if (const auto& first = run_.FirstError()) {
        for (const auto& line : engine::ErrorReportLines(first->Report())) Print(line);
        Print(QString());
    }
    Print(QStringLiteral("Test Results:"));
    for (const auto& line : run_.ProcessorResultLines()) Print(line);
    Print(QStringLiteral(" Errors: %1").arg(run_.Errors()));
    Print(QStringLiteral(" Worktime: ") + engine::WorkTimeText(run_.LongestWorkSeconds()));

    // Lost events are lost output, as a lost run log is.
    const int status = run_.ExitStatus({.Log = outputFailed_, .Events = eventsFailed_});
    Emit("run_end", {{"errors", static_cast<double>(run_.Errors())},
                     {"worktime_s", static_cast<double>(run_.LongestWorkSeconds())},
                     {"reason", run_.StopReason()},
                     {"exit_status", status},
                     {"workers", run_.Count()}});
    WriteMetrics(false);
    return status;
}

} // namespace

void RemoveWorkFiles(const std::string& folder) {
    TWorkFolder files(folder);
    for (const char* name : {engine::PlainWorkFile, engine::CodedWorkFile, engine::ThirdWorkFile})
        files.Delete(name);
    std::string parent = folder;
    while (!parent.empty() && parent.back() == '/') parent.pop_back();
    const auto slash = parent.rfind('/');
    if (slash != std::string::npos)
        TWorkFolder(parent.substr(0, slash + 1)).DeleteFolder(parent.substr(slash + 1));
}

int RunSupervisor(const SupervisorConfig& config) {
    return Supervisor(config).Run();
}

} // namespace torvane::app
