#include "engine/WorkClock.h"

#include <cstdlib>
#include <limits>

namespace torvane::engine {

std::int64_t WorkClock::ClockValue() const {
    const auto now = clock_.Now();
    return DayCount(now.Year, now.Month, now.Day) * 86400 + now.Hour * 3600 + now.Minute * 60 + now.Second;
}

std::int32_t WorkClock::ElapsedSeconds() const {
    if (start_ == 0) return 0;
    const std::int64_t d = std::llabs(ClockValue() - start_);
    // A clock set decades away cannot be shown; the clock-jump check stops such a run anyway.
    return d > std::numeric_limits<std::int32_t>::max() ? std::numeric_limits<std::int32_t>::max()
                                                        : static_cast<std::int32_t>(d);
}

std::int32_t WorkClock::StopClock() {
    const auto e = ElapsedSeconds();
    start_ = 0;
    return e;
}

} // namespace torvane::engine
