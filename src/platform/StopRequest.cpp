#include "platform/StopRequest.h"

#include "platform/StopSignals.h"

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <ctime>
#include <poll.h>

namespace torvane {

namespace {
std::atomic<const volatile std::sig_atomic_t*> g_flag{nullptr};
std::atomic<std::int64_t> g_firstSeenMs{-1};
std::atomic<int> g_graceMs{1000};

std::int64_t MonotonicMs() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return std::int64_t{now.tv_sec} * 1000 + now.tv_nsec / 1000000;
}

bool Asked() {
    const auto* flag = g_flag.load();
    if (!flag) flag = StopSignalFlag();
    if (flag && *flag) return true;
    sigset_t pending;
    if (::sigpending(&pending) != 0) return false;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        if (::sigismember(&pending, signal) == 1) return true;
    return false;
}
} // namespace

void SetStopRequestFlag(const volatile std::sig_atomic_t* flag) {
    g_flag.store(flag);
}

bool StopRequested() {
    if (!Asked()) {
        g_firstSeenMs.store(-1);
        return false;
    }
    std::int64_t unseen = -1;
    g_firstSeenMs.compare_exchange_strong(unseen, MonotonicMs());
    return true;
}

bool StopGraceOver() {
    if (!StopRequested()) return false;
    return MonotonicMs() - g_firstSeenMs.load() >= g_graceMs.load();
}

void SetStopGraceMs(int ms) {
    g_graceMs.store(ms);
}

bool WaitUntilWritable(int fd) {
    for (;;) {
        pollfd p{fd, POLLOUT, 0};
        const int n = ::poll(&p, 1, 100);
        // Ready, or an error or a hang-up that the next write reports.
        if (n > 0) return true;
        if (n < 0 && errno != EINTR) return true;
        if (StopGraceOver()) return false;
    }
}

void NapMs(int ms) {
    const timespec pause{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
    ::nanosleep(&pause, nullptr);
}

} // namespace torvane
