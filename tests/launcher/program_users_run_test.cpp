// Which file the program proper tells the desktop it is: the launcher that starts it, found both ways
// (the launcher where it should be, and the program proper where that launcher looks), else itself.

#include "launcher/ProgramUsersRun.h"

#include "common/TempDir.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace fs = std::filesystem;
using torvane::app::BuiltLauncherPaths;
using torvane::app::LauncherOf;
using torvane::test::TempDir;

namespace {

constexpr const char* kPrivate = "../libexec/torvane/torvane";
constexpr const char* kInstalled = "../../bin/torvane";

std::string MakeProgram(const std::string& path, mode_t mode = 0755) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path) << "#!/bin/sh\n";
    ::chmod(path.c_str(), mode);
    return fs::canonical(path).string();
}

} // namespace

TEST(LauncherOf, FindsTheLauncherThatStartsTheProgram) {
    TempDir root;
    const auto launcher = MakeProgram(root / "usr/bin/torvane");
    const auto program = MakeProgram(root / "usr/libexec/torvane/torvane");
    EXPECT_EQ(LauncherOf(program, kPrivate, {kInstalled}), launcher);
    // The first candidate missing (an installation), the second (a build) is found.
    EXPECT_EQ(LauncherOf(program, kPrivate, {"../../app/torvane", kInstalled}), launcher);
    // Through a linked folder, as a user may have started it.
    fs::create_directory_symlink(root / "usr", root / "linked");
    EXPECT_EQ(LauncherOf(root / "linked/libexec/torvane/torvane", kPrivate, {kInstalled}), launcher);
}

TEST(LauncherOf, RefusesWhatIsNoLauncherOfThisProgram) {
    TempDir root;
    const auto program = MakeProgram(root / "usr/libexec/torvane/torvane");
    // Nothing there.
    EXPECT_EQ(LauncherOf(program, kPrivate, {kInstalled}), "");
    // A file that cannot be run, a folder.
    MakeProgram(root / "usr/bin/torvane", 0644);
    EXPECT_EQ(LauncherOf(program, kPrivate, {kInstalled}), "");
    fs::remove(root / "usr/bin/torvane");
    fs::create_directory(root / "usr/bin/torvane");
    EXPECT_EQ(LauncherOf(program, kPrivate, {kInstalled}), "");
    fs::remove(root / "usr/bin/torvane");
    MakeProgram(root / "usr/bin/torvane");
    // A copy of the program elsewhere: the launcher at the same relative place starts another program.
    const auto copy = MakeProgram(root / "usr/opt/torvane/torvane");
    EXPECT_EQ(LauncherOf(copy, kPrivate, {kInstalled}), "");
    // A launcher that would start a program of another name.
    EXPECT_EQ(LauncherOf(program, "../libexec/torvane/other", {kInstalled}), "");
}

// The paths this build was made with fit its own folders and an installation's.
TEST(LauncherOf, ThisBuildsLayout) {
    const auto paths = BuiltLauncherPaths();
    EXPECT_EQ(LauncherOf(TORVANE_TEST_PROGRAM, paths.PrivateProgram, {paths.Built}),
              fs::canonical(TORVANE_TEST_LAUNCHER).string());
    TempDir root;
    const auto launcher = MakeProgram(root / TORVANE_TEST_BINDIR "/torvane");
    const auto program = MakeProgram(root / TORVANE_TEST_PRIVATE_DIR "/torvane");
    EXPECT_EQ(LauncherOf(program, paths.PrivateProgram, {paths.Installed}), launcher);
}
