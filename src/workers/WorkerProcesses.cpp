#include "workers/WorkerProcesses.h"

#include "platform/StopSignals.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace torvane::app {

namespace {

void CloseFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

// Up to this much of a line without its newline is kept; a longer one is handed over in pieces, so that a
// worker that writes without end cannot take the supervisor's memory.
constexpr std::size_t MaxLine = 1 << 20;

} // namespace

WorkerProcesses::WorkerProcesses(std::vector<WorkerCommand> commands) {
    for (auto& c : commands) workers_.push_back(Worker{std::move(c), -1, {}, false});
}

WorkerProcesses::~WorkerProcesses() {
    for (std::size_t i = 0; i < workers_.size(); ++i) {
        auto& w = workers_[i];
        for (auto& p : w.Pipes) CloseFd(p.Fd);
        if (w.Pid > 0 && !w.Ended) {
            ::kill(w.Pid, SIGKILL);
            while (::waitpid(w.Pid, nullptr, 0) < 0 && errno == EINTR) {
            }
        }
    }
}

std::optional<std::string> WorkerProcesses::Start() {
    const pid_t supervisor = ::getpid();
    for (std::size_t i = 0; i < workers_.size(); ++i) {
        auto& w = workers_[i];
        int fds[3][2];
        for (int c = 0; c < 3; ++c) {
            if (::pipe2(fds[c], O_CLOEXEC) != 0) {
                const std::string reason = std::strerror(errno);
                for (int k = 0; k < c; ++k) {
                    ::close(fds[k][0]);
                    ::close(fds[k][1]);
                }
                return "cannot start worker " + std::to_string(i) + ": " + reason;
            }
        }
        // Everything the child needs is made before the fork: after it only system calls follow.
        std::vector<char*> argv;
        for (auto& a : w.Command.Argv) argv.push_back(a.data());
        argv.push_back(nullptr);
        // From the fork until the worker has its own handlers, the stop signals wait: a stop sent to the
        // whole process group while the workers start (timeout, Slurm, Ctrl-C) reaches each worker as an
        // ordinary request once it can take one, never as the default action that kills it, and the
        // supervisor's handlers never run in a child that has not become the worker yet.
        const sigset_t stopSignals = StopSignalSet();
        sigset_t parentMask;
        ::pthread_sigmask(SIG_BLOCK, &stopSignals, &parentMask);
        const pid_t pid = ::fork();
        if (pid == 0) {
            // Ends with its supervisor, the ordinary way, whatever ended the supervisor.
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            if (::getppid() != supervisor) ::_exit(125);
            for (int c = 0; c < 3; ++c)
                ::dup2(fds[c][1], c == 0 ? STDOUT_FILENO : c == 1 ? STDERR_FILENO : WorkerEventsFd);
            int stdinFd = ::open("/dev/null", O_RDONLY);
            if (stdinFd >= 0 && stdinFd != STDIN_FILENO) {
                ::dup2(stdinFd, STDIN_FILENO);
                ::close(stdinFd);
            }
            // Nothing else of the supervisor's mask goes on to the worker.
            ::sigprocmask(SIG_SETMASK, &stopSignals, nullptr);
            ::execv(argv[0], argv.data());
            const char* reason = std::strerror(errno);
            [[maybe_unused]] auto n = ::write(STDERR_FILENO, "cannot run ", 11);
            n = ::write(STDERR_FILENO, argv[0], std::strlen(argv[0]));
            n = ::write(STDERR_FILENO, ": ", 2);
            n = ::write(STDERR_FILENO, reason, std::strlen(reason));
            n = ::write(STDERR_FILENO, "\n", 1);
            ::_exit(127);
        }
        const int forkError = errno;
        ::pthread_sigmask(SIG_SETMASK, &parentMask, nullptr);
        for (int c = 0; c < 3; ++c) {
            ::close(fds[c][1]);
            if (pid < 0) {
                ::close(fds[c][0]);
                continue;
            }
            ::fcntl(fds[c][0], F_SETFL, O_NONBLOCK);
            w.Pipes[c].Fd = fds[c][0];
        }
        if (pid < 0) {
            for (std::size_t k = 0; k < i; ++k) ::kill(workers_[k].Pid, SIGKILL);
            return "cannot start worker " + std::to_string(i) + ": " + std::strerror(forkError);
        }
        w.Pid = pid;
    }
    return std::nullopt;
}

