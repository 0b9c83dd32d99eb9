#pragma once
// A FIFO for a test whose threads wait to open it. If the code under test never opens its end (it replaced
// the FIFO, or failed first), the waiting thread would wait for ever; Release() opens both ends once
// without blocking, so that the test fails instead of hanging.

#include <csignal>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace torvane::test {

class TestFifo {
public:
    // Makes the FIFO at path; Made() tells whether that worked.
    explicit TestFifo(std::string path) : path_(std::move(path)) {
        if (::mkfifo(path_.c_str(), 0600) == 0) inode_ = ::open(path_.c_str(), O_PATH | O_CLOEXEC);
        // A writer released this way finds no reader: it gets EPIPE instead of a signal that ends the test.
        previous_ = std::signal(SIGPIPE, SIG_IGN);
    }
    ~TestFifo() {
        if (inode_ >= 0) ::close(inode_);
        std::signal(SIGPIPE, previous_);
    }
    TestFifo(const TestFifo&) = delete;
    TestFifo& operator=(const TestFifo&) = delete;

    bool Made() const { return inode_ >= 0; }
    const std::string& Path() const { return path_; }

    // Through the FIFO's own inode, which stays reachable even when its name now leads elsewhere.
    void Release() const {
        const auto self = "/proc/self/fd/" + std::to_string(inode_);
        for (const int flags : {O_WRONLY | O_NONBLOCK, O_RDONLY | O_NONBLOCK}) {
            const int fd = ::open(self.c_str(), flags | O_CLOEXEC);
            if (fd >= 0) ::close(fd);
        }
    }

private:
    std::string path_;
    int inode_ = -1;
    void (*previous_)(int) = SIG_DFL;
};

} // namespace torvane::test
