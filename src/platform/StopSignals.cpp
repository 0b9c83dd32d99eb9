#include "platform/StopSignals.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace torvane {

namespace {

constexpr int Signals[] = {SIGINT, SIGTERM, SIGHUP};

int g_pipe[2] = {-1, -1};
volatile std::sig_atomic_t g_caught = 0;
bool g_ignored[3] = {false, false, false};
bool g_handled[3] = {false, false, false};

int IndexOf(int signal) {
    for (int i = 0; i < 3; ++i)
        if (Signals[i] == signal) return i;
    return -1;
}

extern "C" void OnStopSignal(int signal) {
    const int saved = errno;
    g_caught = 1;
    const char byte = static_cast<char>(signal);
    [[maybe_unused]] const auto n = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

} // namespace

sigset_t StopSignalSet() {
    sigset_t set;
    sigemptyset(&set);
    for (int s : Signals) sigaddset(&set, s);
    return set;
}

void BlockStopSignals() {
    const sigset_t set = StopSignalSet();
    ::sigprocmask(SIG_BLOCK, &set, nullptr);
}

void UnblockStopSignals() {
    const sigset_t set = StopSignalSet();
    ::sigprocmask(SIG_UNBLOCK, &set, nullptr);
}

bool CatchStopSignals() {
    // Blocked while the handlers go in, whatever the caller did before: none may come half installed.
    BlockStopSignals();
    if (g_pipe[0] < 0 && ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        g_pipe[0] = g_pipe[1] = -1;
        UnblockStopSignals();
        return false;
    }
    struct sigaction sa {};
    sa.sa_handler = OnStopSignal;
    // One handler at a time: a second signal waits until the first has written its byte.
    sa.sa_mask = StopSignalSet();
    sa.sa_flags = SA_RESTART;
    for (int i = 0; i < 3; ++i) {
        struct sigaction old {};
        ::sigaction(Signals[i], nullptr, &old);
        if (!g_handled[i]) g_ignored[i] = old.sa_handler == SIG_IGN;
        if (g_ignored[i]) continue;
        ::sigaction(Signals[i], &sa, nullptr);
        g_handled[i] = true;
    }
    UnblockStopSignals();
    return true;
}

int StopSignalFd() {
    return g_pipe[0];
}

bool StopSignalCaught() {
    return g_caught != 0;
}

const volatile std::sig_atomic_t* StopSignalFlag() {
    return &g_caught;
}

bool IgnoredAtStart(int signal) {
    const int i = IndexOf(signal);
    if (i < 0) return false;
    if (g_handled[i] || g_ignored[i]) return g_ignored[i];
    struct sigaction old {};
    ::sigaction(signal, nullptr, &old);
    return old.sa_handler == SIG_IGN;
}

void RestoreDefaultStopSignals() {
    for (int i = 0; i < 3; ++i)
        if (g_handled[i]) {
            std::signal(Signals[i], SIG_DFL);
            g_handled[i] = false;
        }
}

} // namespace torvane
