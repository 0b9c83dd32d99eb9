// The settings store: typed values, one file, atomic and per-operation, damaged files kept.

#include "TempStore.h"

#include "common/SavedVariable.h"
#include "platform/Error.h"
#include "platform/Settings.h"

#include <filesystem>
#include <optional>
#include <sys/stat.h>

namespace torvane::test {
namespace {

namespace fs = std::filesystem;

TEST_F(StoreTest, ValuesKeepTheirTypeAndReadsCheckIt) {
    SettingsKey key;
    EXPECT_FALSE(key.ValueExists("Q1"));
    EXPECT_FALSE(fs::exists(SettingsKey::StoreFile())); // opening and reading create nothing

    key.WriteString("Q1", "/var/tmp/");
    key.WriteInteger("Q7", -204);
    key.WriteBool("Q11", true);
    EXPECT_EQ(key.ReadString("Q1"), "/var/tmp/");
    EXPECT_EQ(key.ReadInteger("Q7"), -204);
    EXPECT_TRUE(key.ReadBool("Q11"));
    EXPECT_EQ(key.ValueType("Q1"), SettingsType::String);
    EXPECT_EQ(key.ValueType("Q7"), SettingsType::DWord);

    try {
        key.ReadInteger("Q1");
        FAIL();
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Invalid data type for 'Q1'");
    }
    try {
        key.ReadString("Q7");
        FAIL();
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Invalid data type for 'Q7'");
    }
    EXPECT_THROW(key.ReadString("Q2"), Exception);

    key.WriteInteger("Q11", 7); // any non-zero integer reads as true
    EXPECT_TRUE(key.ReadBool("Q11"));
    key.WriteString("Q11", "1"); // a value may change its type
    EXPECT_THROW(key.ReadBool("Q11"), Exception);

    EXPECT_TRUE(key.DeleteValue("Q11"));
    EXPECT_FALSE(key.DeleteValue("Q11"));
    EXPECT_FALSE(key.ValueExists("Q11"));
}

TEST_F(StoreTest, EveryOperationSeesTheLatestWrite) {
    SettingsKey first, second;
    first.WriteString("Q1", "a");
    EXPECT_EQ(second.ReadString("Q1"), "a");
    second.WriteString("Q2", "5");
    first.WriteString("Q1", "b"); // keeps what the other key wrote meanwhile
    EXPECT_EQ(first.ReadString("Q2"), "5");
    EXPECT_EQ(second.ReadString("Q1"), "b");
}

TEST_F(StoreTest, TextsWithAnyCharactersComeBackUnchanged) {
    SettingsKey key;
    const std::string awkward = "tab\there\nnew line\\back\rslash \xC2\xB4 [x]";
    key.WriteString("odd\tname", awkward);
    key.WriteString("empty", "");
    EXPECT_EQ(SettingsKey().ReadString("odd\tname"), awkward);
    EXPECT_EQ(SettingsKey().ReadString("empty"), "");
    key.WriteInteger("min", INT32_MIN);
    EXPECT_EQ(SettingsKey().ReadInteger("min"), INT32_MIN);
}

TEST_F(StoreTest, OtherKeysInTheFileAreCarriedOver) {
    SettingsKey("software\\Other").WriteString("X", "kept");
    SettingsKey key;
    key.WriteString("Q1", "/tmp/");
    key.WriteInteger("Q7", 1);
    EXPECT_EQ(SettingsKey("software\\Other").ReadString("X"), "kept");
    EXPECT_FALSE(SettingsKey("software\\Other").ValueExists("Q1"));
}

TEST_F(StoreTest, WritesLeaveNoTemporaryFilesBehind) {
    SettingsKey key;
    for (int i = 0; i < 20; ++i) key.WriteInteger("Q" + std::to_string(i), i);
    for (const auto& entry : fs::directory_iterator(SettingsKey::StoreDirectory())) {
        const auto name = entry.path().filename().string();
        EXPECT_TRUE(name == "settings.conf" || name == "settings.lock") << name;
    }
}

TEST_F(StoreTest, TheStoreIsReadableByItsOwnerAlone) {
    SettingsKey().WriteString("Q1", "/tmp/");
    struct stat st {};
    ASSERT_EQ(::stat(SettingsKey::StoreFile().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(StoreTest, ADamagedFileIsSetAsideUnderANewNameEachTime) {
    const std::string damaged =
        "# Torvane Test settings\n[software\\Quarnett\\Torvane Test]\nQ1\tsz\t/tmp/\nQ7\tdword\t-1\n";
    WriteFile(SettingsKey::StoreFile(), damaged);
    SettingsKey::TakeLoadProblem();

    SettingsKey key;
    EXPECT_FALSE(key.ValueExists("Q1")); // the whole file is set aside, readable values too
    const auto problem = SettingsKey::TakeLoadProblem();
    EXPECT_NE(problem.find("line 4"), std::string::npos) << problem;
    EXPECT_TRUE(SettingsKey::TakeLoadProblem().empty()); // told once

    WriteFile(SettingsKey::StoreFile(), "garbage\n");
    EXPECT_FALSE(key.ValueExists("Q1"));

    std::vector<std::string> aside;
    for (const auto& entry : fs::directory_iterator(SettingsKey::StoreDirectory()))
        if (entry.path().filename().string().find(".damaged-") != std::string::npos)
            aside.push_back(ReadFile(entry.path().string()));
    ASSERT_EQ(aside.size(), 2u);
    EXPECT_TRUE((aside[0] == damaged && aside[1] == "garbage\n") ||
                (aside[1] == damaged && aside[0] == "garbage\n"));

    key.WriteString("Q1", "/tmp/");
    EXPECT_EQ(key.ReadString("Q1"), "/tmp/");
}

TEST_F(StoreTest, AnUnreadableStoreIsNeverReplaced) {
    // A directory where the file belongs opens but cannot be read.
    fs::create_directories(SettingsKey::StoreFile());
    WriteFile(SettingsKey::StoreFile() + "/inside", "user data");
    SettingsKey::TakeLoadProblem();

    SettingsKey key;
    EXPECT_FALSE(key.ValueExists("Q1"));
    EXPECT_NE(SettingsKey::TakeLoadProblem().find("cannot be read"), std::string::npos);
    try {
        key.WriteString("Q1", "/tmp/");
        FAIL();
    } catch (const EFCreateError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot create file " + SettingsKey::StoreFile());
    }
    EXPECT_EQ(ReadFile(SettingsKey::StoreFile() + "/inside"), "user data");
}

TEST_F(StoreTest, AStoreBehindALinkThatCannotBeReadIsNeverReplaced) {
    // The folder itself takes new files, so a write that ignored the unreadable store would succeed and
    // replace the link: the refusal is the only thing that keeps it.
    fs::create_directories(SettingsKey::StoreDirectory());
    fs::create_directories(folder / "elsewhere");
    WriteFile(folder / "elsewhere/inside", "user data");
    fs::create_directory_symlink(folder / "elsewhere", SettingsKey::StoreFile());
    SettingsKey::TakeLoadProblem();

    SettingsKey key;
    EXPECT_FALSE(key.ValueExists("Q1"));
    try {
        key.WriteString("Q1", "/tmp/");
        FAIL();
    } catch (const ESettingsWriteError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot create file " + SettingsKey::StoreFile());
        EXPECT_NE(e.Describe().find("cannot be read"), std::string::npos) << e.Describe();
    }
    EXPECT_TRUE(fs::is_symlink(SettingsKey::StoreFile()));
    EXPECT_EQ(ReadFile(folder / "elsewhere/inside"), "user data");
}

TEST_F(StoreTest, AWriteErrorNamesItsReason) {
    WriteFile(folder / "blocker", "a file where a folder should be");
    ::setenv("TORVANE_CONFIG_DIR", (folder / "blocker/config").c_str(), 1);
    try {
        SettingsKey().WriteString("Q2", "104857600");
        FAIL();
    } catch (const ESettingsWriteError& e) {
        EXPECT_NE(e.Describe().find("Not a directory"), std::string::npos) << e.Describe();
    }
}

TEST_F(StoreTest, ARightSizedStoreIsReadAndALargerOneIsSetAsideUnread) {
    const std::string values = "[software\\Quarnett\\Torvane Test]\nQ1\tsz\t/var/tmp/\n";
    // Padded with comment lines to exactly the largest size a store may have.
    std::string largest = values;
    while (largest.size() < static_cast<size_t>(LargestSettingsFile)) {
        const size_t room = static_cast<size_t>(LargestSettingsFile) - largest.size();
        largest += room > 80 ? "#" + std::string(78, 'x') + "\n" : std::string(room - 1, '#') + "\n";
    }
    ASSERT_EQ(largest.size(), static_cast<size_t>(LargestSettingsFile));
    WriteFile(SettingsKey::StoreFile(), largest);
    SettingsKey::TakeLoadProblem();
    EXPECT_EQ(SettingsKey().ReadString("Q1"), "/var/tmp/");
    EXPECT_TRUE(SettingsKey::TakeLoadProblem().empty());

    WriteFile(SettingsKey::StoreFile(), largest + "#");
    EXPECT_FALSE(SettingsKey().ValueExists("Q1"));
    const auto problem = SettingsKey::TakeLoadProblem();
    EXPECT_NE(problem.find("larger than 1 MB"), std::string::npos) << problem;
    EXPECT_FALSE(fs::exists(SettingsKey::StoreFile()));
    int aside = 0;
    for (const auto& entry : fs::directory_iterator(SettingsKey::StoreDirectory()))
        if (entry.path().filename().string().find(".damaged-") != std::string::npos) {
            ++aside;
            EXPECT_EQ(fs::file_size(entry.path()), static_cast<std::uintmax_t>(LargestSettingsFile) + 1);
        }
    EXPECT_EQ(aside, 1);
}

TEST_F(StoreTest, AByteOrderMarkAtTheStartIsAccepted) {
    WriteFile(
        SettingsKey::StoreFile(),
        "\xEF\xBB\xBF# Torvane Test settings\r\n[software\\Quarnett\\Torvane Test]\r\nQ7\tdword\t204\r\n");
    SettingsKey::TakeLoadProblem();
    SettingsKey key;
    EXPECT_EQ(key.ReadInteger("Q7"), 204);
    EXPECT_TRUE(SettingsKey::TakeLoadProblem().empty());
    key.WriteInteger("Q8", 108); // the file is written back as it is read
    EXPECT_EQ(key.ReadInteger("Q7"), 204);

    // Only at the very start: elsewhere the mark is part of what it stands in.
    WriteFile(SettingsKey::StoreFile(), "[software\\Quarnett\\Torvane Test]\n\xEF\xBB\xBFQ7\tdword\t204\n");
    EXPECT_FALSE(key.ValueExists("Q7"));
}

TEST_F(StoreTest, OneReadSeesEveryValueAndOneWriteChangesSeveral) {
    SettingsKey key;
    key.Write({{"Q7", SettingsValue::Integer(1)},
               {"Q8", SettingsValue::Integer(2)},
               {"Q1", SettingsValue::String("/x/")}});
    const auto snapshot = key.Read();
    key.Write({{"Q7", SettingsValue::Integer(9)}, {"Q1", std::nullopt}});
    // The snapshot is what the store held when it was read.
    EXPECT_EQ(snapshot.ReadInteger("Q7"), 1);
    EXPECT_EQ(snapshot.ReadString("Q1"), "/x/");
    EXPECT_EQ(key.ReadInteger("Q7"), 9);
    EXPECT_EQ(key.ReadInteger("Q8"), 2);
    EXPECT_FALSE(key.ValueExists("Q1"));

    EXPECT_TRUE(key.WriteStringIfAbsent("Q2", "104857600"));
    EXPECT_FALSE(key.WriteStringIfAbsent("Q2", "1"));
    EXPECT_EQ(key.ReadString("Q2"), "104857600");
}

TEST_F(StoreTest, AStoreThatCannotBeCreatedFailsWithTheFileName) {
    WriteFile(folder / "blocker", "a file where a folder should be");
    ::setenv("TORVANE_CONFIG_DIR", (folder / "blocker/config").c_str(), 1);
    SettingsKey key;
    EXPECT_FALSE(key.ValueExists("Q1"));
    try {
        key.WriteInteger("Q7", 1);
        FAIL();
    } catch (const EFCreateError& e) {
        EXPECT_NE(std::string(e.what()).find("Cannot create file "), std::string::npos);
    }
}

TEST(StoreLocation, FollowsTheEnvironment) {
    SavedVariable config("TORVANE_CONFIG_DIR"), xdg("XDG_CONFIG_HOME"), home("HOME");
    ::unsetenv("TORVANE_CONFIG_DIR");
    ::setenv("XDG_CONFIG_HOME", "/home/u/.cfg", 1);
    EXPECT_EQ(SettingsKey::StoreFile(), "/home/u/.cfg/Quarnett/Torvane Test/settings.conf");
    ::unsetenv("XDG_CONFIG_HOME");
    ::setenv("HOME", "/home/u", 1);
    EXPECT_EQ(SettingsKey::StoreDirectory(), "/home/u/.config/Quarnett/Torvane Test");
    ::setenv("TORVANE_CONFIG_DIR", "/x/y", 1);
    EXPECT_EQ(SettingsKey::StoreFile(), "/x/y/settings.conf");
}

} // namespace
} // namespace torvane::test
