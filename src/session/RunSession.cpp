#include "session/RunSession.h"

#include "engine/WorkTime.h"
#include "engine/Workload.h"
#include "session/EventReader.h"

#include <algorithm>
#include <csignal>
#include <cstring>

namespace torvane::session {

RunSession::RunSession(const std::vector<int>& cpus, std::int64_t startMs) {
    for (int cpu : cpus) {
        ProcessorRun p;
        p.Cpu = cpu;
        p.ReportedAtMs = startMs;
        processors_.push_back(p);
    }
}

RunSession::Heard RunSession::Hear(int i, const engine::RunEvent& event, std::int64_t nowMs) {
    namespace ev = engine::event;
    auto& p = Processor(i);
    const auto kind = [](const engine::WorkloadInfo* w) { return QString::fromLatin1(w->Name).toLower(); };
    return std::visit(
        engine::Overloaded{
            [&](const ev::TestStarted& x) {
                p.Test = kind(x.Workload);
                return Heard::Progress;
            },
            [&](const ev::EncryptionStarted& x) {
                p.Test = kind(x.Workload);
                return Heard::Progress;
            },
            // Only a run heard as it goes tells its passes one by one; a worker's heartbeat counts them.
            [&](const ev::PassEnded&) {
                p.Passes += 1;
                return Heard::Progress;
            },
            [&](const ev::WorkTime& x) {
                p.WorkSeconds = x.Seconds;
                p.ReportedAtMs = nowMs;
                return Heard::Progress;
            },
            [&](const ev::Error& x) {
                ++p.ErrorEvents;
                p.Errors = std::max(p.Errors, p.ErrorEvents);
                RecordError(i, x.Code, x.Message, x.Detail, x.Cause);
                return Heard::Error;
            },
            [](const auto&) { return Heard::Nothing; },
        },
        event);
}

RunSession::Heard RunSession::Take(int i, const QJsonObject& e, std::int64_t nowMs) {
    auto& p = Processor(i);
    const QString name = e.value(QStringLiteral("event")).toString();
    if (e.value(QStringLiteral("temperature_c")).isDouble())
        p.Temperature = e.value(QStringLiteral("temperature_c")).toDouble();
    const auto typed = ReadRunEvent(e);
    const Heard heard = typed ? Hear(i, *typed, nowMs) : Heard::Nothing;
    if (name == QLatin1String("heartbeat")) {
        std::int64_t passes = 0;
        const QJsonObject byTest = e.value(QStringLiteral("passes")).toObject();
        for (auto it = byTest.begin(); it != byTest.end(); ++it)
            passes += static_cast<std::int64_t>(it.value().toDouble());
        p.Passes = passes;
        return Heard::Progress;
    }
    if (name == QLatin1String("worker_end")) {
        p.WorkSeconds = static_cast<std::int64_t>(e.value(QStringLiteral("worktime_s")).toDouble());
        p.ReportedAtMs = nowMs;
        p.EndReported = true;
        p.Errors = static_cast<std::int64_t>(e.value(QStringLiteral("errors")).toDouble());
        p.EndReason = e.value(QStringLiteral("reason")).toString();
        return Heard::End;
    }
    return heard;
}

bool RunSession::RecordError(int i, int code, const QString& message, const QString& detail,
                             const QString& cause) {
    if (firstError_) return false;
    firstError_ = RunError{Processor(i).Cpu, code, message, detail, cause};
    return true;
}

void RunSession::RecordRunError(const QString& message) {
    for (auto& p : processors_) p.Ended = true;
    if (!firstError_) firstError_ = RunError{0, 0, message, QStringLiteral("N/A"), {}, false};
}

std::int64_t RunSession::WorkSeconds(int i, std::int64_t nowMs) const {
    const auto& p = Processor(i);
    if (p.Ended || p.EndReported) return p.WorkSeconds;
    return p.WorkSeconds + std::max<std::int64_t>(0, nowMs - p.ReportedAtMs) / 1000;
}

RunSession::EndMeaning RunSession::Exited(int i, const ProcessEnd& end, std::int64_t nowMs) {
    auto& p = Processor(i);
    p.WorkSeconds = WorkSeconds(i, nowMs);
    p.Ended = true;
    EndMeaning meaning;
    if (end.Signalled && end.Killed && end.KilledOnRequest) {
        // Killed on the user's second request: stopped, not failed.
    } else if (end.Signalled && end.Code == SIGTERM && end.StopAsked && !end.Killed) {
        // Asked to stop before it had its signals in hand (it was still starting): stopped as asked.
    } else if (end.Signalled && end.Killed) {
        meaning.Died =
            QStringLiteral("Worker did not stop within %1 s and was killed").arg(end.StopGraceMs / 1000.0);
    } else if (end.Signalled) {
        meaning.Died = QStringLiteral("Worker process ended by signal %1 (%2)")
                           .arg(end.Code)
                           .arg(QString::fromLocal8Bit(::strsignal(end.Code)));
    } else if (end.Code == 1 && p.Errors == 0 && !firstError_) {
        // An end on an error that sent no error event: the clock check, or a stop it did not explain.
        const bool clock = p.EndReason == QLatin1String("clock_jump");
        RecordError(i, 0,
                    clock ? QStringLiteral("The work clock jumped (It\u00B4s not nice to cheat!)")
                          : QStringLiteral("Worker process ended with exit status 1"),
                    QStringLiteral("N/A"));
        if (!clock) p.Errors = 1;
        meaning.Error = true;
    } else if (end.Code != 0 && end.Code != 1) {
        meaning.Died = QStringLiteral("Worker process ended with exit status %1").arg(end.Code);
    }
    if (!meaning.Died.isEmpty()) {
        p.Errors += 1;
        RecordError(i, 2, meaning.Died, QStringLiteral("N/A"));
        meaning.Error = true;
    }
    return meaning;
}

void RunSession::Ended(int i, const RunEnd& end) {
    auto& p = Processor(i);
    p.WorkSeconds = end.WorkSeconds;
    p.EndReason = end.Reason;
    p.Ended = true;
    p.EndReported = true;
}

void RunSession::ApplyClockRule() {
    const bool jumped = std::any_of(processors_.begin(), processors_.end(), [](const ProcessorRun& p) {
        return p.EndReason == QLatin1String("clock_jump");
    });
    if (jumped)
        for (auto& p : processors_) p.WorkSeconds = 0;
}

std::int64_t RunSession::Errors() const {
    std::int64_t errors = 0;
    for (const auto& p : processors_) errors += p.Errors;
    return errors;
}

std::int64_t RunSession::LongestWorkSeconds() const {
    std::int64_t longest = 0;
    for (const auto& p : processors_) longest = std::max(longest, p.WorkSeconds);
    return longest;
}

bool RunSession::Failed() const {
    return firstError_.has_value() || Errors() > 0;
}

int RunSession::ExitStatus(const OutputLoss& lost) const {
    return session::ExitStatus(Failed(), lost);
}

QString RunSession::StopReason() const {
    if (!stopReason_.isEmpty() && stopReason_ != QLatin1String("stopped")) return stopReason_;
    // Every processor ending at its time limit is the run's own end.
    bool limit = !processors_.empty();
    for (const auto& p : processors_) limit = limit && p.EndReason == QLatin1String("time_limit");
    return limit ? QStringLiteral("time_limit") : QStringLiteral("stopped");
}

QStringList RunSession::ProcessorResultLines() const {
    QStringList lines;
    for (const auto& p : processors_)
        lines << QStringLiteral(" cpu %1: Errors: %2, Worktime: %3")
                     .arg(p.Cpu)
                     .arg(p.Errors)
                     .arg(engine::WorkTimeText(p.WorkSeconds));
    return lines;
}

} // namespace torvane::session
