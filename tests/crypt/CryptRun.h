#pragma once
// Runs torvane-crypt command lines in-process, with string streams (or a descriptor) for the standard
// streams.

#include "Commands.h"
#include "StandardStreams.h"

#include "platform/Clock.h"

#include <fcntl.h>
#include <sstream>
#include <string>
#include <unistd.h>

namespace torvane::test {

struct CryptRun {
    int status = -1;
    std::string out, err;
};

struct CryptOptions {
    std::string input;
    bool terminal = false;          // standard error is a terminal
    const MsClock* clock = nullptr; // for the progress bar
};

inline CryptRun Crypt(const crypt::CommandArgs& args, const CryptOptions& options = {}) {
    std::istringstream in(options.input);
    std::ostringstream out, err;
    crypt::CommandIO io{in, out, err, options.terminal, options.clock};
    CryptRun r;
    r.status = crypt::RunCommandLine(args, io);
    r.out = out.str();
    r.err = err.str();
    return r;
}

// A command line whose standard output is the device at path (/dev/full): what it said on standard error.
inline CryptRun CryptIntoDevice(const crypt::CommandArgs& args, const char* path,
                                const std::string& input = "") {
    CryptRun r;
    const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0) return r;
    {
        crypt::TDescriptorBuffer buffer(fd, crypt::TDescriptorBuffer::Direction::Write);
        std::ostream out(&buffer);
        std::istringstream in(input);
        std::ostringstream err;
        crypt::CommandIO io{in, out, err};
        r.status = crypt::RunCommandLine(args, io);
        r.err = err.str();
    }
    ::close(fd);
    return r;
}

// A clock that moves on by step milliseconds each time it is read: every progress report is later than
// the one before.
class TickingClock final : public MsClock {
public:
    explicit TickingClock(std::int64_t step) : step_(step) {}
    std::int64_t Now() const override { return now_ += step_; }
    void Sleep(std::int64_t ms) override { now_ += ms; }

private:
    std::int64_t step_;
    mutable std::int64_t now_ = 0;
};

} // namespace torvane::test
