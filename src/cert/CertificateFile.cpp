#include "cert/CertificateFile.h"

#include "platform/Error.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace torvane::cert {

std::string ReadWholeFile(const std::string& path, std::size_t limit) {
    // Opened without waiting: a named pipe nobody writes to reads as empty instead of stopping the
    // program. Reads wait as usual afterwards.
    int fd = -1;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    int error = errno;
    struct stat st {};
    if (fd >= 0 && (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode))) {
        error = S_ISDIR(st.st_mode) ? EISDIR : errno;
        ::close(fd);
        fd = -1;
    }
    if (fd < 0) throw EFOpenError(path, error);
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);

    std::string data;
    char buffer[65536];
    while (data.size() <= limit) {
        const std::size_t room = limit + 1 - data.size();
        const auto n = ::read(fd, buffer, std::min(room, sizeof buffer));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            throw EReadError("Cannot read file " + path + ": " + std::strerror(error));
        }
        if (n == 0) break;
        data.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return data;
}

} // namespace torvane::cert
