#pragma once
// What another local user does, for tests of shared folders: a folder every user can reach (the test's own
// scratch folder may lie where other users cannot pass), things planted there in another user's name, and
// code run as that user in a child process. Planting and running as another user need root; the tests
// that need them skip with that reason otherwise.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <grp.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace torvane::test {

// The unprivileged user of the system (nobody / nogroup).
inline constexpr uid_t kOtherUid = 65534;
inline constexpr gid_t kOtherGid = 65534;

inline bool IsRoot() {
    return ::geteuid() == 0;
}

// A scratch folder under /tmp that every user can pass through, removed with its content at the end.
class PassableDir {
public:
    PassableDir() {
        std::string pattern = "/tmp/torvane-shared-XXXXXX";
        if (::mkdtemp(pattern.data()) && ::chmod(pattern.c_str(), 0755) == 0) path_ = pattern;
    }
    ~PassableDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    PassableDir(const PassableDir&) = delete;
    PassableDir& operator=(const PassableDir&) = delete;

    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }
    // A folder inside with the given mode (1777: a shared temporary folder), owned by uid.
    std::string Folder(const std::string& name, mode_t mode, uid_t uid = ::geteuid()) const {
        const auto p = *this / name;
        ::mkdir(p.c_str(), 0700);
        if (::chown(p.c_str(), uid, static_cast<gid_t>(-1)) != 0 || ::chmod(p.c_str(), mode) != 0) return {};
        return p;
    }

private:
    std::string path_;
};

// A symbolic link at `at` to `target`, in the other user's name.
inline bool PlantLink(const std::string& target, const std::string& at) {
    return ::symlink(target.c_str(), at.c_str()) == 0 && ::lchown(at.c_str(), kOtherUid, kOtherGid) == 0;
}

// Runs body in a child as the other user; its exit status (body's return value), or -1 when the child could
// not become that user or ended otherwise.
inline int RunAsOtherUser(const std::function<int()>& body) {
    const pid_t child = ::fork();
    if (child < 0) return -1;
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(kOtherGid) != 0 || ::setuid(kOtherUid) != 0)
            ::_exit(125);
        ::_exit(body());
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) == 125) return -1;
    return WEXITSTATUS(status);
}

} // namespace torvane::test
