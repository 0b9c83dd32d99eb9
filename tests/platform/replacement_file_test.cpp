// TReplacementFile: an output takes its new content whole or not at all, keeps its owner, group and mode,
// and special files (devices, FIFOs, descriptors) are written as they are.

#include "TempStore.h"

#include "common/Fifo.h"

#include "platform/Error.h"
#include "platform/Files.h"

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace torvane::test {
namespace {

using Temporary = TReplacementFile::Temporary;

class ReplacementFile : public StoreTest, public ::testing::WithParamInterface<Temporary> {
protected:
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(folder.Path()))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    static void Put(TReplacementFile& file, const std::string& text) {
        file.Stream().WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()));
    }
    static struct stat Stat(const std::string& path) {
        struct stat st {};
        EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
        return st;
    }
};

TEST_P(ReplacementFile, TheTargetChangesOnlyOnCommitAndNothingElseStays) {
    const auto file = folder / "out.bin";
    WriteFile(file, "old");
    {
        TReplacementFile replacement(file, 0666, GetParam());
        Put(replacement, "half written");
        EXPECT_EQ(ReadFile(file), "old");
    }
    EXPECT_EQ(ReadFile(file), "old");
    EXPECT_EQ(Entries(), std::vector<std::string>{"out.bin"});

    TReplacementFile replacement(file, 0666, GetParam());
    Put(replacement, "new");
    // Only the named fallback shows itself while it is written, under a short hidden name.
    const auto during = Entries();
    if (GetParam() == Temporary::Unnamed) {
        EXPECT_EQ(during, std::vector<std::string>{"out.bin"});
    } else {
        ASSERT_EQ(during.size(), 2u);
        EXPECT_EQ(during[0].rfind(".torvane-", 0), 0u);
        EXPECT_LE(during[0].size(), 20u);
    }
    replacement.Commit();
    EXPECT_EQ(ReadFile(file), "new");
    EXPECT_EQ(Entries(), std::vector<std::string>{"out.bin"});
}

TEST_P(ReplacementFile, ANewFileAppearsOnlyOnCommit) {
    const auto file = folder / "new.bin";
    TReplacementFile replacement(file, 0600, GetParam());
    Put(replacement, "content");
    EXPECT_FALSE(FileExists(file));
    replacement.Commit();
    EXPECT_EQ(ReadFile(file), "content");
    EXPECT_EQ(Stat(file).st_mode & 0777, 0600u);
}

TEST_P(ReplacementFile, TheLongestNameTheFileSystemAllowsCanBeReplaced) {
    const auto file = folder / std::string(255, 'n');
    WriteFile(file, "old");
    ASSERT_EQ(ReadFile(file), "old");
    TReplacementFile replacement(file, 0666, GetParam());
    Put(replacement, "new");
    replacement.Commit();
    EXPECT_EQ(ReadFile(file), "new");
    EXPECT_EQ(Entries().size(), 1u);
}

TEST_P(ReplacementFile, KeepsModeAndWritesThroughALink) {
    WriteFile(folder / "real.bin", "old");
    ::chmod((folder / "real.bin").c_str(), 0640);
    ASSERT_EQ(::symlink((folder / "real.bin").c_str(), (folder / "link.bin").c_str()), 0);
    TReplacementFile replacement(folder / "link.bin", 0666, GetParam());
    Put(replacement, "new");
    replacement.Commit();
    EXPECT_EQ(ReadFile(folder / "real.bin"), "new");
    EXPECT_TRUE(S_ISLNK(Stat(folder / "link.bin").st_mode));
    EXPECT_EQ(Stat(folder / "real.bin").st_mode & 0777, 0640u);
}

// Replacements made by another process: another user, or one that a signal ends.
class ReplacementByOthers : public StoreTest {};

// Whether every folder on the way to path lets others pass (a user who is neither owner nor in the group).
bool OthersCanReach(const std::filesystem::path& path) {
    for (auto p = std::filesystem::absolute(path);; p = p.parent_path()) {
        struct stat st {};
        if (::stat(p.c_str(), &st) != 0 || !(st.st_mode & S_IXOTH)) return false;
        if (p == p.root_path()) return true;
    }
}

// A folder that a process of another user can reach: in the temporary folder, unless its path is closed
// to others (a private TMPDIR), then in the first of the system's shared ones that is open to them.
std::unique_ptr<TempDir> FolderOthersCanReach() {
    for (const auto& parent : {std::filesystem::temp_directory_path(), std::filesystem::path("/tmp"),
                               std::filesystem::path("/var/tmp"), std::filesystem::path("/dev/shm")}) {
        if (!OthersCanReach(parent)) continue;
        auto dir = std::make_unique<TempDir>(parent);
        if (!dir->Path().empty()) return dir;
    }
    return nullptr;
}

TEST_P(ReplacementFile, KeepsTheOwnerAndGroupOfAFileRootRewrites) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root can make a file of another owner";
    const auto file = folder / "theirs.txt";
    WriteFile(file, "old");
    ASSERT_EQ(::chown(file.c_str(), 65534, 65534), 0);
    ASSERT_EQ(::chmod(file.c_str(), 02754), 0);
    TReplacementFile replacement(file, 0666, GetParam());
    Put(replacement, "new");
    replacement.Commit();
    const auto st = Stat(file);
    EXPECT_EQ(st.st_uid, 65534u);
    EXPECT_EQ(st.st_gid, 65534u);
    EXPECT_EQ(st.st_mode & 07777, 02754u);
}

