// One run at a time in a work folder: the claim holds against every other claim, also from another
// process, goes with its owner however the owner ends, and adds nothing to the folder.

#include "common/TempDir.h"
#include "platform/WorkFolderClaim.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

namespace torvane {
namespace {

using test::TempDir;

// Whether a claim on the folder, made in a child process, finds it busy.
bool BusyForAnotherProcess(const std::string& folder) {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(TWorkFolderClaim(folder).Busy() ? 1 : 0);
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 1;
}

TEST(WorkFolderClaim, OneClaimAtATimeAndNothingAddedToTheFolder) {
    TempDir dir;
    {
        TWorkFolderClaim first(dir.Path() + "/");
        EXPECT_TRUE(first.Owned());
        EXPECT_FALSE(first.Busy());
        TWorkFolderClaim second(dir.Path());
        EXPECT_TRUE(second.Busy());
        EXPECT_FALSE(second.Owned());
        EXPECT_TRUE(BusyForAnotherProcess(dir.Path()));
        EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
    }
    // Let go with its owner.
    EXPECT_TRUE(TWorkFolderClaim(dir.Path()).Owned());
    EXPECT_FALSE(BusyForAnotherProcess(dir.Path()));
}

TEST(WorkFolderClaim, AProcessThatDiesLeavesNoClaimBehind) {
    TempDir dir;
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        TWorkFolderClaim claim(dir.Path());
        [[maybe_unused]] auto n = ::write(ready[1], claim.Busy() ? "b" : "o", 1);
        ::pause();
        ::_exit(0);
    }
    char said = 0;
    ASSERT_EQ(::read(ready[0], &said, 1), 1);
    EXPECT_EQ(said, 'o');
    EXPECT_TRUE(TWorkFolderClaim(dir.Path()).Busy());
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_TRUE(TWorkFolderClaim(dir.Path()).Owned());
    ::close(ready[0]);
    ::close(ready[1]);
}

TEST(WorkFolderClaim, AFolderThatCannotBeOpenedIsNoOtherRunsFolder) {
    TempDir dir;
    // The work files' own errors say what is wrong with it; no run is in the way.
    EXPECT_TRUE(TWorkFolderClaim(dir / "missing").Owned());
    EXPECT_TRUE(TWorkFolderClaim(dir.Write("file", "x")).Owned());
}

TEST(WorkFolderClaim, AFolderThatCannotTakeTheWorkFilesSaysWhy) {
    TempDir dir;
    EXPECT_EQ(FolderWriteProblem(dir.Path()), std::nullopt);
    EXPECT_EQ(FolderWriteProblem(dir.Path() + "/"), std::nullopt);
    EXPECT_EQ(FolderWriteProblem(dir / "missing"), "No such file or directory");
    if (::geteuid() != 0) {
        std::filesystem::permissions(dir.Path(),
                                     std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
        EXPECT_EQ(FolderWriteProblem(dir.Path()), "Permission denied");
    }
}

} // namespace
} // namespace torvane
