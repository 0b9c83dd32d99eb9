#include "platform/CommandLine.h"
#include "platform/Files.h"

#include <gtest/gtest.h>

namespace torvane {
namespace {

TEST(CommandLine, QuotedProgramPathOneBlankAndTheArgumentsJoinedByBlanks) {
    EXPECT_EQ(BuildRawCommandLine("/usr/bin/torvane", {}), "\"/usr/bin/torvane\"");
    EXPECT_EQ(BuildRawCommandLine("/usr/bin/torvane", {"/home/u/a.tvc"}),
              "\"/usr/bin/torvane\" /home/u/a.tvc");
    EXPECT_EQ(BuildRawCommandLine("/opt/my app/torvane", {"a b.tvc", "x"}),
              "\"/opt/my app/torvane\" a b.tvc x");
    EXPECT_EQ(BuildRawCommandLine("/t", {""}), "\"/t\" ");
}

TEST(CommandLine, OfThisProcess) {
    const auto program = ProgramFilePath();
    ASSERT_FALSE(program.empty());
    EXPECT_EQ(program.front(), '/');
    EXPECT_TRUE(FileExists(program));
    EXPECT_EQ(ProgramDirectory(), ExtractFilePath(program));
    const auto line = RawCommandLine();
    EXPECT_EQ(line.rfind("\"" + program + "\"", 0), 0u) << line;
    // The test runner passes its filter, which the rebuilt line must hold word for word.
    for (const auto& argument : ProcessArguments()) EXPECT_NE(line.find(" " + argument), std::string::npos);
}

} // namespace
} // namespace torvane
