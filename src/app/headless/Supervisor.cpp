#include "app/headless/Supervisor.h"

#include "app/headless/Metrics.h"
#include "engine/EncryptionWorkload.h"
#include "platform/StopSignals.h"
#include "platform/WorkFolder.h"

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

struct WorkerState {
    int Cpu = 0;
    std::int64_t Errors = 0;
    std::int64_t ErrorEvents = 0;
    std::int64_t WorkSeconds = 0;  // as last reported
    std::int64_t ReportedAtMs = 0; // when (supervisor's clock); the start until the first report
    bool EndReported = false;      // its own worker_end came
    QString EndReason;
    bool Ended = false;
    bool Killed = false; // by the supervisor: it did not stop in time, or a second stop request came
    std::optional<double> Temperature;
};

struct FirstError {
    int Cpu = 0;
    int Code = 0;
    QString Message, Detail;
    QString Cause; // the system's reason behind the report, where it has one
};

class Supervisor {
public:
    explicit Supervisor(const SupervisorConfig& config)
        : c_(config), now_(config.SteadyMs ? config.SteadyMs : SteadyNowMs), pool_(Commands(config)) {
        for (const auto& w : config.Workers) {
            WorkerState state;
            state.Cpu = w.Cpu;
            workers_.push_back(state);
        }
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

    QString Prefix(int i) const { return QStringLiteral("cpu %1: ").arg(workers_[Index(i)].Cpu); }
    static std::size_t Index(int i) { return static_cast<std::size_t>(i); }

    void Print(const QString& line);
    void PrintError(const QString& line);
    void Emit(const char* event, const QJsonObject& fields);
    void EventsLost();
    void OnLine(int i, Channel channel, std::string_view line);
    void OnEvent(int i, std::string_view line);
    void OnExit(int i, WorkerProcesses::Exit exit);
    void RecordError(int i, int code, const QString& message, const QString& detail,
                     const QString& cause = {});
    // Asks every worker (but the one that is stopping on its own error) to stop the ordinary way.
    void StopAll(const QString& reason, int except = -1);
    void ServeStopRequests();
    std::int64_t WorkSeconds(const WorkerState& w) const;
    void WriteMetrics(bool running);
    int Report();

    const SupervisorConfig& c_;
    std::function<std::int64_t()> now_;
    WorkerProcesses pool_;
    std::vector<WorkerState> workers_;
    std::optional<FirstError> firstError_;
    QString stopReason_;
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
    auto& w = workers_[Index(i)];
    const QString name = e.value(QStringLiteral("event")).toString();
    if (e.contains(QStringLiteral("worktime_s"))) {
        w.WorkSeconds = static_cast<std::int64_t>(e.value(QStringLiteral("worktime_s")).toDouble());
        w.ReportedAtMs = now_();
    }
    if (e.value(QStringLiteral("temperature_c")).isDouble())
        w.Temperature = e.value(QStringLiteral("temperature_c")).toDouble();
    if (name == QLatin1String("error")) {
        ++w.ErrorEvents;
        w.Errors = std::max(w.Errors, w.ErrorEvents);
        RecordError(i, e.value(QStringLiteral("code")).toInt(), e.value(QStringLiteral("message")).toString(),
                    e.value(QStringLiteral("detail")).toString(),
                    e.value(QStringLiteral("cause")).toString());
    } else if (name == QLatin1String("worker_end")) {
        w.EndReported = true;
        w.Errors = static_cast<std::int64_t>(e.value(QStringLiteral("errors")).toDouble());
        w.EndReason = e.value(QStringLiteral("reason")).toString();
    }
}

void Supervisor::RecordError(int i, int code, const QString& message, const QString& detail,
                             const QString& cause) {
    if (!firstError_) firstError_ = FirstError{workers_[Index(i)].Cpu, code, message, detail, cause};
    StopAll(QStringLiteral("error"), i);
}

void Supervisor::OnExit(int i, WorkerProcesses::Exit exit) {
    auto& w = workers_[Index(i)];
    // The work time it reached, counted on to its end as between two heartbeats: a worker that dies
    // before its first heartbeat has worked all the same.
    const std::int64_t reached = WorkSeconds(w);
    w.Ended = true;
    // A worker that could not stop the ordinary way leaves its work files behind (one killed in an
    // encryption cycle, a file of up to the size limit): they are this run's, and go now.
    if (!w.EndReported && !c_.Workers[Index(i)].WorkFolder.empty())
        RemoveWorkFiles(c_.Workers[Index(i)].WorkFolder);
    QString died;
    if (exit.Signalled && w.Killed && stopRequests_ > 1) {
        // Killed on the user's second request: stopped, not failed.
    } else if (exit.Signalled && exit.Code == SIGTERM && stopDeadline_ >= 0 && !w.Killed) {
        // Asked to stop before it had its signals in hand (it was still starting): stopped as asked.
    } else if (exit.Signalled && w.Killed) {
        died = QStringLiteral("Worker did not stop within %1 s and was killed").arg(c_.StopGraceMs / 1000.0);
    } else if (exit.Signalled) {
        died = QStringLiteral("Worker process ended by signal %1 (%2)")
                   .arg(exit.Code)
                   .arg(QString::fromLocal8Bit(::strsignal(exit.Code)));
    } else if (exit.Code == 1 && w.Errors == 0 && !firstError_) {
        // An end on an error that sent no error event: the clock check, or a stop it did not explain.
        const bool clock = w.EndReason == QLatin1String("clock_jump");
        RecordError(i, 0,
                    clock ? QStringLiteral("The work clock jumped (It\u00B4s not nice to cheat!)")
                          : QStringLiteral("Worker process ended with exit status 1"),
                    QStringLiteral("N/A"));
        if (!clock) w.Errors = 1;
    } else if (exit.Code != 0 && exit.Code != 1) {
        died = QStringLiteral("Worker process ended with exit status %1").arg(exit.Code);
    }
    if (!died.isEmpty()) {
        w.Errors += 1;
        PrintError(Prefix(i) + died);
        Emit("error", {{"worker", i},
                       {"cpu", w.Cpu},
                       {"code", 2},
                       {"message", died},
                       {"detail", QStringLiteral("N/A")}});
        RecordError(i, 2, died, QStringLiteral("N/A"));
    }
    if (!w.EndReported) {
        QJsonObject end{{"worker", i},
                        {"cpu", w.Cpu},
                        {"errors", static_cast<double>(w.Errors)},
                        {"worktime_s", static_cast<double>(reached)},
                        {"reason", died.isEmpty() ? QStringLiteral("stopped") : QStringLiteral("died")},
                        {"exit_status", exit.Signalled ? 128 + exit.Code : exit.Code}};
        if (exit.Signalled) end.insert(QStringLiteral("signal"), exit.Code);
        Emit("worker_end", end);
        w.WorkSeconds = reached;
        w.EndReported = true;
    }
    // A worker that ends takes the run with it, unless it reached the time limit, which the others reach
    // within moments on their own.
    if (exit.Signalled || exit.Code != 0 || w.EndReason != QLatin1String("time_limit"))
        StopAll(QStringLiteral("stopped"));
}

void Supervisor::StopAll(const QString& reason, int except) {
    if (stopDeadline_ >= 0) return;
    stopReason_ = reason;
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
                workers_[Index(i)].Killed = true;
                pool_.Signal(i, SIGKILL);
            }
        }
    }
}

