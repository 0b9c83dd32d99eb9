#include "platform/Files.h"

#include "platform/Error.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pthread.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace torvane {

bool FileExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool DeleteFileIfExists(const std::string& path) {
    if (path.empty()) return true;
    if (::unlink(path.c_str()) == 0) return true;
    return errno == ENOENT;
}

bool SameFile(const std::string& a, const std::string& b) {
    if (a == b) return true;
    struct stat sa {};
    struct stat sb {};
    if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

namespace {

std::string ReadLink(const std::string& path) {
    std::vector<char> buf(PATH_MAX + 1);
    const auto n = ::readlink(path.c_str(), buf.data(), buf.size() - 1);
    return n > 0 ? std::string(buf.data(), static_cast<std::size_t>(n)) : std::string();
}

std::string RealFolder(const std::string& path) {
    std::vector<char> buf(PATH_MAX + 1);
    const auto dir = ExtractFilePath(path);
    return ::realpath(dir.empty() ? "." : dir.c_str(), buf.data()) ? std::string(buf.data()) : std::string();
}

struct WriteTarget {
    std::string Path;
    bool UnderProc = false; // written directly; Descriptor >= 0 when it is one of ours
    int Descriptor = -1;
};

// Where a write to path lands: through symbolic links, the file they lead to; a dangling link is replaced
// itself. A name under /proc (where /dev/stdout and /dev/fd/N lead) stands for an open file, which may be
// open for appending or have no name left: it is written as it is, through our own descriptor where it
// names one.
WriteTarget ResolveWriteTarget(const std::string& path) {
    std::string p = path, lastLink;
    for (int depth = 0; depth < 40; ++depth) {
        const auto folder = RealFolder(p);
        if (folder == "/proc" || folder.rfind("/proc/", 0) == 0) {
            WriteTarget t{p, true};
            if (folder == "/proc/" + std::to_string(::getpid()) + "/fd") {
                const auto base = p.substr(ExtractFilePath(p).size());
                char* end = nullptr;
                const long fd = std::strtol(base.c_str(), &end, 10);
                if (!base.empty() && *end == '\0' && fd >= 0 && fd <= INT_MAX)
                    t.Descriptor = static_cast<int>(fd);
            }
            return t;
        }
        struct stat st {};
        if (::lstat(p.c_str(), &st) != 0) return {lastLink.empty() ? p : lastLink};
        if (!S_ISLNK(st.st_mode)) return {p};
        const auto text = ReadLink(p);
        if (text.empty()) return {p};
        lastLink = p;
        p = text[0] == '/' ? text : ExtractFilePath(p) + text;
    }
    return {p}; // a loop of links: opening it fails with the system's reason
}

void SyncDirectory(const std::string& dir) {
    const int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

int OpenRetrying(const char* path, int flags, mode_t mode = 0) {
    int fd;
    do {
        fd = ::open(path, flags, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// Temporary names are short whatever the target's, so that a target with the longest name the file system
// allows can still be replaced.
std::string TemporaryName(const std::string& dir) {
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    static std::random_device random;
    std::string name = dir + ".torvane-";
    for (int i = 0; i < 8; ++i) name += kLetters[random() % 36];
    return name;
}

// Keeps what the user may keep: only root gives a file away, and a group is kept where the user belongs to
// it. A set-id bit survives only with its owner or group, so that it lends nobody else's rights.
void KeepOwnerAndMode(int fd, const struct stat& old) {
    mode_t mode = old.st_mode & 07777;
    if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
        mode &= ~static_cast<mode_t>(S_ISUID);
        if (::fchown(fd, static_cast<uid_t>(-1), old.st_gid) != 0) mode &= ~static_cast<mode_t>(S_ISGID);
    }
    ::fchmod(fd, mode);
}

// The named temporary files that are open, for the signal handler: fixed slots that it reads without locks
// or allocation.
struct CleanupSlot {
    std::atomic<int> State{0}; // 0 free, 1 being filled, 2 names a file to remove
    char Path[PATH_MAX];
};
CleanupSlot cleanupSlots[8];
static_assert(std::atomic<int>::is_always_lock_free);

void WatchTemporary(const std::string& path) {
    if (path.size() >= PATH_MAX) return;
    for (auto& slot : cleanupSlots) {
        int expected = 0;
        if (!slot.State.compare_exchange_strong(expected, 1)) continue;
        std::memcpy(slot.Path, path.c_str(), path.size() + 1);
        slot.State.store(2);
        return;
    }
}

void ForgetTemporary(const std::string& path) {
    for (auto& slot : cleanupSlots) {
        int expected = 2;
        if (slot.State.load() == 2 && path == slot.Path && slot.State.compare_exchange_strong(expected, 1))
            slot.State.store(0);
    }
}

void RemoveTemporariesAndEnd(int signal) {
    const int saved = errno;
    for (auto& slot : cleanupSlots)
        if (slot.State.load() == 2) ::unlink(slot.Path);
    errno = saved;
    // SA_RESETHAND has made the signal's action the default again; it arrives when the handler returns.
    ::raise(signal);
}

} // namespace

TReplacementFile::TReplacementFile(const std::string& target, mode_t newFileMode, Temporary temporary)
    : name_(target) {
    const auto where = ResolveWriteTarget(target);
    target_ = where.Path;
    struct stat st {};
    const bool exists = ::stat(target_.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) throw EFCreateError(name_, EISDIR);
    if (where.Descriptor >= 0) {
        fd_ = ::fcntl(where.Descriptor, F_DUPFD_CLOEXEC, 0);
        direct_ = true;
    } else if (where.UnderProc || (exists && !S_ISREG(st.st_mode))) {
        fd_ = OpenRetrying(target_.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        direct_ = true;
    } else {
        const std::string dir = ExtractFilePath(target_);
        if (temporary == Temporary::Unnamed)
            fd_ = OpenRetrying(dir.empty() ? "." : dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, newFileMode);
        for (int attempt = 0; fd_ < 0 && attempt < 100; ++attempt) {
            auto name = TemporaryName(dir);
            fd_ = OpenRetrying(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, newFileMode);
            if (fd_ >= 0) {
                temp_ = std::move(name);
                WatchTemporary(temp_);
            } else if (errno != EEXIST) {
                break;
            }
        }
        if (fd_ >= 0 && exists) KeepOwnerAndMode(fd_, st);
    }
    if (fd_ < 0) throw EFCreateError(name_, errno);
    stream_ = std::make_unique<TFileStream>(fd_, name_, false);
}

TReplacementFile::~TReplacementFile() {
    stream_.reset();
    if (fd_ >= 0) ::close(fd_);
    if (!committed_ && !temp_.empty()) {
        ::unlink(temp_.c_str());
        ForgetTemporary(temp_);
    }
}

int TReplacementFile::PutInPlace() {
    if (!temp_.empty()) {
        if (std::rename(temp_.c_str(), target_.c_str()) != 0) return errno;
        ForgetTemporary(temp_);
        return 0;
    }
    // An unnamed file gets a name through /proc/self/fd, which needs no privilege, or where /proc is missing
    // through AT_EMPTY_PATH, which needs CAP_DAC_READ_SEARCH.
    const auto self = "/proc/self/fd/" + std::to_string(fd_);
    auto link = [&](const std::string& name) {
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return 0;
        if (errno == ENOENT && ::linkat(fd_, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0) return 0;
        return errno;
    };
    // A new name is linked directly; an existing file is replaced through a second name for the moment of a
    // rename, which is atomic.
    int error = link(target_);
    for (int attempt = 0; error == EEXIST && attempt < 100; ++attempt) {
        const auto temp = TemporaryName(ExtractFilePath(target_));
        error = link(temp);
        if (error == 0 && std::rename(temp.c_str(), target_.c_str()) != 0) {
            error = errno;
            ::unlink(temp.c_str());
            break;
        }
    }
    return error;
}

void TReplacementFile::Commit() {
    if (committed_) return;
    if (!direct_) {
        if (::fsync(fd_) != 0) {
            const int error = errno;
            throw EWriteError("Write error on " + name_ + ": " + std::strerror(error), error);
        }
        // No signal may end the process between the two names.
        sigset_t all, old;
        ::sigfillset(&all);
        ::pthread_sigmask(SIG_BLOCK, &all, &old);
        const int error = PutInPlace();
        ::pthread_sigmask(SIG_SETMASK, &old, nullptr);
        if (error != 0) throw EWriteError("Cannot replace " + name_ + ": " + std::strerror(error), error);
        SyncDirectory(ExtractFilePath(target_));
    }
    committed_ = true;
}

void RemoveTemporaryFilesOnSignals() {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGXFSZ}) {
        struct sigaction now {};
        // A signal that is ignored or handled already stays so.
        if (::sigaction(signal, nullptr, &now) != 0 || now.sa_handler != SIG_DFL) continue;
        struct sigaction action {};
        action.sa_handler = RemoveTemporariesAndEnd;
        ::sigfillset(&action.sa_mask);
        action.sa_flags = SA_RESETHAND;
        ::sigaction(signal, &action, nullptr);
    }
}

std::string SystemTempDirectory() {
    const char* env = std::getenv("TMPDIR");
    std::string dir = (env && *env) ? env : "/tmp";
    return WithTrailingSeparator(dir);
}

std::string WithTrailingSeparator(const std::string& dir) {
    if (dir.empty()) return "/";
    std::string r = dir;
    if (r.back() == '\\') r.back() = '/';
    if (r.back() != '/') r += '/';
    return r;
}

std::string NativePath(const std::string& path) {
    const bool drive = path.size() >= 2 && path[1] == ':' &&
                       ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
    if (!drive && path.find('\\') == std::string::npos) return path;
    std::string r = drive ? path.substr(2) : path;
    for (auto& c : r)
        if (c == '\\') c = '/';
    if (drive && (r.empty() || r.front() != '/')) r.insert(r.begin(), '/');
    return r;
}

std::string ExtractFilePath(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

void WriteFileAtomically(const std::string& path, const std::string& data, mode_t newFileMode) {
    TReplacementFile file(path, newFileMode);
    try {
        file.Stream().WriteBuffer(data.data(), static_cast<std::int64_t>(data.size()));
        file.Commit();
    } catch (const Exception& e) {
        throw EFCreateError(path, e.ErrorCode);
    }
}

std::string ProgramFilePath() {
    std::vector<char> buf(PATH_MAX + 1);
    for (;;) {
        const auto n = ::readlink("/proc/self/exe", buf.data(), buf.size());
        if (n < 0) return {};
        if (static_cast<size_t>(n) < buf.size()) return std::string(buf.data(), static_cast<size_t>(n));
        buf.resize(buf.size() * 2);
    }
}

std::string ProgramDirectory() {
    const auto path = ProgramFilePath();
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

} // namespace torvane
