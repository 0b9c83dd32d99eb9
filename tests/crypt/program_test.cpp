// The program itself, started as a process and ended by its process id: signals in the middle of a long
// run, standard streams as the system hands them over (pipes, a closed descriptor, /dev/stdout) and the
// file-size limit.

#include "common/RandomBytes.h"
#include "common/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace torvane::test;
using Bytes = std::vector<std::uint8_t>;

namespace {

constexpr int kPipe = -2;   // the test reads the child's stream through a pipe
constexpr int kClosed = -1; // the child starts with the descriptor closed

struct Launch {
    std::vector<std::string> args; // after the program's name
    int in = kClosed;              // a descriptor for its standard input, or /dev/null
    int out = kPipe;               // kPipe, kClosed or a descriptor
    rlim_t fileSizeLimit = RLIM_INFINITY;
};

// One run of torvane-crypt. The destructor ends a run that a failed assertion left behind.
class Child {
public:
    explicit Child(const Launch& launch) {
        int outPipe[2] = {-1, -1}, errPipe[2] = {-1, -1};
        if (launch.out == kPipe && ::pipe2(outPipe, O_CLOEXEC) != 0) return;
        if (::pipe2(errPipe, O_CLOEXEC) != 0) return;
        std::vector<std::string> argv{TORVANE_CRYPT_PROGRAM};
        argv.insert(argv.end(), launch.args.begin(), launch.args.end());
        std::vector<char*> cargv;
        for (auto& a : argv) cargv.push_back(a.data());
        cargv.push_back(nullptr);
        pid_ = ::fork();
        if (pid_ == 0) {
            const int in = launch.in >= 0 ? launch.in : ::open("/dev/null", O_RDONLY);
            ::dup2(in, STDIN_FILENO);
            if (launch.out == kPipe)
                ::dup2(outPipe[1], STDOUT_FILENO);
            else if (launch.out == kClosed)
                ::close(STDOUT_FILENO);
            else
                ::dup2(launch.out, STDOUT_FILENO);
            ::dup2(errPipe[1], STDERR_FILENO);
            const rlimit noCore{0, 0}, fileSize{launch.fileSizeLimit, launch.fileSizeLimit};
            ::setrlimit(RLIMIT_CORE, &noCore); // SIGQUIT would leave a core file
            ::setrlimit(RLIMIT_FSIZE, &fileSize);
            ::execv(cargv[0], cargv.data());
            ::_exit(127);
        }
        if (outPipe[1] >= 0) ::close(outPipe[1]);
        ::close(errPipe[1]);
        out_ = outPipe[0];
        err_ = errPipe[0];
    }
    ~Child() {
        if (pid_ > 0 && !waited_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        for (const int fd : {out_, err_})
            if (fd >= 0) ::close(fd);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    pid_t Pid() const { return pid_; }

    // What the process has read or written so far ("rchar", "wchar" of /proc/PID/io).
    std::int64_t IoCount(const std::string& counter) const {
        std::ifstream io("/proc/" + std::to_string(pid_) + "/io");
        std::string name;
        std::int64_t value = 0;
        while (io >> name >> value)
            if (name == counter + ":") return value;
        return -1;
    }

    // Waits until the process has moved that many bytes: the run is well under way.
    bool WaitForIo(const std::string& counter, std::int64_t bytes) const {
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (IoCount(counter) < bytes) {
            if (std::chrono::steady_clock::now() > giveUp) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }

    // Reads standard output and error to their ends, then the exit status.
    int Finish() {
        out = Drain(out_);
        err = Drain(err_);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        waited_ = true;
        return status;
    }

    std::string out, err;

private:
    static std::string Drain(int fd) {
        std::string text;
        char buffer[65536];
        for (ssize_t n; fd >= 0 && (n = ::read(fd, buffer, sizeof buffer)) != 0;)
            if (n > 0)
                text.append(buffer, static_cast<std::size_t>(n));
            else if (errno != EINTR)
                break;
        return text;
    }

    pid_t pid_ = -1;
    int out_ = -1, err_ = -1;
    bool waited_ = false;
};

bool ExitedWith(int status, int code) {
    return WIFEXITED(status) && WEXITSTATUS(status) == code;
}

bool EndedBy(int status, int signal) {
    return WIFSIGNALED(status) && WTERMSIG(status) == signal;
}

std::vector<std::string> Entries(const TempDir& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.Path()))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

const std::vector<std::string> kRijndael = {"--algo", "Rijndael", "--key-hex",
                                            "000102030405060708090A0B0C0D0E0F"};

std::vector<std::string> Encrypt(const std::string& in, const std::string& out) {
    std::vector<std::string> args{"encrypt"};
    args.insert(args.end(), kRijndael.begin(), kRijndael.end());
    args.insert(args.end(), {in, out});
    return args;
}

TEST(CryptProgram, ASignalInALongEncryptionLeavesTheOldOutputAndNothingElse) {
    TempDir dir;
    const auto out = dir.Write("out", "old");
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGKILL}) {
        Child child({Encrypt("/dev/zero", out)});
        ASSERT_TRUE(child.WaitForIo("wchar", 8 << 20)) << "the encryption did not get going";
        ASSERT_EQ(::kill(child.Pid(), signal), 0);
        const int status = child.Finish();
        EXPECT_TRUE(EndedBy(status, signal))
            << strsignal(signal) << ", status " << status << ": " << child.err;
        EXPECT_EQ(child.err, "");
        std::ifstream kept(out);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "old") << strsignal(signal);
        EXPECT_EQ(Entries(dir), std::vector<std::string>{"out"}) << strsignal(signal);
    }
}