std::int64_t Supervisor::WorkSeconds(const WorkerState& w) const {
    if (w.Ended || w.EndReported) return w.WorkSeconds;
    // Between two heartbeats the work time goes on as the supervisor's clock does.
    return w.WorkSeconds + std::max<std::int64_t>(0, now_() - w.ReportedAtMs) / 1000;
}

void Supervisor::WriteMetrics(bool running) {
    if (c_.MetricsPath.empty() || metricsFailed_) return;
    MetricsState state;
    state.Running = running;
    state.FailedRunsBefore = failedRunsBefore_;
    state.Failed = firstError_.has_value();
    for (const auto& w : workers_) {
        state.Workers.push_back({w.Cpu, w.Errors, WorkSeconds(w)});
        state.Failed = state.Failed || w.Errors > 0;
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
    for (auto& w : workers_) w.ReportedAtMs = start;
    if (const auto problem = pool_.Start()) {
        PrintError(QStringLiteral("torvane: %1").arg(QString::fromStdString(*problem)));
        for (auto& w : workers_) w.Ended = true;
        firstError_ = FirstError{0, 0, QString::fromStdString(*problem), QStringLiteral("N/A"), {}};
        stopReason_ = QStringLiteral("start_failed");
        return Report();
    }
    // A stop asked for before the workers ran (a run log that could not take its first lines) reaches
    // them now.
    if (stopDeadline_ >= 0) {
        stopDeadline_ = -1;
        StopAll(stopReason_);
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
                if (!pool_.Running(i) || workers_[Index(i)].Killed) continue;
                workers_[Index(i)].Killed = true;
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
    // The machine has one clock: a jump that one worker saw voids the work time of every processor, also
    // of those the stop reached before their own next look at the clock.
    const bool jumped = std::any_of(workers_.begin(), workers_.end(), [](const WorkerState& w) {
        return w.EndReason == QLatin1String("clock_jump");
    });
    if (jumped)
        for (auto& w : workers_) w.WorkSeconds = 0;
    std::int64_t errors = 0, longest = 0;
    for (const auto& w : workers_) {
        errors += w.Errors;
        longest = std::max(longest, w.WorkSeconds);
    }
    Print(QString());
    if (firstError_) {
        const auto& f = *firstError_;
        Print(QStringLiteral("Testing Stopped:"));
        Print(QStringLiteral(" Processor: cpu %1").arg(f.Cpu));
        Print(QStringLiteral(" Error Message: ") + f.Message);
        if (f.Code > 0) {
            Print(QStringLiteral(" ErrorCode: %1").arg(f.Code));
            Print(QStringLiteral(" Calculation error: ") + f.Detail);
            Print(f.Code == 2 ? QStringLiteral(" ErrorType: Unexpected error")
                              : QStringLiteral(" ErrorType: Calculation error"));
            if (!f.Cause.isEmpty()) Print(QStringLiteral(" Cause: ") + f.Cause);
        }
        Print(QString());
    }
    Print(QStringLiteral("Test Results:"));
    for (const auto& w : workers_)
        Print(QStringLiteral(" cpu %1: Errors: %2, Worktime: %3")
                  .arg(w.Cpu)
                  .arg(w.Errors)
                  .arg(WorkTimeText(w.WorkSeconds)));
    Print(QStringLiteral(" Errors: %1").arg(errors));
    Print(QStringLiteral(" Worktime: ") + WorkTimeText(longest));

    const bool failed = firstError_.has_value() || errors > 0;
    // Lost events are lost output, as a lost run log is.
    const int status = failed ? 1 : outputFailed_ || eventsFailed_ ? 3 : 0;
    QString reason = stopReason_;
    if (reason == QLatin1String("stopped") || reason.isEmpty()) {
        // Every worker ending at its time limit is the run's own end.
        bool limit = !workers_.empty();
        for (const auto& w : workers_) limit = limit && w.EndReason == QLatin1String("time_limit");
        reason = limit ? QStringLiteral("time_limit") : QStringLiteral("stopped");
    }
    Emit("run_end", {{"errors", static_cast<double>(errors)},
                     {"worktime_s", static_cast<double>(longest)},
                     {"reason", reason},
                     {"exit_status", status},
                     {"workers", static_cast<int>(workers_.size())}});
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

QString WorkTimeText(std::int64_t e) {
    return QStringLiteral("%1 d, %2 h, %3 m, %4 s")
        .arg(e / 86400)
        .arg(e / 3600 % 24)
        .arg(e / 60 % 60)
        .arg(e % 60);
}

int RunSupervisor(const SupervisorConfig& config) {
    return Supervisor(config).Run();
}

} // namespace torvane::app
