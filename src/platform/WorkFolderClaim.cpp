#include "platform/WorkFolderClaim.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace torvane {

TWorkFolderClaim::TWorkFolderClaim(const std::string& path) : path_(path) {
    fd_ = ::open(path.empty() ? "." : path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0) return;
    int r;
    do {
        r = ::flock(fd_, LOCK_EX | LOCK_NB);
    } while (r != 0 && errno == EINTR);
    if (r == 0) return;
    busy_ = errno == EWOULDBLOCK;
    ::close(fd_);
    fd_ = -1;
}

TWorkFolderClaim::~TWorkFolderClaim() {
    if (fd_ >= 0) ::close(fd_);
}

std::optional<std::string> FolderWriteProblem(const std::string& path) {
    if (::faccessat(AT_FDCWD, path.empty() ? "." : path.c_str(), W_OK | X_OK, AT_EACCESS) == 0)
        return std::nullopt;
    return std::string(std::strerror(errno));
}

} // namespace torvane
