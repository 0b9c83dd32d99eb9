#pragma once
// Work time travels as whole seconds. It becomes the four counters of the status strip (days, hours,
// minutes, seconds) only where it is shown, so that nothing has to read a shown text back.

#include <QString>

#include <array>
#include <cstdint>

namespace torvane::engine {

// Days, hours (0-23), minutes (0-59) and seconds (0-59) as the counters Panel19, Panel14, Panel15 and
// Panel16 show them.
std::array<QString, 4> WorkTimeFields(std::int64_t seconds);

// "0 d, 1 h, 2 m, 3 s"
QString WorkTimeText(std::int64_t seconds);

} // namespace torvane::engine
