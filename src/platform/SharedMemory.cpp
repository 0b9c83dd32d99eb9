#include "platform/SharedMemory.h"

#include "platform/Error.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace torvane {

namespace {

// Read-only and non-blocking: a reader must never hang, even on a pipe that another user put under the
// block's name.
int OpenForReading(const std::string& name) {
    return ::shm_open(name.c_str(), O_RDONLY | O_NONBLOCK, 0);
}

// Whether the name still leads to the object open as fd.
bool NameLeadsTo(const std::string& name, int fd) {
    const int other = OpenForReading(name);
    if (other < 0) return false;
    struct stat a {};
    struct stat b {};
    const bool same =
        ::fstat(fd, &a) == 0 && ::fstat(other, &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
    ::close(other);
    return same;
}

[[noreturn]] void Refuse(const std::string& name, const std::string& reason) {
    throw Exception("Cannot publish the shared memory block " + name + ": " + reason);
}

} // namespace

TSharedMemoryView::TSharedMemoryView(const std::string& name) : fd_(OpenForReading(name)) {}

TSharedMemoryView::~TSharedMemoryView() {
    if (data_) ::munmap(const_cast<std::uint8_t*>(data_), size_);
    if (fd_ >= 0) ::close(fd_);
}

bool TSharedMemoryView::Map() {
    if (fd_ < 0 || data_) return data_ != nullptr;
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0) return false;
    const auto size = static_cast<std::size_t>(st.st_size);
    void* view = ::mmap(nullptr, size, PROT_READ, MAP_SHARED, fd_, 0);
    if (view == MAP_FAILED) return false;
    data_ = static_cast<const std::uint8_t*>(view);
    size_ = size;
    owner_ = st.st_uid;
    return true;
}

bool TSharedMemoryView::Exists(const std::string& name) {
    return TSharedMemoryView(name).IsOpen();
}

TSharedMemoryBlock::TSharedMemoryBlock(const std::string& name, std::size_t size) : name_(name) {
    // A publisher that is just ending may remove the name between our open and our lock; then the lock
    // holds a block nobody can find, and we start again.
    for (int attempt = 0; attempt < 5 && fd_ < 0; ++attempt) {
        const int fd = ::shm_open(name.c_str(), O_RDWR | O_CREAT, 0644);
        if (fd < 0) Refuse(name, std::strerror(errno));
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            ::close(fd);
            Refuse(name, error == EWOULDBLOCK ? "another process publishes it" : std::strerror(error));
        }
        if (NameLeadsTo(name, fd))
            fd_ = fd;
        else
            ::close(fd);
    }
    if (fd_ < 0) Refuse(name, "it keeps being removed while it is created");

    struct stat st {};
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd_);
        Refuse(name, "the name is taken by something else");
    }
    // Readers of other users see the temperatures; the creation mode is cut by the umask.
    ::fchmod(fd_, 0644);
    // A block left behind by a killed publisher is never made smaller: a reader that mapped it at its old
    // size would fault on the pages cut off.
    size_ = std::max(size, static_cast<std::size_t>(st.st_size));
    if (static_cast<std::size_t>(st.st_size) < size_ && ::ftruncate(fd_, static_cast<off_t>(size_)) != 0) {
        const int error = errno;
        ::close(fd_);
        Refuse(name, std::strerror(error));
    }
    void* view = ::mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0);
    if (view == MAP_FAILED) {
        const int error = errno;
        ::close(fd_);
        Refuse(name, std::strerror(error));
    }
    data_ = static_cast<std::uint8_t*>(view);
    std::memset(data_, 0, size_);
}

TSharedMemoryBlock::~TSharedMemoryBlock() {
    if (NameLeadsTo(name_, fd_)) ::shm_unlink(name_.c_str());
    ::munmap(data_, size_);
    ::close(fd_);
}

} // namespace torvane
