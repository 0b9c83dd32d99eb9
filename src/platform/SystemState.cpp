#include "platform/SystemState.h"

#include <cstdio>
#include <ctime>
#include <sys/syscall.h>
#include <sys/sysinfo.h>
#include <unistd.h>

namespace torvane {

namespace {

std::uint32_t Low32(unsigned long long v) {
    return static_cast<std::uint32_t>(v);
}

// Size of the own address space in bytes, from /proc/self/statm (0 when unreadable).
unsigned long long AddressSpaceInUse() {
    std::FILE* f = std::fopen("/proc/self/statm", "r");
    if (!f) return 0;
    unsigned long long pages = 0;
    if (std::fscanf(f, "%llu", &pages) != 1) pages = 0;
    std::fclose(f);
    return pages * static_cast<unsigned long long>(::sysconf(_SC_PAGESIZE));
}

} // namespace

std::array<std::uint32_t, 8> MemoryStatusRecord() {
    std::array<std::uint32_t, 8> r{};
    r[0] = 32;
    struct sysinfo si {};
    if (::sysinfo(&si) == 0) {
        const unsigned long long unit = si.mem_unit ? si.mem_unit : 1;
        const unsigned long long total = si.totalram * unit, avail = (si.freeram + si.bufferram) * unit;
        const unsigned long long swapTotal = si.totalswap * unit, swapFree = si.freeswap * unit;
        r[1] = total ? static_cast<std::uint32_t>(100 - avail * 100 / total) : 0;
        r[2] = Low32(total);
        r[3] = Low32(avail);
        r[4] = Low32(total + swapTotal);
        r[5] = Low32(avail + swapFree);
    }
    // A 32-bit process sees 2 GB of its own address space; keep that figure so the record has its
    // familiar shape, and let the part in use vary it.
    r[6] = 0x7FFE0000u;
    r[7] = r[6] - Low32(AddressSpaceInUse());
    return r;
}

std::uint32_t ProcessId() {
    return static_cast<std::uint32_t>(::getpid());
}

std::int64_t CurrentThreadId() {
    return static_cast<std::int64_t>(::syscall(SYS_gettid));
}

std::uint32_t TickCountMs() {
    timespec ts{};
    ::clock_gettime(CLOCK_BOOTTIME, &ts);
    return static_cast<std::uint32_t>(static_cast<unsigned long long>(ts.tv_sec) * 1000u +
                                      static_cast<unsigned long long>(ts.tv_nsec) / 1000000u);
}

} // namespace torvane
