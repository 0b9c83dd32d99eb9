#pragma once
// How one test run ended, decided in one place for every front end that runs one: the terminal run, each
// worker of a supervised run (its worker_end tells the supervisor), and the window's own run. The run on
// several processors as a whole (RunSession.h) builds its verdict on its processors' ends, and every run
// takes its exit status from the one rule here.

#include "engine/RunState.h"

#include <QString>

#include <cstdint>

namespace torvane::session {

// Why one run ended, as its events name it: its own reason ("error", "clock_jump", "time_limit") where it
// has one, else what the front end asked for ("signal", "output_failed"), else "stopped".
QString EndReasonOf(engine::StopReason stop, const QString& asked);

// One run at its end.
struct RunEnd {
    QString Reason;
    std::int64_t Errors = 0;
    std::int64_t WorkSeconds = 0;
    // The verdict: an error counted or reported, or a jump of the clock (no work time to trust).
    bool Failed = false;
};

// The end of a run that has stopped, from its state; asked is why the front end stopped it (or empty).
RunEnd EndOf(const engine::RunState& state, const QString& asked = {});

// What a run could not deliver beside its verdict.
struct OutputLoss {
    bool Log = false;         // the run log (standard output)
    bool Certificate = false; // the certificate asked for was not written
    bool Events = false;      // the event stream
};

// The exit status of a certificate asked for and not written by a run that found no error.
inline constexpr int kCertificateNotWritten = 4;

// The exit status of every run: 1 when it failed, else 3 when its run log was lost, else 4 when the
// certificate it was asked for was not written, else 3 when its events were lost, else 0.
int ExitStatus(bool failed, const OutputLoss& lost = {});

} // namespace torvane::session
