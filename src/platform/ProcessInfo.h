#pragma once
// Facts about the running process that the program reports about itself.

#include <cstdint>

namespace torvane {

// Milliseconds since the kernel started this process (10 ms resolution), or -1 where unknown. It counts
// the loading of the program and its libraries, which a clock started in main() cannot see.
std::int64_t ProcessAgeMilliseconds();

// Resident memory of this process in kilobytes, or -1 where unknown.
std::int64_t ResidentKilobytes();

} // namespace torvane