TEST(CryptProgram, AnEndlessInputIsHashedUntilTheProgramIsStopped) {
    Child child({{"hash", "/dev/zero"}});
    ASSERT_TRUE(child.WaitForIo("rchar", 8 << 20));
    ASSERT_EQ(::kill(child.Pid(), SIGINT), 0);
    EXPECT_TRUE(EndedBy(child.Finish(), SIGINT));
    EXPECT_EQ(child.out, "") << "a digest of an endless input can only be wrong";
}

TEST(CryptProgram, TheFileSizeLimitIsAFailureWithItsReason) {
    TempDir dir;
    const auto out = dir.Write("out", "old");
    Child child({Encrypt("/dev/zero", out), kClosed, kPipe, 1 << 20});
    EXPECT_TRUE(ExitedWith(child.Finish(), 1));
    EXPECT_EQ(child.err, "torvane-crypt encrypt: Write error on " + out + ": File too large\n");
    std::ifstream kept(out);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "old");
    EXPECT_EQ(Entries(dir), std::vector<std::string>{"out"});
}

TEST(CryptProgram, AClosedStandardOutputIsAFailure) {
    TempDir dir;
    const auto f = dir.Write("f", "abc");
    for (const auto& args : std::vector<std::vector<std::string>>{{"hash", f}, {"list"}, {"--help"}}) {
        Child child({args, kClosed, kClosed});
        EXPECT_TRUE(ExitedWith(child.Finish(), 1)) << args[0];
        const std::string who = args[0] == "--help" ? "torvane-crypt" : "torvane-crypt " + args[0];
        EXPECT_EQ(child.err, who + ": Write error on standard output: Bad file descriptor\n");
    }
}

// `cat f | torvane-crypt hash`, `... hash -` and `... hash /dev/stdin` all give the digest of f.
TEST(CryptProgram, PipedInputIsHashedLikeTheFile) {
    TempDir dir;
    const Bytes data = RandomBytes(200000, 11); // more than a pipe holds at once
    WriteBytes(dir.Path("f"), data);
    Child reference({{"hash", "--algo", "Message Digest 5", dir.Path("f")}});
    ASSERT_TRUE(ExitedWith(reference.Finish(), 0));
    const auto digest = reference.out.substr(0, 32);
    for (const auto& name : std::vector<std::string>{"", "-", "/dev/stdin"}) {
        int fds[2];
        ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
        std::vector<std::string> args{"hash", "--algo", "Message Digest 5"};
        if (!name.empty()) args.push_back(name);
        Child child({args, fds[0]});
        ::close(fds[0]);
        std::thread writer([&] {
            EXPECT_EQ(::write(fds[1], data.data(), data.size()), static_cast<ssize_t>(data.size()));
            ::close(fds[1]);
        });
        const int status = child.Finish();
        writer.join();
        EXPECT_TRUE(ExitedWith(status, 0)) << name << ": " << child.err;
        EXPECT_EQ(child.out, digest + "  " + (name.empty() ? "-" : name) + "\n");
    }
}

TEST(CryptProgram, StandardOutputByNameIsWrittenAsItIs) {
    TempDir dir;
    WriteBytes(dir.Path("in"), RandomBytes(100000, 12));
    Child reference({Encrypt(dir.Path("in"), dir.Path("expected"))});
    ASSERT_TRUE(ExitedWith(reference.Finish(), 0));
    const auto expected = ReadBytes(dir.Path("expected"));

    // Into a pipe, as "-" and as /dev/stdout.
    for (const char* out : {"-", "/dev/stdout"}) {
        Child child({Encrypt(dir.Path("in"), out)});
        EXPECT_TRUE(ExitedWith(child.Finish(), 0)) << child.err;
        EXPECT_EQ(Bytes(child.out.begin(), child.out.end()), expected) << out;
    }
    // Into a file the shell opened for appending (">>"): appended to, not replaced.
    WriteBytes(dir.Path("log"), {'h', 'e', 'a', 'd'});
    const int log = ::open(dir.Path("log").c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    ASSERT_GE(log, 0);
    {
        Child child({Encrypt(dir.Path("in"), "/dev/stdout"), kClosed, log});
        EXPECT_TRUE(ExitedWith(child.Finish(), 0)) << child.err;
    }
    ::close(log);
    auto appended = ReadBytes(dir.Path("log"));
    ASSERT_GE(appended.size(), 4u);
    EXPECT_EQ(Bytes(appended.begin(), appended.begin() + 4), (Bytes{'h', 'e', 'a', 'd'}));
    EXPECT_EQ(Bytes(appended.begin() + 4, appended.end()), expected);
    EXPECT_EQ(Entries(dir), (std::vector<std::string>{"expected", "in", "log"}));
}

} // namespace