bool WorkerProcesses::Running(int index) const {
    const auto& w = workers_[static_cast<std::size_t>(index)];
    return w.Pid > 0 && !w.Ended;
}

bool WorkerProcesses::AllEnded() const {
    for (const auto& w : workers_)
        if (w.Pid > 0 && !w.Ended) return false;
    return true;
}

void WorkerProcesses::Signal(int index, int signal) {
    if (Running(index)) ::kill(workers_[static_cast<std::size_t>(index)].Pid, signal);
}

void WorkerProcesses::Serve(int timeoutMs, int wakeFd) {
    std::vector<pollfd> polled;
    std::vector<std::pair<int, int>> owners; // worker, channel
    bool waitingForEnd = false;
    for (std::size_t i = 0; i < workers_.size(); ++i) {
        auto& w = workers_[i];
        bool open = false;
        for (int c = 0; c < 3; ++c) {
            if (w.Pipes[c].Fd < 0) continue;
            polled.push_back({w.Pipes[c].Fd, POLLIN, 0});
            owners.emplace_back(static_cast<int>(i), c);
            open = true;
        }
        if (!open && w.Pid > 0 && !w.Ended) waitingForEnd = true;
    }
    if (wakeFd >= 0) polled.push_back({wakeFd, POLLIN, 0});
    // A worker whose channels are all closed is about to end (or has): look again soon.
    if (waitingForEnd && (timeoutMs < 0 || timeoutMs > 20)) timeoutMs = 20;
    if (::poll(polled.data(), polled.size(), timeoutMs) > 0) {
        for (std::size_t k = 0; k < owners.size(); ++k)
            if (polled[k].revents) Read(owners[k].first, owners[k].second);
    }
    for (std::size_t i = 0; i < workers_.size(); ++i) Collect(static_cast<int>(i));
}

void WorkerProcesses::Read(int index, int channel) {
    auto& pipe = workers_[static_cast<std::size_t>(index)].Pipes[channel];
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(pipe.Fd, buf, sizeof buf);
        if (n > 0) {
            pipe.Pending.append(buf, static_cast<std::size_t>(n));
            Drain(index, channel, false);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
        // The end of the channel: the worker has ended or closed it.
        Drain(index, channel, true);
        CloseFd(pipe.Fd);
        return;
    }
}

void WorkerProcesses::Drain(int index, int channel, bool atEnd) {
    auto& pending = workers_[static_cast<std::size_t>(index)].Pipes[channel].Pending;
    const auto kind = static_cast<Channel>(channel);
    std::size_t start = 0;
    for (std::size_t nl; (nl = pending.find('\n', start)) != std::string::npos; start = nl + 1)
        if (OnLine) OnLine(index, kind, std::string_view(pending).substr(start, nl - start));
    pending.erase(0, start);
    if (pending.empty()) return;
    if (atEnd || pending.size() >= MaxLine) {
        // A torn event is left out, and said so where the worker's other words go.
        if (OnLine && kind == Channel::Events && atEnd)
            OnLine(index, Channel::Errors,
                   "its last event was cut short (" + std::to_string(pending.size()) +
                       " bytes without a newline) and is left out");
        else if (OnLine)
            OnLine(index, kind, pending);
        pending.clear();
    }
}

void WorkerProcesses::Collect(int index) {
    auto& w = workers_[static_cast<std::size_t>(index)];
    if (w.Pid <= 0 || w.Ended) return;
    for (const auto& p : w.Pipes)
        if (p.Fd >= 0) return; // its output first
    int status = 0;
    const pid_t r = ::waitpid(w.Pid, &status, WNOHANG);
    if (r == 0 || (r < 0 && errno == EINTR)) return;
    w.Ended = true;
    Exit exit;
    if (r > 0 && WIFSIGNALED(status)) {
        exit.Signalled = true;
        exit.Code = WTERMSIG(status);
    } else if (r > 0) {
        exit.Code = WEXITSTATUS(status);
    } else {
        exit.Code = 127;
    }
    if (OnExit) OnExit(index, exit);
}

} // namespace torvane::app
