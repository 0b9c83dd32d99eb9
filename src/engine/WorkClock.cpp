#include "engine/WorkClock.h"

#include <cstdlib>
#include <limits>

namespace torvane::engine {

void WorkClock::StartClock() {
    const auto now = source_.Now();
    running_ = true;
    startMonotonic_ = lastMonotonic_ = now.MonotonicMs;
    offsetMs_ = now.WallMs - now.MonotonicMs;
    excludedMs_ = 0;
    checkedSeconds_ = 0;
}

WorkClockCheck WorkClock::Check() {
    WorkClockCheck check;
    if (!running_) return check;
    const auto now = source_.Now();

    const std::int64_t passed = now.MonotonicMs > lastMonotonic_ ? now.MonotonicMs - lastMonotonic_ : 0;
    lastMonotonic_ = now.MonotonicMs;
    if (passed > StallLimitMs) {
        check.PausedMs = passed;
        excludedMs_ += passed;
    }

    const std::int64_t set = now.WallMs - now.MonotonicMs - offsetMs_;
    if (std::llabs(set) > ToleranceMs) {
        offsetMs_ += set;
        // Forward: the work time is real time, so it earns nothing; backward: the work time drops.
        if (set > JumpLimitMs) check.Jumped = true;
        if (set < 0) excludedMs_ -= set;
    }

    // A clock set back to before the start counts the distance to the start, in either direction.
    const std::int64_t work = std::llabs(now.MonotonicMs - startMonotonic_ - excludedMs_) / 1000;
    const std::int32_t seconds = work > std::numeric_limits<std::int32_t>::max()
                                     ? std::numeric_limits<std::int32_t>::max()
                                     : static_cast<std::int32_t>(work);
    if (std::int64_t{checkedSeconds_} + LargestStepSeconds < seconds) check.Jumped = true;
    checkedSeconds_ = seconds;
    check.Seconds = seconds;
    return check;
}

std::int32_t WorkClock::StopClock() {
    const auto e = ElapsedSeconds();
    running_ = false;
    return e;
}

void WorkClock::Discard() {
    if (running_) StartClock();
}

} // namespace torvane::engine
