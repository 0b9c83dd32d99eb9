#pragma once
// The operating system's account of the processors: how many there are and the processor type number of
// the desktop's system information call (386, 486, 586, ...), which processor identification turns into
// a model name where CPUID gives none.

#include <cstdint>
#include <string>

namespace torvane {

struct SystemProcessorInfo {
    std::uint32_t NumberOfProcessors = 1;
    std::uint32_t ProcessorType = 0; // 0: no type the desktop would report
};

// The processors the kernel has online, and the type derived from the x86 family it reports.
SystemProcessorInfo SystemProcessors();

// The type number the desktop's system information call gives a 32-bit program for an x86 processor of
// the given family: 386 and 486 for those families, and 586 for every processor from the Pentium on,
// 64-bit ones included (the call never reports a newer type). 0 for anything else.
std::uint32_t ProcessorTypeOfFamily(int x86Family);

// The x86 family from the text of /proc/cpuinfo (its first "cpu family" line), or -1 where it names
// none (other processors).
int X86FamilyFromCpuinfo(const std::string& cpuinfo);

} // namespace torvane
