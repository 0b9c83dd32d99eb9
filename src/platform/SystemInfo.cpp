#include "platform/SystemInfo.h"

#include <fstream>
#include <sstream>
#include <unistd.h>

namespace torvane {

std::uint32_t ProcessorTypeOfFamily(int x86Family) {
    if (x86Family == 3) return 386;
    if (x86Family == 4) return 486;
    if (x86Family >= 5) return 586;
    return 0;
}

int X86FamilyFromCpuinfo(const std::string& cpuinfo) {
    std::istringstream in(cpuinfo);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("cpu family", 0) != 0) continue;
        const auto colon = line.find(':');
        if (colon == std::string::npos) return -1;
        try {
            const int family = std::stoi(line.substr(colon + 1));
            return family >= 0 ? family : -1;
        } catch (const std::exception&) {
            return -1;
        }
    }
    return -1;
}

SystemProcessorInfo SystemProcessors() {
    SystemProcessorInfo info;
    const long online = ::sysconf(_SC_NPROCESSORS_ONLN);
    if (online > 0) info.NumberOfProcessors = static_cast<std::uint32_t>(online);
    std::ifstream in("/proc/cpuinfo");
    std::stringstream text;
    text << in.rdbuf();
    info.ProcessorType = ProcessorTypeOfFamily(X86FamilyFromCpuinfo(text.str()));
    return info;
}

} // namespace torvane
