// The settings store keeps what it does not know, never writes a store the user protected, is never
// held by a FIFO in its place, and without a home folder keeps nothing rather than trust a shared one.

#include "TempStore.h"

#include "common/SavedVariable.h"
#include "platform/Files.h"
#include "platform/Settings.h"

#include <chrono>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace torvane::test {
namespace {

namespace fs = std::filesystem;

const std::string kEdited = "# Torvane Test settings\n"
                            "# my notes: Q2 is 200 MB for the long runs\n"
                            "[software\\Quarnett\\Torvane Test]\n"
                            "Q2\tsz\t209715200\n"
                            "\n"
                            "# the window's place\n"
                            "Q7\tdword\t204\n"
                            "Q7\tdword\t205\n"
                            "[software\\Other]\n"
                            "X\tsz\tkept\n";

TEST_F(StoreTest, AWriteChangesOnlyItsOwnLinesAndKeepsTheRest) {
    WriteFile(SettingsKey::StoreFile(), kEdited);
    SettingsKey key;
    EXPECT_EQ(key.ReadInteger("Q7"), 205) << "the last of two lines counts";
    key.Write({{"Q2", SettingsValue::String("104857600")},
               {"Q7", SettingsValue::Integer(300)},
               {"Q11", SettingsValue::Bool(true)}});
    EXPECT_EQ(ReadFile(SettingsKey::StoreFile()), "# Torvane Test settings\n"
                                                  "# my notes: Q2 is 200 MB for the long runs\n"
                                                  "[software\\Quarnett\\Torvane Test]\n"
                                                  "Q2\tsz\t104857600\n"
                                                  "\n"
                                                  "# the window's place\n"
                                                  "Q7\tdword\t300\n"
                                                  "Q11\tdword\t1\n"
                                                  "[software\\Other]\n"
                                                  "X\tsz\tkept\n");
    EXPECT_TRUE(key.DeleteValue("Q7"));
    EXPECT_FALSE(key.ValueExists("Q7"));
    EXPECT_EQ(ReadFile(SettingsKey::StoreFile()).find("Q7"), std::string::npos);
}

TEST_F(StoreTest, AStoreWithoutOurSectionGetsOneAtItsEnd) {
    WriteFile(SettingsKey::StoreFile(), "# only a comment\n[software\\Other]\nX\tsz\tkept\n");
    SettingsKey().WriteString("Q1", "/var/tmp/");
    EXPECT_EQ(ReadFile(SettingsKey::StoreFile()),
              "# only a comment\n[software\\Other]\nX\tsz\tkept\n[software\\Quarnett\\Torvane "
              "Test]\nQ1\tsz\t/var/tmp/\n");
    EXPECT_EQ(SettingsKey().ReadString("Q1"), "/var/tmp/");
}

TEST_F(StoreTest, AWriteProtectedStoreIsReadNotWrittenAndSaidOnce) {
    WriteFile(SettingsKey::StoreFile(), kEdited);
    ASSERT_EQ(::chmod(SettingsKey::StoreFile().c_str(), 0444), 0);
    SettingsKey::TakeLoadProblem();
    SettingsKey key;
    EXPECT_EQ(key.ReadString("Q2"), "209715200");
    EXPECT_NE(SettingsKey::TakeLoadProblem().find("write-protected"), std::string::npos);
    EXPECT_NO_THROW(key.WriteInteger("Q7", 1));
    EXPECT_FALSE(key.WriteStringIfAbsent("Q1", "/tmp/"));
    EXPECT_EQ(ReadFile(SettingsKey::StoreFile()), kEdited);
    EXPECT_EQ(SettingsKey::TakeLoadProblem(), "") << "said once";
    struct stat st {};
    ASSERT_EQ(::stat(SettingsKey::StoreFile().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0444u);
}

TEST_F(StoreTest, AFifoInTheStoresPlaceIsSetAsideWithoutWaiting) {
    fs::create_directories(SettingsKey::StoreDirectory());
    ASSERT_EQ(::mkfifo(SettingsKey::StoreFile().c_str(), 0600), 0);
    SettingsKey::TakeLoadProblem();
    const auto start = std::chrono::steady_clock::now();
    SettingsKey key;
    EXPECT_FALSE(key.ValueExists("Q1"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << "the read waited";
    EXPECT_NE(SettingsKey::TakeLoadProblem().find("not a regular file"), std::string::npos);
    int fifos = 0;
    for (const auto& entry : fs::directory_iterator(SettingsKey::StoreDirectory()))
        if (entry.is_fifo() && entry.path().filename().string().rfind("settings.conf.damaged-", 0) == 0)
            ++fifos;
    EXPECT_EQ(fifos, 1);
    key.WriteString("Q1", "/var/tmp/");
    EXPECT_EQ(key.ReadString("Q1"), "/var/tmp/");
}

TEST_F(StoreTest, WithoutHomeTheStoreIsThePasswordDatabasesHomeNeverASharedFolder) {
    SavedVariable config("TORVANE_CONFIG_DIR");
    SavedVariable xdg("XDG_CONFIG_HOME");
    SavedVariable home("HOME");
    ::unsetenv("TORVANE_CONFIG_DIR");
    ::unsetenv("XDG_CONFIG_HOME");
    ::unsetenv("HOME");
    const auto dir = SettingsKey::StoreDirectory();
    const auto expected = HomeDirectory();
    if (expected.empty()) {
        EXPECT_EQ(dir, "");
    } else {
        EXPECT_EQ(dir, expected + "/.config/Quarnett/Torvane Test");
    }
    EXPECT_NE(dir.rfind("/tmp", 0), 0u) << dir;
    // A relative XDG_CONFIG_HOME is no folder: the home's own is used.
    ::setenv("XDG_CONFIG_HOME", "relative", 1);
    EXPECT_EQ(SettingsKey::StoreDirectory(), dir);
}

TEST(RunPrivateDirectory, IsMadeOnceForThisUserAlone) {
    const auto dir = RunPrivateDirectory();
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(dir, RunPrivateDirectory());
    EXPECT_EQ(dir.back(), '/');
    struct stat st {};
    ASSERT_EQ(::lstat(dir.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(st.st_uid, ::geteuid());
}

} // namespace
} // namespace torvane::test
