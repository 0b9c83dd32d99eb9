#include "platform/WorkFolder.h"

#include "platform/Error.h"
#include "platform/Files.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/stat.h>
#include <tuple>
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

// The files this process created, by folder (its device and inode) and name, each with a descriptor that
// is kept until the name is deleted: it tells the file from one put in its place, whose inode number could
// otherwise be the freed number of the first. Kept for the process, so that the folder of one encryption
// cycle knows the files of the cycle before.
class CreatedFiles {
public:
    using Key = std::tuple<dev_t, ino_t, std::string>;

    void Add(const Key& key, int pin) {
        std::lock_guard lock(mutex_);
        Drop(key);
        pins_[key] = pin;
    }
    void Forget(const Key& key) {
        std::lock_guard lock(mutex_);
        Drop(key);
    }
    // Whether the file open as fd is the one created under key.
    bool Holds(const Key& key, const struct stat& now) {
        std::lock_guard lock(mutex_);
        const auto known = pins_.find(key);
        struct stat made {};
        return known != pins_.end() && ::fstat(known->second, &made) == 0 && now.st_dev == made.st_dev &&
               now.st_ino == made.st_ino;
    }
    bool Knows(const Key& key) {
        std::lock_guard lock(mutex_);
        return pins_.count(key) != 0;
    }

private:
    void Drop(const Key& key) {
        const auto known = pins_.find(key);
        if (known == pins_.end()) return;
        ::close(known->second);
        pins_.erase(known);
    }
    std::mutex mutex_;
    std::map<Key, int> pins_;
};

// Never destroyed: the window's shutdown when its display goes away runs among the exit handlers, after
// the destructors of every static first used later than that shutdown was set up, and it still removes
// the run's work files.
CreatedFiles& Created() {
    static CreatedFiles& files = *new CreatedFiles;
    return files;
}

CreatedFiles::Key KeyOf(int folder, const std::string& name) {
    struct stat st {};
    ::fstat(folder, &st);
    return {st.st_dev, st.st_ino, name};
}

} // namespace

TWorkFolder::TWorkFolder(std::string path) : path_(std::move(path)) {
    fd_ = ::open(path_.empty() ? "." : path_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0) openError_ = errno;
}

TWorkFolder::~TWorkFolder() {
    if (fd_ >= 0) ::close(fd_);
}

bool TWorkFolder::Delete(const std::string& name) {
    if (fd_ < 0) return true;
    struct stat st {};
    if (::fstatat(fd_, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return errno == ENOENT;
    const auto key = KeyOf(fd_, name);
    bool ours = Created().Holds(key, st);
    if (!ours) {
        // Not the file this process made: a leftover of an earlier run of this user (one that was killed),
        // or anything else of this user's, is removed where nobody else could have put it, in a folder of
        // this user's that others cannot write.
        struct stat folder {};
        ours = ::fstat(fd_, &folder) == 0 && folder.st_uid == ::geteuid() && (folder.st_mode & 022) == 0 &&
               !S_ISDIR(st.st_mode) && st.st_uid == ::geteuid();
    }
    Created().Forget(key);
    if (!ours) return false;
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
    Created().Add(KeyOf(fd_, name), pin);
    return std::make_unique<TFileStream>(fd, PathOf(name), true);
}

std::unique_ptr<TFileStream> TWorkFolder::Open(const std::string& name, FileMode mode) {
    if (fd_ < 0) throw EFOpenError(PathOf(name), openError_);
    const auto key = KeyOf(fd_, name);
    if (!Created().Knows(key)) throw EFOpenError(PathOf(name), ENOENT, "this run did not create it");
    // Non-blocking: whatever is at the name now, opening it must not wait (it is checked next).
    const int fd = OpenAt(fd_, name, OpenFlags(mode) | O_NONBLOCK);
    if (fd < 0) throw EFOpenError(PathOf(name), errno);
    struct stat now {};
    if (::fstat(fd, &now) != 0 || !S_ISREG(now.st_mode) || !Created().Holds(key, now)) {
        ::close(fd);
        throw EFOpenError(PathOf(name), 0, "another file has taken the place of the one this run created");
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
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
    else if (const auto home = HomeDirectory(); !home.empty())
        base = home + "/.cache";
    // Never the shared temporary folder itself, where anybody could have taken the work files' names:
    // a folder made for this run there, or failing that one that does not exist, which every work file
    // operation refuses with its reason.
    const auto fallback = [] {
        const auto dir = RunPrivateDirectory();
        return dir.empty() ? std::string("/nonexistent/") : dir;
    };
    if (base.empty()) return fallback();
    // Each missing part is made for the user alone; parts that exist keep their rights.
    std::string dir;
    for (const std::string& part : {base, std::string("Quarnett"), std::string("Torvane Test")}) {
        dir += part;
        if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return fallback();
        dir += "/";
    }
    return DirectoryExists(dir) ? dir : fallback();
}

} // namespace torvane
