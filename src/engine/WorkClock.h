#pragma once
// The work clock: whole seconds of local time, with days counted continuously so that the value grows by
// 86400 across every midnight, month end and year end.
//
// The value of a moment is the day count since 1899-12-30 times 86400 plus the time of day, which is
// about 4e9 today and does not fit 32 bits; it is kept in 64 bits. Elapsed times are 32-bit seconds
// (68 years), which is what the screen and the certificates take.

#include "platform/Clock.h"

#include <cstdint>

namespace torvane::engine {

class WorkClock {
public:
    explicit WorkClock(LocalClock& clock = RealLocalClock::Instance()) : clock_(clock) {}

    // Seconds of the local time now on the continuous scale.
    std::int64_t ClockValue() const;

    void StartClock() { start_ = ClockValue(); }
    // 0 when not started; otherwise the distance to the start mark, in either direction (a clock set back
    // to before the start counts the other way).
    std::int32_t ElapsedSeconds() const;
    // ElapsedSeconds, and the clock stops.
    std::int32_t StopClock();
    bool Running() const { return start_ != 0; }

private:
    LocalClock& clock_;
    std::int64_t start_ = 0; // 0: not running
};

} // namespace torvane::engine
