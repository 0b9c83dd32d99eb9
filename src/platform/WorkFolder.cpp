#include "platform/WorkFolder.h"

#include "platform/Error.h"
#include "platform/Files.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace torvane {

namespace {

int OpenFlags(FileMode mode) {
    switch (mode) {
    case FileMode::OpenRead:
        return O_RDONLY;
    case FileMode::OpenReadWrite:
        return O_RDWR;
    case FileMode::Create:
        return O_RDWR | O_TRUNC;
    case FileMode::Append:
        return O_WRONLY | O_APPEND;
    }
    return O_RDONLY;
}

int OpenAt(int dir, const std::string& name, int flags, mode_t mode = 0) {
    int fd;
    do {
        fd = ::openat(dir, name.c_str(), flags | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

} // namespace

TWorkFolder::TWorkFolder(std::string path) : path_(std::move(path)) {
    fd_ = ::open(path_.empty() ? "." : path_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0) openError_ = errno;
}

TWorkFolder::~TWorkFolder() {
    for (const auto& [name, fd] : created_) ::close(fd);
    if (fd_ >= 0) ::close(fd_);
}

void TWorkFolder::Forget(const std::string& name) {
    const auto known = created_.find(name);
    if (known == created_.end()) return;
    ::close(known->second);
    created_.erase(known);
}

bool TWorkFolder::Delete(const std::string& name) {
    Forget(name);
    if (fd_ < 0) return true;
    return ::unlinkat(fd_, name.c_str(), 0) == 0 || errno == ENOENT;
}

std::unique_ptr<TFileStream> TWorkFolder::Create(const std::string& name) {
    if (fd_ < 0) throw EFCreateError(PathOf(name), openError_);
    // O_EXCL refuses any name that is taken, a symbolic link (even a dangling one) included.
    const int fd = OpenAt(fd_, name, O_RDWR | O_CREAT | O_EXCL, 0600);
    if (fd < 0) throw EFCreateError(PathOf(name), errno);
    const int pin = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (pin < 0) {
        const int error = errno;
        ::close(fd);
        throw EFCreateError(PathOf(name), error);
    }
    Forget(name);
    created_[name] = pin;
    return std::make_unique<TFileStream>(fd, PathOf(name), true);
}

std::unique_ptr<TFileStream> TWorkFolder::Open(const std::string& name, FileMode mode) {
    const auto known = created_.find(name);
    if (fd_ < 0) throw EFOpenError(PathOf(name), openError_);
    if (known == created_.end()) throw EFOpenError(PathOf(name));
    const int fd = OpenAt(fd_, name, OpenFlags(mode));
    if (fd < 0) throw EFOpenError(PathOf(name), errno);
    struct stat now {};
    struct stat made {};
    if (::fstat(fd, &now) != 0 || ::fstat(known->second, &made) != 0 || !S_ISREG(now.st_mode) ||
        now.st_dev != made.st_dev || now.st_ino != made.st_ino) {
        ::close(fd);
        throw EFOpenError(PathOf(name));
    }
    return std::make_unique<TFileStream>(fd, PathOf(name), true);
}

std::optional<std::string> TWorkFolder::CreateFolder(const std::string& name) {
    const auto problem = [&](int error) {
        return "cannot make the work folder " + PathOf(name) + ": " + std::strerror(error);
    };
    if (fd_ < 0) return problem(openError_);
    if (::mkdirat(fd_, name.c_str(), 0700) == 0) return std::nullopt;
    if (errno != EEXIST) return problem(errno);
    struct stat st {};
    if (::fstatat(fd_, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return problem(errno);
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) return problem(EEXIST);
    return std::nullopt;
}

bool TWorkFolder::DeleteFolder(const std::string& name) {
    if (fd_ < 0) return false;
    return ::unlinkat(fd_, name.c_str(), AT_REMOVEDIR) == 0 || errno == ENOENT;
}

std::string PrivateWorkDirectory() {
    std::string base;
    if (const char* x = std::getenv("XDG_CACHE_HOME"); x && *x == '/')
        base = x;
    else if (const char* h = std::getenv("HOME"); h && *h)
        base = std::string(h) + "/.cache";
    else
        return SystemTempDirectory();
    // Each missing part is made for the user alone; parts that exist keep their rights.
    std::string dir;
    for (const std::string& part : {base, std::string("Quarnett"), std::string("Torvane Test")}) {
        dir += part;
        if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return SystemTempDirectory();
        dir += "/";
    }
    return DirectoryExists(dir) ? dir : SystemTempDirectory();
}

} // namespace torvane
