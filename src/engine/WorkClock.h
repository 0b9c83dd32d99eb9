#pragma once
// The work clock: how long a run has been testing, in whole seconds, and the one rule that decides what
// of the time that passed is work time.
//
// Work time is real time, read on the monotonic clock of a WorkTimeSource, so daylight saving and the
// local time zone never reach it. Every reading is a check (Check) that compares the two clocks of the
// source since the reading before:
//  - The system clock set forward (the wall clock moved, the monotonic clock did not): that time is no
//    work time. A change of more than JumpLimitMs is a jump, and a jump ends the run with "It´s not nice
//    to cheat!"; a smaller one (a time service correcting the clock) only earns nothing.
//  - The system clock set back: the work time drops by as much. A clock set back to before the start
//    counts the distance to the start, which is a jump when it exceeds the last checked work time by
//    more than 10 s.
//  - A stall: both clocks moved by more than StallLimitMs since the last check. The process did not run
//    (a machine too busy to give it the processor, a stopped process, a suspended machine), so nothing
//    was tested: the run goes on, the stalled time is no work time, and the check says how long it was.
//
// Nothing but a check moves the work time: ElapsedSeconds and StopClock give the last check's value, so
// no decision (a time limit, a stop's results, a certificate) can take time that was never checked.

#include "platform/Clock.h"

#include <cstdint>

namespace torvane::engine {

struct WorkClockCheck {
    std::int32_t Seconds = 0;  // the work time after the check
    bool Jumped = false;       // the system clock jumped: the run must end as cheating
    std::int64_t PausedMs = 0; // a stall this check found (no work time), 0 when none
};

class WorkClock {
public:
    // A change of the system clock forward by more than this between two checks is a jump.
    static constexpr std::int64_t JumpLimitMs = 10000;
    // More real time than this between two checks is a stall, not work.
    static constexpr std::int64_t StallLimitMs = 10000;
    // The work time may grow by at most this much (seconds) from one check to the next.
    static constexpr std::int32_t LargestStepSeconds = 10;
    // Differences between the two clocks below this are the noise of reading them, not a set clock; they
    // never add up to more than this, since they are measured from the last accepted setting.
    static constexpr std::int64_t ToleranceMs = 250;

    explicit WorkClock(WorkTimeSource& source = RealWorkTimeSource::Instance()) : source_(source) {}

    void StartClock();
    // The one rule, applied to the time since the last check.
    WorkClockCheck Check();
    // The work time as the last check found it; 0 when not started.
    std::int32_t ElapsedSeconds() const { return running_ ? checkedSeconds_ : 0; }
    // ElapsedSeconds, and the clock stops.
    std::int32_t StopClock();
    // The run's work time is discarded (after a jump): from now on it counts from zero.
    void Discard();
    bool Running() const { return running_; }

private:
    WorkTimeSource& source_;
    bool running_ = false;
    std::int64_t startMonotonic_ = 0;
    std::int64_t lastMonotonic_ = 0;
    std::int64_t offsetMs_ = 0;   // wall minus monotonic as last accepted
    std::int64_t excludedMs_ = 0; // stalls and clocks set back, taken off the real time since the start
    std::int32_t checkedSeconds_ = 0;
};

} // namespace torvane::engine
