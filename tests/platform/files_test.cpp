#include "TempStore.h"

#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/ProcessInfo.h"

#include <sys/stat.h>
#include <unistd.h>

namespace torvane::test {
namespace {

TEST(Files, WorkDirectoriesEndWithOneSeparator) {
    EXPECT_EQ(WithTrailingSeparator("/tmp"), "/tmp/");
    EXPECT_EQ(WithTrailingSeparator("/tmp/"), "/tmp/");
    EXPECT_EQ(WithTrailingSeparator("D:\\Work\\"), "D:\\Work/");
    EXPECT_EQ(WithTrailingSeparator(""), "/");
    EXPECT_EQ(SystemTempDirectory().back(), '/');
    EXPECT_TRUE(DirectoryExists(SystemTempDirectory()));
}

TEST(Files, WindowsPathsOfTheProbesMapUnderTheRoot) {
    EXPECT_EQ(NativePath("C:\\autoexec.bat"), "/autoexec.bat");
    EXPECT_EQ(NativePath("C:\\fd123"), "/fd123");
    EXPECT_EQ(NativePath("/already/native"), "/already/native");
    EXPECT_EQ(ExtractFilePath("/opt/torvane/torvane"), "/opt/torvane/");
    EXPECT_EQ(ExtractFilePath("torvane"), "");
}

class AtomicWrite : public StoreTest {};

TEST_F(AtomicWrite, ReplacesTheWholeFileAndKeepsItsPermissions) {
    const auto file = folder / "dump.txt";
    WriteFile(file, "an old and much longer text");
    ::chmod(file.c_str(), 0640);
    WriteFileAtomically(file, "new\r\n");
    EXPECT_EQ(ReadFile(file), "new\r\n");
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_TRUE(DeleteFileIfExists(file));
    EXPECT_TRUE(DeleteFileIfExists(file)); // a missing file is no error
}

TEST_F(AtomicWrite, WritesThroughASymbolicLinkToItsTarget) {
    WriteFile(folder / "real.txt", "old");
    ASSERT_EQ(::symlink((folder / "real.txt").c_str(), (folder / "link.txt").c_str()), 0);
    WriteFileAtomically(folder / "link.txt", "new");
    EXPECT_EQ(ReadFile(folder / "real.txt"), "new");
    struct stat st {};
    ASSERT_EQ(::lstat((folder / "link.txt").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
}

TEST_F(AtomicWrite, FailsWithTheFileNameAndLeavesNothingBehind) {
    try {
        WriteFileAtomically(folder / "no/such/dir.txt", "x");
        FAIL();
    } catch (const EFCreateError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot create file " + (folder / "no/such/dir.txt"));
    }
    ::mkdir((folder / "adir").c_str(), 0700);
    EXPECT_THROW(WriteFileAtomically(folder / "adir", "x"), EFCreateError);
    EXPECT_TRUE(DirectoryExists(folder / "adir"));
    int entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder.Path())) ++entries;
    EXPECT_EQ(entries, 1);
}

TEST_F(AtomicWrite, ANewFileGetsTheModeAskedFor) {
    const auto file = folder / "private.txt";
    WriteFileAtomically(file, "secret", 0600);
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(ProcessInfo, AgeAndResidentMemoryOfThisProcess) {
    const auto age = ProcessAgeMilliseconds();
    EXPECT_GE(age, 0);
    EXPECT_LT(age, 24LL * 3600 * 1000);
    EXPECT_GT(ResidentKilobytes(), 0);
}

} // namespace
} // namespace torvane::test
