#include "platform/Priority.h"

#include "platform/SystemState.h"

#include <algorithm>
#include <cstdlib>
#include <dirent.h>
#include <map>
#include <mutex>
#include <sched.h>
#include <sys/resource.h>

namespace torvane {

namespace {

std::mutex g_mutex;
ProcessPriorityClass g_class = ProcessPriorityClass::Normal;
std::map<std::int64_t, ThreadPriority> g_threads;
bool g_applied = true;

int BaseNice(ProcessPriorityClass cls) {
    switch (cls) {
    case ProcessPriorityClass::Idle:
        return 15;
    case ProcessPriorityClass::High:
        return -10;
    case ProcessPriorityClass::Normal:
        break;
    }
    return 0;
}

int NiceOffset(ThreadPriority p) {
    switch (p) {
    case ThreadPriority::Idle:
        return 4; // and SCHED_IDLE, which is what really makes it idle
    case ThreadPriority::Lowest:
        return 4;
    case ThreadPriority::Lower:
        return 2;
    case ThreadPriority::Normal:
        return 0;
    case ThreadPriority::Higher:
        return -2;
    case ThreadPriority::Highest:
        return -4;
    case ThreadPriority::TimeCritical:
        return -20;
    }
    return 0;
}

// Refusals (EPERM, EACCES, a thread that has just ended) are ignored on purpose.
void Apply(std::int64_t tid, ThreadPriority p) {
    if (!g_applied) return;
    const auto id = static_cast<pid_t>(tid);
    sched_param param{};
    if (p == ThreadPriority::Idle) {
        ::sched_setscheduler(id, SCHED_IDLE, &param);
    } else if (::sched_getscheduler(id) == SCHED_IDLE) {
        ::sched_setscheduler(id, SCHED_OTHER, &param);
    }
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(id), NiceValueFor(g_class, p));
}

} // namespace

int NiceValueFor(ProcessPriorityClass cls, ThreadPriority priority) {
    return std::clamp(BaseNice(cls) + NiceOffset(priority), -20, 19);
}

void SetProcessPriorityClass(ProcessPriorityClass cls) {
    std::lock_guard lock(g_mutex);
    g_class = cls;
    if (!g_applied) return;
    DIR* dir = ::opendir("/proc/self/task");
    if (!dir) {
        Apply(CurrentThreadId(), ThreadPriority::Normal);
        return;
    }
    while (const dirent* e = ::readdir(dir)) {
        char* end = nullptr;
        const long long tid = std::strtoll(e->d_name, &end, 10);
        if (end == e->d_name || *end != '\0') continue;
        const auto it = g_threads.find(tid);
        Apply(tid, it == g_threads.end() ? ThreadPriority::Normal : it->second);
    }
    ::closedir(dir);
}

ProcessPriorityClass CurrentProcessPriorityClass() {
    std::lock_guard lock(g_mutex);
    return g_class;
}

void SetThreadPriority(std::int64_t threadId, ThreadPriority priority) {
    std::lock_guard lock(g_mutex);
    g_threads[threadId] = priority;
    Apply(threadId, priority);
}

void ForgetThreadPriority(std::int64_t threadId) {
    std::lock_guard lock(g_mutex);
    g_threads.erase(threadId);
}

} // namespace torvane

namespace torvane {

ThreadPriority RequestedThreadPriority(std::int64_t threadId) {
    std::lock_guard lock(g_mutex);
    const auto it = g_threads.find(threadId);
    return it == g_threads.end() ? ThreadPriority::Normal : it->second;
}

void SetPriorityRequestsApplied(bool applied) {
    std::lock_guard lock(g_mutex);
    g_applied = applied;
}

} // namespace torvane
