#include "platform/Files.h"

#include "platform/Error.h"

#include "platform/StopRequest.h"

#include <atomic>
#include <cctype>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <linux/magic.h>
#include <mutex>
#include <optional>
#include <pthread.h>
#include <pwd.h>
#include <random>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>
#include <utility>
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

// A descriptor that closes itself.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() { Reset(); }
    UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) {
            Reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    int Get() const { return fd_; }
    int Release() { return std::exchange(fd_, -1); }
    void Reset(int fd = -1) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }
    explicit operator bool() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

int OpenRetrying(int dir, const char* path, int flags, mode_t mode = 0) {
    int fd;
    do {
        fd = ::openat(dir, path, flags, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// ---------------------------------------------------------------------------------------------------
// Finding an output. The path is walked here, one name at a time, holding each folder open, so that every
// symbolic link on the way is seen and judged before it is followed, and the file is then made, replaced
// or opened in the very folder that was judged: a link swapped in meanwhile cannot lead the write
// elsewhere. The judgement is the one the system makes where it protects shared folders (the sticky
// temporary folders, writable by all, where the bit keeps users from removing each other's files): a link
// there is followed only when it is this user's or the folder owner's, and a file or FIFO there that
// belongs to neither is never opened to be written. The program makes that judgement itself, because the
// system's protections can be switched off, and because a new file put in place of an old one by rename
// would pass them by.

// A folder that others may write (mask: the bits that count) and whose sticky bit keeps them from removing
// what is not theirs.
bool SharedFolder(const struct stat& folder, mode_t others) {
    return (folder.st_mode & S_ISVTX) != 0 && (folder.st_mode & others) != 0;
}

// Owned by neither this user nor the folder's owner.
bool Foreign(const struct stat& what, const struct stat& folder) {
    const uid_t me = ::geteuid();
    return what.st_uid != me && what.st_uid != folder.st_uid;
}

bool OnProcFileSystem(int dir) {
    struct statfs fs {};
    return ::fstatfs(dir, &fs) == 0 && fs.f_type == PROC_SUPER_MAGIC;
}

std::deque<std::string> SplitPath(const std::string& path) {
    std::deque<std::string> parts;
    std::size_t at = 0;
    while (at <= path.size()) {
        const auto slash = path.find('/', at);
        const auto end = slash == std::string::npos ? path.size() : slash;
        if (end > at) parts.push_back(path.substr(at, end - at));
        if (slash == std::string::npos) break;
        at = slash + 1;
    }
    return parts;
}

std::string ReadLinkAt(int dir, const std::string& name) {
    std::vector<char> buf(PATH_MAX + 1);
    const auto n = ::readlinkat(dir, name.c_str(), buf.data(), buf.size() - 1);
    return n > 0 ? std::string(buf.data(), static_cast<std::size_t>(n)) : std::string();
}

constexpr const char* kForeignLink =
    "it is a symbolic link of another user in a shared folder (sticky and writable by all), which is not "
    "followed";
constexpr const char* kForeignFile =
    "it belongs to another user and lies in a shared folder (sticky and writable by others), where it is not "
    "written";

// Where an output goes: a name in a folder that is held open.
struct OutputPlace {
    UniqueFd Folder;         // the folder (O_PATH) that holds Name
    std::string Name;        // a name in it; under /proc, the rest of the path
    bool Exists = false;     // Name exists (St holds it, not followed)
    bool Proc = false;       // Name lies on /proc: an open file's name, opened as it is
    struct stat St {};       // of Name
    struct stat FolderSt {}; // of Folder
};

[[noreturn]] void Refuse(const std::string& path, int error, std::string reason = {}) {
    throw EFCreateError(path, error, std::move(reason));
}

OutputPlace Place(UniqueFd folder, std::string name) {
    OutputPlace place;
    place.Folder = std::move(folder);
    place.Name = std::move(name);
    ::fstat(place.Folder.Get(), &place.FolderSt);
    return place;
}

// Walks path the way open(O_CREAT) would, judging every link, and gives the place of the file it names. A
// link at the end that leads nowhere is itself the place (the output replaces the link, it never creates a
// file where the link points). EFCreateError naming path, with the system's reason or the program's own.
OutputPlace FindOutput(const std::string& path) {
    if (path.empty()) Refuse(path, ENOENT);
    if (path.back() == '/') Refuse(path, EISDIR);
    auto parts = SplitPath(path);
    UniqueFd dir(OpenRetrying(AT_FDCWD, path[0] == '/' ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!dir) Refuse(path, errno);
    std::optional<OutputPlace> lastLink;
    int links = 0;
    while (!parts.empty()) {
        const std::string name = parts.front();
        parts.pop_front();
        const bool last = parts.empty();
        if (name == ".") {
            if (last) Refuse(path, EISDIR);
            continue;
        }
        if (OnProcFileSystem(dir.Get())) {
            // /dev/stdout and /dev/fd/N lead here, to names of open files that no text can follow.
            std::string rest = name;
            for (const auto& part : parts) rest += "/" + part;
            auto place = Place(std::move(dir), rest);
            place.Proc = true;
            place.Exists = ::fstatat(place.Folder.Get(), rest.c_str(), &place.St, 0) == 0;
            return place;
        }
        struct stat st {};
        if (::fstatat(dir.Get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            const int error = errno;
            if (error == ENOENT && lastLink) return std::move(*lastLink);
            if (error == ENOENT && last) return Place(std::move(dir), name);
            Refuse(path, error);
        }
        if (S_ISLNK(st.st_mode)) {
            struct stat folder {};
            if (::fstat(dir.Get(), &folder) != 0) Refuse(path, errno);
            if (SharedFolder(folder, S_IWOTH) && Foreign(st, folder)) Refuse(path, EACCES, kForeignLink);
            if (++links > 40) Refuse(path, ELOOP);
            const auto text = ReadLinkAt(dir.Get(), name);
            if (text.empty()) Refuse(path, errno ? errno : ENOENT);
            if (last) {
                UniqueFd copy(::fcntl(dir.Get(), F_DUPFD_CLOEXEC, 0));
                if (!copy) Refuse(path, errno);
                lastLink = Place(std::move(copy), name);
                lastLink->Exists = true;
                lastLink->St = st;
            }
            auto more = SplitPath(text);
            if (text.back() == '/' && last) Refuse(path, EISDIR);
            parts.insert(parts.begin(), more.begin(), more.end());
            if (text[0] == '/') {
                dir.Reset(OpenRetrying(AT_FDCWD, "/", O_PATH | O_DIRECTORY | O_CLOEXEC));
                if (!dir) Refuse(path, errno);
            }
            if (parts.empty()) Refuse(path, EISDIR); // a link to "/"
            continue;
        }
        if (!last || name == "..") {
            if (!S_ISDIR(st.st_mode)) Refuse(path, ENOTDIR);
            if (last) Refuse(path, EISDIR);
            UniqueFd next(
                OpenRetrying(dir.Get(), name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (!next) Refuse(path, errno);
            dir = std::move(next);
            continue;
        }
        auto place = Place(std::move(dir), name);
        place.Exists = true;
        place.St = st;
        return place;
    }
    Refuse(path, EISDIR); // "/" itself, or nothing but dots
}

// The judgements a careful open would make of what exists at the place; throws as FindOutput does.
void JudgeExisting(const std::string& path, const OutputPlace& place) {
    if (!place.Exists || place.Proc) return;
    const auto& st = place.St;
    if (S_ISDIR(st.st_mode)) Refuse(path, EISDIR);
    if ((S_ISREG(st.st_mode) || S_ISFIFO(st.st_mode)) && SharedFolder(place.FolderSt, S_IWOTH | S_IWGRP) &&
        Foreign(st, place.FolderSt))
        Refuse(path, EACCES, kForeignFile);
    // A file that this user may not write is refused as cp refuses it, even where the folder would let a
    // new file take its place.
    if (!S_ISLNK(st.st_mode) && ::faccessat(place.Folder.Get(), place.Name.c_str(), W_OK, AT_EACCESS) != 0)
        Refuse(path, errno);
}

// The descriptor that a name under /proc ("self/fd/3", "<our pid>/fd/3") gives of this process; -1 for
// any other name.
int OwnDescriptor(const std::string& name) {
    const auto parts = SplitPath(name);
    if (parts.size() != 3 || parts[1] != "fd") return -1;
    if (parts[0] != "self" && parts[0] != "thread-self" && parts[0] != std::to_string(::getpid())) return -1;
    const auto& number = parts[2];
    char* end = nullptr;
    errno = 0;
    const long fd = std::strtol(number.c_str(), &end, 10);
    if (number.empty() || *end != '\0' || errno != 0 || fd < 0 || fd > INT_MAX || !std::isdigit(number[0]))
        return -1;
    return static_cast<int>(fd);
}

bool WrittenInPlace(const OutputPlace& place) {
    return place.Proc || (place.Exists && !S_ISREG(place.St.st_mode) && !S_ISLNK(place.St.st_mode));
}

// Opens what is written as it is (a device, a FIFO, a socket, an open file's name under /proc). A FIFO's
// open does not wait in the system, where no signal could end it: it is retried until a reader comes,
// or, as wait says, not at all. The descriptor is non-blocking for a FIFO (its writes wait in slices, see
// WaitUntilWritable), blocking for anything else.
int OpenInPlace(const std::string& path, const OutputPlace& place, int flags, ReaderWait wait) {
    const int how = O_WRONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK | flags | (place.Proc ? 0 : O_NOFOLLOW);
    for (;;) {
        const int fd = OpenRetrying(place.Folder.Get(), place.Name.c_str(), how);
        if (fd >= 0) {
            struct stat st {};
            if (::fstat(fd, &st) == 0 && !S_ISFIFO(st.st_mode))
                ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
            return fd;
        }
        const int error = errno;
        const bool fifo = place.Exists && S_ISFIFO(place.St.st_mode);
        if (error != ENXIO || !fifo) Refuse(path, error);
        if (wait == ReaderWait::Never) Refuse(path, error, "nothing reads the FIFO");
        if (StopRequested())
            Refuse(path, EINTR, "nothing opened the FIFO to read it before the program was asked to stop");
        NapMs(50);
    }
}

void SyncDirectory(int dir) {
    const int fd = OpenRetrying(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Temporary names are short whatever the target's, so that a target with the longest name the file system
// allows can still be replaced.
std::string TemporaryName() {
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    // Never destroyed: a store written by a shutdown among the exit handlers still gets its names.
    static std::random_device& random = *new std::random_device;
    std::string name = ".torvane-";
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
// or allocation. A file is named by its folder's descriptor and its name there.
struct CleanupSlot {
    std::atomic<int> State{0}; // 0 free, 1 being filled, 2 names a file to remove
    int Folder = -1;
    char Name[NAME_MAX + 1];
};
CleanupSlot cleanupSlots[8];
static_assert(std::atomic<int>::is_always_lock_free);

void WatchTemporary(int folder, const std::string& name) {
    if (name.size() > NAME_MAX) return;
    for (auto& slot : cleanupSlots) {
        int expected = 0;
        if (!slot.State.compare_exchange_strong(expected, 1)) continue;
        slot.Folder = folder;
        std::memcpy(slot.Name, name.c_str(), name.size() + 1);
        slot.State.store(2);
        return;
    }
}

void ForgetTemporary(int folder, const std::string& name) {
    for (auto& slot : cleanupSlots) {
        int expected = 2;
        if (slot.State.load() == 2 && slot.Folder == folder && name == slot.Name &&
            slot.State.compare_exchange_strong(expected, 1))
            slot.State.store(0);
    }
}

void RemoveTemporariesAndEnd(int signal) {
    const int saved = errno;
    for (auto& slot : cleanupSlots)
        if (slot.State.load() == 2) ::unlinkat(slot.Folder, slot.Name, 0);
    errno = saved;
    // SA_RESETHAND has made the signal's action the default again; it arrives when the handler returns.
    ::raise(signal);
}

} // namespace

TReplacementFile::TReplacementFile(const std::string& target, mode_t newFileMode, Temporary temporary,
                                   ReaderWait wait)
    : name_(target) {
    auto place = FindOutput(target);
    JudgeExisting(target, place);
    if (place.Proc && place.Exists) {
        // Our own descriptor's name: written through the descriptor itself, which may be open for
        // appending or have no name left.
        if (const int descriptor = OwnDescriptor(place.Name); descriptor >= 0) {
            fd_ = ::fcntl(descriptor, F_DUPFD_CLOEXEC, 0);
            if (fd_ < 0) Refuse(target, errno);
        }
    }
    if (fd_ < 0 && WrittenInPlace(place)) fd_ = OpenInPlace(target, place, 0, wait);
    if (fd_ >= 0) {
        direct_ = true;
    } else {
        const int dir = place.Folder.Get();
        if (temporary == Temporary::Unnamed)
            fd_ = OpenRetrying(dir, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, newFileMode);
        for (int attempt = 0; fd_ < 0 && attempt < 100; ++attempt) {
            auto name = TemporaryName();
            fd_ = OpenRetrying(dir, name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                               newFileMode);
            if (fd_ >= 0) {
                temp_ = std::move(name);
                WatchTemporary(dir, temp_);
            } else if (errno != EEXIST) {
                break;
            }
        }
        if (fd_ < 0) Refuse(target, errno);
        if (place.Exists && S_ISREG(place.St.st_mode)) KeepOwnerAndMode(fd_, place.St);
        replaces_ = place.Exists;
        old_ = place.St;
    }
    folder_ = place.Folder.Release();
    placeName_ = place.Name;
    stream_ = std::make_unique<TFileStream>(fd_, name_, false);
}

TReplacementFile::~TReplacementFile() {
    stream_.reset();
    if (fd_ >= 0) ::close(fd_);
    if (!committed_ && !temp_.empty()) {
        ::unlinkat(folder_, temp_.c_str(), 0);
        ForgetTemporary(folder_, temp_);
    }
    if (folder_ >= 0) ::close(folder_);
}

int TReplacementFile::PutInPlace() {
    // What was judged must still be there: a name that appeared meanwhile, or another file in the old
    // one's place, is nothing this output may replace.
    struct stat now {};
    const bool there = ::fstatat(folder_, placeName_.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0;
    if (there != replaces_ || (there && (now.st_dev != old_.st_dev || now.st_ino != old_.st_ino)))
        return there ? EEXIST : ENOENT;
    if (!temp_.empty()) {
        const int done =
            replaces_ ? ::renameat(folder_, temp_.c_str(), folder_, placeName_.c_str())
                      : ::renameat2(folder_, temp_.c_str(), folder_, placeName_.c_str(), RENAME_NOREPLACE);
        if (done != 0) return errno;
        ForgetTemporary(folder_, temp_);
        return 0;
    }
    // An unnamed file gets a name through /proc/self/fd, which needs no privilege, or where /proc is missing
    // through AT_EMPTY_PATH, which needs CAP_DAC_READ_SEARCH.
    const auto self = "/proc/self/fd/" + std::to_string(fd_);
    auto link = [&](const std::string& name) {
        if (::linkat(AT_FDCWD, self.c_str(), folder_, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return 0;
        if (errno == ENOENT && ::linkat(fd_, "", folder_, name.c_str(), AT_EMPTY_PATH) == 0) return 0;
        return errno;
    };
    // A new name is linked directly; an existing file is replaced through a second name for the moment of a
    // rename, which is atomic.
    if (!replaces_) return link(placeName_);
    int error = EEXIST;
    for (int attempt = 0; error == EEXIST && attempt < 100; ++attempt) {
        const auto temp = TemporaryName();
        error = link(temp);
        if (error == 0 && ::renameat(folder_, temp.c_str(), folder_, placeName_.c_str()) != 0) {
            error = errno;
            ::unlinkat(folder_, temp.c_str(), 0);
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
        SyncDirectory(folder_);
    }
    committed_ = true;
}

void CheckOutput(const std::string& target) {
    const auto place = FindOutput(target);
    JudgeExisting(target, place);
    if (WrittenInPlace(place)) return;
    // A new file is made in the folder.
    if (::faccessat(place.Folder.Get(), ".", W_OK | X_OK, AT_EACCESS) != 0) Refuse(target, errno);
}

int OpenOutputInPlace(const std::string& target, bool append, mode_t newFileMode, ReaderWait wait) {
    const auto place = FindOutput(target);
    JudgeExisting(target, place);
    if (WrittenInPlace(place)) return OpenInPlace(target, place, append ? O_APPEND : 0, wait);
    // A link that leads nowhere is replaced by the new file, as a replacement would do.
    if (place.Exists && S_ISLNK(place.St.st_mode) &&
        ::unlinkat(place.Folder.Get(), place.Name.c_str(), 0) != 0)
        Refuse(target, errno);
    const int fd = OpenRetrying(
        place.Folder.Get(), place.Name.c_str(),
        O_WRONLY | O_CREAT | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC | (append ? O_APPEND : O_TRUNC), newFileMode);
    if (fd < 0) Refuse(target, errno);
    return fd;
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

std::string HomeDirectory() {
    if (const char* home = std::getenv("HOME"); home && *home == '/') return home;
    const long suggested = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    while (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == ERANGE &&
           buffer.size() < (1u << 20))
        buffer.resize(buffer.size() * 2);
    if (found && found->pw_dir && found->pw_dir[0] == '/') return found->pw_dir;
    return {};
}

namespace {
std::string g_runPrivate;
void RemoveRunPrivate() {
    if (!g_runPrivate.empty()) ::rmdir(g_runPrivate.c_str());
}
} // namespace

std::string RunPrivateDirectory() {
    static std::once_flag made;
    std::call_once(made, [] {
        std::string pattern = SystemTempDirectory() + "torvane-XXXXXX";
        // mkdtemp makes the folder anew, for this user alone: nothing planted there before can be in it.
        if (!::mkdtemp(pattern.data())) return;
        g_runPrivate = pattern;
        std::atexit(RemoveRunPrivate);
    });
    return g_runPrivate.empty() ? std::string() : g_runPrivate + "/";
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

void WriteFileAtomically(const std::string& path, const std::string& data, mode_t newFileMode,
                         ReaderWait wait) {
    TReplacementFile file(path, newFileMode, TReplacementFile::Temporary::Unnamed, wait);
    try {
        file.Stream().WriteBuffer(data.data(), static_cast<std::int64_t>(data.size()));
        file.Commit();
    } catch (const EFileError&) {
        throw;
    } catch (const Exception& e) {
        // The file could not be made whole: a full disk, a device that takes no more.
        const int error = e.ErrorCode > 0 ? e.ErrorCode : EIO;
        throw EFCreateError(path, error);
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
