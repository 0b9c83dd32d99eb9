#include "platform/ProcessInfo.h"

#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace torvane {

std::int64_t ProcessAgeMilliseconds() {
    std::ifstream in("/proc/self/stat");
    std::string stat;
    if (!std::getline(in, stat)) return -1;
    // The command name in parentheses may hold blanks; the fields after it are plain numbers.
    const auto close = stat.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream fields(stat.substr(close + 2));
    std::string field;
    // starttime is field 22 of the line; field 3 (state) is the first after the name.
    for (int i = 3; i < 22; ++i)
        if (!(fields >> field)) return -1;
    unsigned long long startTicks = 0;
    if (!(fields >> startTicks)) return -1;
    const long ticksPerSecond = ::sysconf(_SC_CLK_TCK);
    timespec now{};
    if (ticksPerSecond <= 0 || ::clock_gettime(CLOCK_BOOTTIME, &now) != 0) return -1;
    const auto nowMs = static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
    return nowMs -
           static_cast<std::int64_t>(startTicks * 1000 / static_cast<unsigned long long>(ticksPerSecond));
}

std::int64_t ResidentKilobytes() {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stoll(line.substr(6));
    return -1;
}

} // namespace torvane
