#pragma once
// A folder that refuses writes for as long as this object lives: made immutable where the system lets the
// test (root writes through permissions, but not into an immutable folder), read-only by its mode
// otherwise. Where neither makes it refuse, Refusal() is 0 and the test has nothing to check.

#include <cerrno>
#include <fcntl.h>
#include <linux/fs.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace torvane::test {

class UnwritableFolder {
public:
    explicit UnwritableFolder(std::string path) : path_(std::move(path)) {
        fd_ = ::open(path_.c_str(), O_RDONLY | O_DIRECTORY);
        if (fd_ >= 0 && ::ioctl(fd_, FS_IOC_GETFLAGS, &flags_) == 0) {
            int set = flags_ | FS_IMMUTABLE_FL;
            immutable_ = ::ioctl(fd_, FS_IOC_SETFLAGS, &set) == 0;
        }
        if (!immutable_) ::chmod(path_.c_str(), 0500);
        if (::access(path_.c_str(), W_OK) != 0)
            refusal_ = errno;
        else if (immutable_)
            refusal_ = EPERM;
    }
    ~UnwritableFolder() {
        if (immutable_) ::ioctl(fd_, FS_IOC_SETFLAGS, &flags_);
        ::chmod(path_.c_str(), 0700);
        if (fd_ >= 0) ::close(fd_);
    }
    UnwritableFolder(const UnwritableFolder&) = delete;
    UnwritableFolder& operator=(const UnwritableFolder&) = delete;

    // The system's error number for a write there, or 0 when the folder could not be made to refuse.
    int Refusal() const { return refusal_; }

private:
    std::string path_;
    int fd_ = -1;
    int flags_ = 0;
    bool immutable_ = false;
    int refusal_ = 0;
};

} // namespace torvane::test
