#include "platform/Affinity.h"

#include <sched.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace torvane {

namespace {

// Big enough for the largest machines the kernel is built for (CONFIG_NR_CPUS tops out at 8192).
constexpr int MaxProcessors = 8192;

struct CpuMask {
    CpuMask() : set(CPU_ALLOC(MaxProcessors)), size(CPU_ALLOC_SIZE(MaxProcessors)) { CPU_ZERO_S(size, set); }
    ~CpuMask() { CPU_FREE(set); }
    CpuMask(const CpuMask&) = delete;
    CpuMask& operator=(const CpuMask&) = delete;
    cpu_set_t* set;
    std::size_t size;
};

} // namespace

std::vector<int> AllowedProcessors() {
    CpuMask mask;
    std::vector<int> cpus;
    if (::sched_getaffinity(0, mask.size, mask.set) != 0) return cpus;
    for (int cpu = 0; cpu < MaxProcessors; ++cpu)
        if (CPU_ISSET_S(cpu, mask.size, mask.set)) cpus.push_back(cpu);
    return cpus;
}

namespace {

std::string Names(const std::vector<int>& cpus) {
    std::string names;
    for (const int cpu : cpus) names += (names.empty() ? "" : ",") + std::to_string(cpu);
    return names;
}

} // namespace

std::optional<std::string> PinProcessToProcessors(const std::vector<int>& cpus) {
    if (cpus.empty()) return std::string("no processor given");
    CpuMask mask;
    for (const int cpu : cpus) {
        if (cpu < 0 || cpu >= MaxProcessors) return "no processor " + std::to_string(cpu);
        CPU_SET_S(cpu, mask.size, mask.set);
    }
    // The calling thread first: its refusal is the one that tells why.
    if (::sched_setaffinity(0, mask.size, mask.set) != 0)
        return std::string(cpus.size() == 1 ? "cannot run on processor " : "cannot run on processors ") +
               Names(cpus) + ": " + std::strerror(errno);
    // Threads that run already (a library's helper) follow; one that has ended meanwhile is no matter.
    if (DIR* tasks = ::opendir("/proc/self/task")) {
        const auto self = static_cast<pid_t>(::syscall(SYS_gettid));
        while (const dirent* entry = ::readdir(tasks)) {
            const pid_t tid = static_cast<pid_t>(std::atoi(entry->d_name));
            if (tid > 0 && tid != self) ::sched_setaffinity(tid, mask.size, mask.set);
        }
        ::closedir(tasks);
    }
    return std::nullopt;
}

std::optional<std::string> PinProcessToProcessor(int cpu) {
    return PinProcessToProcessors({cpu});
}

} // namespace torvane
