// A worker's own folder inside the work folder, which may be one that other users write too.

#include "common/TempDir.h"

#include "platform/WorkFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace torvane {
namespace {

TEST(WorkSubFolder, IsMadeForTheOwnerAloneAndTakenAgainWhenItIsTheirs) {
    test::TempDir dir;
    TWorkFolder folder(dir.Path() + "/");
    ASSERT_FALSE(folder.CreateFolder("worker-0"));
    struct stat st {};
    ASSERT_EQ(::lstat((dir / "worker-0").c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    // A second run finds it there: its own folder serves again.
    EXPECT_FALSE(folder.CreateFolder("worker-0"));

    dir.Write("worker-0/TORVA_1.tmp", "x");
    EXPECT_FALSE(folder.DeleteFolder("worker-0")) << "a folder with files in it stays";
    std::filesystem::remove(dir / "worker-0/TORVA_1.tmp");
    EXPECT_TRUE(folder.DeleteFolder("worker-0"));
    EXPECT_FALSE(std::filesystem::exists(dir / "worker-0"));
    EXPECT_TRUE(folder.DeleteFolder("worker-0")) << "nothing left is no failure";
}

TEST(WorkSubFolder, ANamePlantedBySomeoneElseIsRefused) {
    test::TempDir dir;
    test::TempDir elsewhere;
    ASSERT_EQ(::symlink(elsewhere.Path().c_str(), (dir / "worker-1").c_str()), 0);
    dir.Write("worker-2", "a file");
    TWorkFolder folder(dir.Path() + "/");
    const auto link = folder.CreateFolder("worker-1");
    ASSERT_TRUE(link);
    EXPECT_NE(link->find(dir / "worker-1"), std::string::npos) << *link;
    EXPECT_TRUE(folder.CreateFolder("worker-2"));
    EXPECT_TRUE(TWorkFolder(dir / "missing/").CreateFolder("worker-0"));
}

} // namespace
} // namespace torvane
