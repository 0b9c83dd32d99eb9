#include "session/RunOutcome.h"

namespace torvane::session {

QString EndReasonOf(engine::StopReason stop, const QString& asked) {
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

RunEnd EndOf(const engine::RunState& state, const QString& asked) {
    RunEnd end;
    end.Reason = EndReasonOf(state.LastStop, asked);
    end.Errors = state.ErrorCount;
    end.WorkSeconds = state.WorkSeconds;
    end.Failed = state.LastStop == engine::StopReason::Error ||
                 state.LastStop == engine::StopReason::ClockJump || state.ErrorCount > 0;
    return end;
}

int ExitStatus(bool failed, const OutputLoss& lost) {
    if (failed) return 1;
    if (lost.Log) return 3;
    if (lost.Certificate) return kCertificateNotWritten;
    if (lost.Events) return 3;
    return 0;
}

} // namespace torvane::session
