#include "platform/Files.h"

#include "platform/Error.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
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

// Where a write to path lands: through a symbolic link, the file it leads to. A dangling link is replaced
// itself.
std::string WriteTarget(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::vector<char> resolved(PATH_MAX + 1);
    return ::realpath(path.c_str(), resolved.data()) ? std::string(resolved.data()) : path;
}

void SyncDirectory(const std::string& dir) {
    const int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

TReplacementFile::TReplacementFile(const std::string& target, mode_t newFileMode)
    : name_(target), target_(WriteTarget(target)) {
    const std::string dir = ExtractFilePath(target_);
    const std::string base = target_.substr(dir.size());
    struct stat st {};
    const bool exists = ::stat(target_.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) throw EFCreateError(target, EISDIR);
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto name = dir + "." + base + ".tmp-" + std::to_string(random() % 1000000000u);
        const int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, newFileMode);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            throw EFCreateError(target, errno);
        }
        if (exists) ::fchmod(fd, st.st_mode & 07777);
        ::close(fd);
        temp_ = name;
        return;
    }
    throw EFCreateError(target, EEXIST);
}

TReplacementFile::~TReplacementFile() {
    if (!committed_ && !temp_.empty()) ::unlink(temp_.c_str());
}

void TReplacementFile::Commit() {
    const int fd = ::open(temp_.c_str(), O_RDONLY | O_CLOEXEC);
    const bool synced = fd >= 0 && ::fsync(fd) == 0;
    if (fd >= 0) ::close(fd);
    if (!synced || std::rename(temp_.c_str(), target_.c_str()) != 0)
        throw EWriteError("Cannot replace " + name_ + ": " + std::strerror(errno));
    committed_ = true;
    SyncDirectory(ExtractFilePath(target_));
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
    const int fd = ::open(file.TempName().c_str(), O_WRONLY | O_CLOEXEC);
    int failure = fd >= 0 ? 0 : errno;
    size_t done = 0;
    while (failure == 0 && done < data.size()) {
        const auto n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0)
            failure = errno;
        else if (n == 0)
            failure = ENOSPC;
        else
            done += static_cast<size_t>(n);
    }
    if (fd >= 0 && ::close(fd) != 0 && failure == 0) failure = errno;
    if (failure != 0) throw EFCreateError(path, failure);
    try {
        file.Commit();
    } catch (const EWriteError&) {
        throw EFCreateError(path, errno);
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