TEST_F(ReplacementByOthers, ASetIdBitGoesWhereItsOwnerCannotBeKept) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to let a child of another user meet a root-owned file";
    // A user who may write the folder and the file but is not the file's owner rewrites a set-user-id
    // file, with nothing (a write would have the system clear the bit anyway).
    const auto shared = FolderOthersCanReach();
    if (!shared)
        GTEST_SKIP() << "no folder that another user can reach: neither the temporary folder "
                     << std::filesystem::temp_directory_path() << " nor /tmp, /var/tmp or /dev/shm";
    const auto file = *shared / "tool";
    WriteFile(file, "old");
    ASSERT_EQ(::chmod(file.c_str(), 04757), 0);
    ASSERT_EQ(::chmod(shared->Path().c_str(), 0777), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(3);
        try {
            TReplacementFile replacement(file);
            replacement.Commit();
        } catch (...) {
            ::_exit(2);
        }
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 65534u);
    EXPECT_EQ(st.st_size, 0);
    EXPECT_EQ(st.st_mode & 07777, 0757u);
}

TEST_P(ReplacementFile, ADeviceIsWrittenAsItIsAndStaysADevice) {
    const auto dev = folder / "mynull";
    if (::mknod(dev.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0)
        GTEST_SKIP() << "mknod needs root: " << std::strerror(errno);
    ASSERT_EQ(::symlink(dev.c_str(), (folder / "link").c_str()), 0);
    for (const auto& name : {dev, folder / "link"}) {
        TReplacementFile replacement(name, 0666, GetParam());
        EXPECT_TRUE(replacement.Direct());
        Put(replacement, "abc");
        replacement.Commit();
        EXPECT_TRUE(S_ISCHR(Stat(dev).st_mode));
        EXPECT_EQ(Stat(dev).st_rdev, makedev(1, 3));
    }
    EXPECT_TRUE(S_ISLNK(Stat(folder / "link").st_mode));
    EXPECT_EQ(Entries(), (std::vector<std::string>{"link", "mynull"}));
}

TEST_P(ReplacementFile, AFifosReaderGetsTheDataInOrder) {
    const auto fifo = folder / "fifo";
    TestFifo made(fifo);
    ASSERT_TRUE(made.Made());
    std::string got;
    std::thread reader([&] { got = ReadFile(fifo); });
    {
        TReplacementFile replacement(fifo, 0666, GetParam());
        Put(replacement, "first ");
        Put(replacement, "second");
        replacement.Commit();
    }
    made.Release();
    reader.join();
    EXPECT_EQ(got, "first second");
    EXPECT_TRUE(S_ISFIFO(Stat(fifo).st_mode));
}

TEST_P(ReplacementFile, ADescriptorsNameWritesThroughTheDescriptor) {
    // /dev/stdout of a shell's ">>": the file is appended to, not replaced.
    const auto file = folder / "log";
    WriteFile(file, "old ");
    const int fd = ::open(file.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    {
        TReplacementFile replacement("/dev/fd/" + std::to_string(fd), 0666, GetParam());
        EXPECT_TRUE(replacement.Direct());
        Put(replacement, "new");
        replacement.Commit();
    }
    ::close(fd);
    EXPECT_EQ(ReadFile(file), "old new");
    EXPECT_EQ(Entries(), std::vector<std::string>{"log"});
}

TEST_P(ReplacementFile, FailuresNameTheTargetWithTheSystemsReason) {
    const auto missing = folder / "no/such/dir.txt";
    try {
        TReplacementFile replacement(missing, 0666, GetParam());
        FAIL();
    } catch (const EFCreateError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot create file " + missing);
        EXPECT_EQ(e.ErrorCode, ENOENT);
    }
    ::mkdir((folder / "adir").c_str(), 0700);
    try {
        TReplacementFile replacement(folder / "adir", 0666, GetParam());
        FAIL();
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.ErrorCode, EISDIR);
    }
    EXPECT_EQ(Entries(), std::vector<std::string>{"adir"});
}

INSTANTIATE_TEST_SUITE_P(Temporaries, ReplacementFile,
                         ::testing::Values(Temporary::Unnamed, Temporary::Named), [](const auto& info) {
                             return info.param == Temporary::Unnamed ? "Unnamed" : "Named";
                         });

// A named temporary file is removed by the signals that end the process; the child ends as the signal
// would have ended it.
TEST_F(ReplacementByOthers, ANamedTemporaryGoesWithTheSignalThatEndsTheProcess) {
    const auto file = folder / "out";
    WriteFile(file, "old");
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            RemoveTemporaryFilesOnSignals();
            TReplacementFile replacement(file, 0666, TReplacementFile::Temporary::Named);
            replacement.Stream().WriteBuffer("partial", 7);
            ::raise(signal);
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        EXPECT_EQ(ReadFile(file), "old");
        int entries = 0;
        for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder.Path())) ++entries;
        EXPECT_EQ(entries, 1) << "signal " << signal;
    }
}

} // namespace
} // namespace torvane::test
