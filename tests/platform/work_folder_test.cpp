// The work folder on its own: a name that anything holds already is never taken over, files are the
// owner's alone, and the private default folder is made for the user only.

#include "common/OtherUser.h"
#include "common/SavedVariable.h"
#include "common/TempDir.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/WorkFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

using namespace torvane;

namespace {

std::string ReadText(const std::string& path) {
    const auto bytes = torvane::test::ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

TEST(WorkFolder, ANameThatIsTakenIsRefusedAndWhatHoldsItStaysAsItWas) {
    torvane::test::TempDir work, own;
    const auto victim = own.Write("own.txt", "the user's own file");
    struct Case {
        const char* what;
        bool (*plant)(const std::string& victim, const std::string& at);
    };
    const Case cases[] = {
        {"regular file",
         [](const std::string&, const std::string& at) {
             std::ofstream(at) << "someone else's";
             return true;
         }},
        // Another name of the user's own file, as a user who may make hard links could plant it.
        {"hard link",
         [](const std::string& v, const std::string& at) { return ::link(v.c_str(), at.c_str()) == 0; }},
        {"symbolic link",
         [](const std::string& v, const std::string& at) { return ::symlink(v.c_str(), at.c_str()) == 0; }},
        {"dangling link",
         [](const std::string&, const std::string& at) {
             return ::symlink("/nonexistent/torvane-target", at.c_str()) == 0;
         }},
    };
    for (const auto& c : cases) {
        TWorkFolder folder(work.Path() + "/");
        const auto at = work / "TORVA_1.tmp";
        if (!c.plant(victim, at)) {
            ADD_FAILURE() << "cannot plant " << c.what;
            continue;
        }
        const std::string before = ReadText(at);
        EXPECT_THROW(folder.Create("TORVA_1.tmp"), EFCreateError) << c.what;
        EXPECT_EQ(ReadText(at), before) << c.what;
        EXPECT_EQ(ReadText(victim), "the user's own file") << c.what;
        // Nor can it be opened as if it were the folder's own file.
        EXPECT_THROW(folder.Open("TORVA_1.tmp", FileMode::Append), EFOpenError) << c.what;
        // Deleting removes the name only.
        EXPECT_TRUE(folder.Delete("TORVA_1.tmp")) << c.what;
        struct stat st {};
        EXPECT_NE(::lstat(at.c_str(), &st), 0) << c.what;
        EXPECT_EQ(ReadText(victim), "the user's own file") << c.what;
    }
}

TEST(WorkFolder, CreatedFilesAreTheOwnersAloneAndOpenAgainWhileTheyAreTheSame) {
    torvane::test::TempDir work;
    TWorkFolder folder(work.Path() + "/");
    folder.Create("TORVA_1.tmp")->WriteBuffer("c\r\n", 3);
    EXPECT_EQ(ModeOf(work / "TORVA_1.tmp"), 0600u);
    folder.Open("TORVA_1.tmp", FileMode::Append)->WriteBuffer("12\r\n", 4);
    EXPECT_EQ(ReadText(work / "TORVA_1.tmp"), "c\r\n12\r\n");
    // Deleted and made again by the folder: the new file is the one it opens.
    EXPECT_TRUE(folder.Delete("TORVA_1.tmp"));
    EXPECT_TRUE(folder.Delete("TORVA_1.tmp")); // a missing name is no error
    folder.Create("TORVA_1.tmp");
    EXPECT_NO_THROW(folder.Open("TORVA_1.tmp", FileMode::OpenRead));
}

TEST(WorkFolder, AFolderThatCannotBeOpenedFailsEachFileWithItsPath) {
    torvane::test::TempDir work;
    TWorkFolder folder(work.Path() + "/gone/");
    EXPECT_FALSE(folder.Opened());
    EXPECT_TRUE(folder.Delete("TORVA_1.tmp"));
    try {
        folder.Create("TORVA_1.tmp");
        ADD_FAILURE() << "created in a missing folder";
    } catch (const EFCreateError& e) {
        EXPECT_NE(std::string(e.what()).find(work.Path() + "/gone/TORVA_1.tmp"), std::string::npos)
            << e.what();
        EXPECT_EQ(e.ErrorCode, ENOENT);
    }
}

TEST(WorkFolder, ThePrivateDefaultIsMadeForTheUserOnly) {
    torvane::test::TempDir home;
    {
        torvane::test::SavedVariable cache("XDG_CACHE_HOME", home.Path() + "/cache");
        const auto dir = PrivateWorkDirectory();
        EXPECT_EQ(dir, home.Path() + "/cache/Quarnett/Torvane Test/");
        EXPECT_EQ(ModeOf(home.Path() + "/cache/Quarnett"), 0700u);
        EXPECT_EQ(ModeOf(dir.substr(0, dir.size() - 1)), 0700u);
    }
    {
        // A relative cache folder is not one: the home folder's own cache is used.
        torvane::test::SavedVariable cache("XDG_CACHE_HOME", "relative/cache");
        torvane::test::SavedVariable homeVar("HOME", home.Path() + "/user");
        ASSERT_EQ(::mkdir((home.Path() + "/user").c_str(), 0755), 0);
        EXPECT_EQ(PrivateWorkDirectory(), home.Path() + "/user/.cache/Quarnett/Torvane Test/");
    }
    {
        // Where no private folder can be made, one made for this run alone, never the shared folder.
        torvane::test::SavedVariable cache("XDG_CACHE_HOME", home.Path() + "/not-a-folder");
        std::ofstream(home.Path() + "/not-a-folder") << "x";
        const auto dir = PrivateWorkDirectory();
        EXPECT_EQ(dir.find(home.Path()), std::string::npos) << dir;
        EXPECT_EQ(dir, RunPrivateDirectory());
        EXPECT_EQ(ModeOf(dir.substr(0, dir.size() - 1)), 0700u);
    }
}

TEST(WorkFolder, OnlyFilesOfThisRunAreRemoved) {
    // Another folder object of the same folder (the next encryption cycle's, the stop's) removes what an
    // earlier one made.
    torvane::test::TempDir work;
    TWorkFolder(work.Path() + "/").Create("TORVA_1.tmp");
    EXPECT_TRUE(TWorkFolder(work.Path() + "/").Delete("TORVA_1.tmp"));
    EXPECT_FALSE(FileExists(work / "TORVA_1.tmp"));
    // In a folder of this user's that nobody else may write, what an earlier run left behind goes.
    std::ofstream(work / "TORVA_2.tmp") << "left by a killed run";
    EXPECT_TRUE(TWorkFolder(work.Path() + "/").Delete("TORVA_2.tmp"));
    EXPECT_FALSE(FileExists(work / "TORVA_2.tmp"));

    // In a shared folder, a file this run did not make stays, even root's own from another run.
    torvane::test::PassableDir shared;
    const auto sticky = shared.Folder("tmp", 01777);
    ASSERT_FALSE(sticky.empty());
    std::ofstream(sticky + "/TORVA_1.tmp") << "another run's";
    TWorkFolder folder(sticky + "/");
    EXPECT_FALSE(folder.Delete("TORVA_1.tmp"));
    EXPECT_EQ(ReadText(sticky + "/TORVA_1.tmp"), "another run's");
    EXPECT_THROW(folder.Create("TORVA_1.tmp"), EFCreateError);
    // Its own are removed there all the same.
    folder.Create("TORVA_2.tmp");
    EXPECT_TRUE(TWorkFolder(sticky + "/").Delete("TORVA_2.tmp"));
    EXPECT_FALSE(FileExists(sticky + "/TORVA_2.tmp"));
}

TEST(WorkFolder, RootLeavesAnotherUsersWorkFilesInASharedFolder) {
    if (!torvane::test::IsRoot()) GTEST_SKIP() << "a file of another user needs root to be made (chown)";
    torvane::test::PassableDir shared;
    const auto sticky = shared.Folder("tmp", 01777);
    ASSERT_FALSE(sticky.empty());
    for (const char* name : {"TORVA_1.tmp", "TORVA_2.tmp", "TORVA_3.tmp"}) {
        const auto path = sticky + "/" + name;
        std::ofstream(path) << "theirs";
        ASSERT_EQ(::chown(path.c_str(), torvane::test::kOtherUid, torvane::test::kOtherGid), 0);
        EXPECT_FALSE(TWorkFolder(sticky + "/").Delete(name)) << name;
        EXPECT_EQ(ReadText(path), "theirs") << name;
    }
    // Not in the user's own folder either, where another user's file can only have come from root.
    torvane::test::TempDir own;
    std::ofstream(own / "TORVA_1.tmp") << "theirs";
    ASSERT_EQ(::chown((own / "TORVA_1.tmp").c_str(), torvane::test::kOtherUid, torvane::test::kOtherGid), 0);
    EXPECT_FALSE(TWorkFolder(own.Path() + "/").Delete("TORVA_1.tmp"));
}

} // namespace
