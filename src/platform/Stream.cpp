#include "platform/Stream.h"

#include "platform/Error.h"
#include "platform/StopRequest.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace torvane {

std::int64_t TStream::Size() {
    const auto here = Seek(0, SeekOrigin::Current);
    const auto end = Seek(0, SeekOrigin::End);
    Seek(here, SeekOrigin::Begin);
    return end;
}

void TStream::ReadBuffer(void* buffer, std::int64_t count) {
    auto* p = static_cast<std::uint8_t*>(buffer);
    while (count > 0) {
        const auto n = Read(p, count);
        if (n <= 0) throw EReadError();
        p += n;
        count -= n;
    }
}

void TStream::WriteBuffer(const void* buffer, std::int64_t count) {
    const auto* p = static_cast<const std::uint8_t*>(buffer);
    while (count > 0) {
        const auto n = Write(p, count);
        if (n <= 0) throw EWriteError();
        p += n;
        count -= n;
    }
}

TFileStream::TFileStream(const std::string& fileName, FileMode mode) : fileName_(fileName) {
    int flags = O_CLOEXEC;
    switch (mode) {
    case FileMode::OpenRead:
        flags |= O_RDONLY;
        break;
    case FileMode::OpenReadWrite:
        flags |= O_RDWR;
        break;
    case FileMode::Create:
        flags |= O_RDWR | O_CREAT | O_TRUNC;
        break;
    case FileMode::Append:
        flags |= O_WRONLY | O_CREAT | O_APPEND;
        break;
    }
    do {
        fd_ = ::open(fileName.c_str(), flags, 0666);
    } while (fd_ < 0 && errno == EINTR);
    int error = errno;
    if (fd_ >= 0) {
        struct stat st {};
        if (::fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
            ::close(fd_);
            fd_ = -1;
            error = EISDIR;
        }
    }
    if (fd_ < 0) {
        if (mode == FileMode::Create) throw EFCreateError(fileName, error);
        throw EFOpenError(fileName, error);
    }
}

TFileStream::TFileStream(int fd, const std::string& fileName, bool owned)
    : fileName_(fileName), fd_(fd), owned_(owned) {}

TFileStream::~TFileStream() {
    if (owned_ && fd_ >= 0) ::close(fd_);
}

std::int64_t TFileStream::Read(void* buffer, std::int64_t count) {
    if (count <= 0) return 0;
    for (;;) {
        const auto n = ::read(fd_, buffer, static_cast<size_t>(count));
        if (n >= 0) return n;
        if (const int error = errno; error != EINTR)
            throw EReadError(std::string("Read error on ") + fileName_ + ": " + std::strerror(error), error);
    }
}

std::int64_t TFileStream::Write(const void* buffer, std::int64_t count) {
    if (count <= 0) return 0;
    for (;;) {
        const auto n = ::write(fd_, buffer, static_cast<size_t>(count));
        if (n >= 0) return n;
        const int error = errno;
        if (error == EINTR) continue;
        // A non-blocking FIFO whose reader is slow: waited for, as long as the program goes on.
        if (error == EAGAIN && WaitUntilWritable(fd_)) continue;
        throw EWriteError(std::string("Write error on ") + fileName_ + ": " +
                              (error == EAGAIN
                                   ? "nothing took what was written before the program was asked to stop"
                                   : std::strerror(error)),
                          error);
    }
}

std::int64_t TFileStream::Seek(std::int64_t offset, SeekOrigin origin) {
    const int whence = origin == SeekOrigin::Begin     ? SEEK_SET
                       : origin == SeekOrigin::Current ? SEEK_CUR
                                                       : SEEK_END;
    const auto r = ::lseek(fd_, offset, whence);
    if (r < 0) throw EReadError(std::string("Seek error on ") + fileName_ + ": " + std::strerror(errno));
    return r;
}

void TFileStream::SetSize(std::int64_t newSize) {
    if (::ftruncate(fd_, newSize) != 0)
        throw EWriteError(std::string("Cannot set the size of ") + fileName_ + ": " + std::strerror(errno));
    if (Position() > newSize) Seek(newSize, SeekOrigin::Begin);
}

std::int64_t TFileStream::KnownSize() {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return -1;
    // /dev/zero and the like accept seeks and claim to be empty, so only the file type can tell.
    if (S_ISREG(st.st_mode)) return st.st_size;
    if (S_ISBLK(st.st_mode)) return Size();
    return -1;
}

void TFileStream::Flush() {
    // Data written with write(2) is already in the kernel; nothing is buffered here.
}

std::int64_t TMemoryStream::Read(void* buffer, std::int64_t count) {
    const auto size = static_cast<std::int64_t>(data_.size());
    if (count <= 0 || position_ >= size) return 0;
    const auto n = std::min(count, size - position_);
    std::memcpy(buffer, data_.data() + position_, static_cast<size_t>(n));
    position_ += n;
    return n;
}

std::int64_t TMemoryStream::Write(const void* buffer, std::int64_t count) {
    if (count <= 0) return 0;
    const auto end = position_ + count;
    if (end > static_cast<std::int64_t>(data_.size())) data_.resize(static_cast<size_t>(end));
    std::memcpy(data_.data() + position_, buffer, static_cast<size_t>(count));
    position_ = end;
    return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, SeekOrigin origin) {
    std::int64_t base = 0;
    if (origin == SeekOrigin::Current) base = position_;
    if (origin == SeekOrigin::End) base = static_cast<std::int64_t>(data_.size());
    const auto target = base + offset;
    if (target < 0) throw EReadError("Seek before the beginning of a memory stream");
    position_ = target;
    return position_;
}

void TMemoryStream::SetSize(std::int64_t newSize) {
    data_.resize(static_cast<size_t>(std::max<std::int64_t>(0, newSize)));
    position_ = std::min(position_, newSize);
}

} // namespace torvane
