// torvane-crypt's hash and list commands, run in-process with string streams for the standard streams.

#include "Commands.h"

#include "common/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

using namespace torvane::crypt;
using torvane::test::TempDir;

namespace {

struct Run {
    int status = -1;
    std::string out, err;
};

Run Crypt(const CommandArgs& args, const std::string& input = "") {
    std::istringstream in(input);
    std::ostringstream out, err;
    CommandIO io{in, out, err};
    Run r;
    r.status = RunCommandLine(args, io);
    r.out = out.str();
    r.err = err.str();
    return r;
}

TEST(CryptHash, DefaultsToCrc32InHexadecimal) {
    TempDir dir;
    const auto f = dir.Write("check.txt", "123456789");
    const auto r = Crypt({"hash", f});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "2639F4CB  " + f + "\n"); // CRC-32 CBF43926, digest bytes least significant first
    EXPECT_EQ(r.err, "");
}

TEST(CryptHash, NamesAnAlgorithmOfTheCatalogueWithoutRegardToCase) {
    const auto r = Crypt({"hash", "--algo", "secure hash algorithm 1"}, "abc");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "A9993E364706816ABA3E25717850C26C9CD0D89D  -\n");
    EXPECT_EQ(Crypt({"hash", "--algo=Message Digest 5", "-"}, "abc").out,
              "900150983CD24FB0D6963F7D28E17F72  -\n");
}

TEST(CryptHash, PrintsFormat64OnRequest) {
    const auto r = Crypt({"hash", "--format", "64"}, "abc");
    EXPECT_EQ(r.out, "wkEkNQ==  -\n");
}

TEST(CryptHash, UnreadableFileIsReportedAndTheOthersAreStillHashed) {
    TempDir dir;
    const auto a = dir.Write("a.txt", "abc");
    const auto missing = dir.Path("missing.txt");
    const auto r = Crypt({"hash", "--algo", "CRC-32", a, missing, a});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "C2412435  " + a + "\nC2412435  " + a + "\n");
    EXPECT_EQ(r.err, "torvane-crypt hash: Cannot open file " + missing + "\n");
}

TEST(CryptHash, BadUsageExitsWithTwo) {
    for (const CommandArgs& args : std::vector<CommandArgs>{
             {"hash", "--format", "32"}, {"hash", "--bogus"}, {"hash", "--algo"}, {"nonsense"}, {}}) {
        const auto r = Crypt(args, "abc");
        EXPECT_EQ(r.status, 2) << (args.empty() ? "(none)" : args.back());
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("usage"), std::string::npos) << r.err;
    }
    const auto unknown = Crypt({"hash", "--algo", "No Such Hash"}, "abc");
    EXPECT_EQ(unknown.status, 2);
    EXPECT_EQ(unknown.out, "");
    EXPECT_NE(unknown.err.find("unknown hash algorithm 'No Such Hash'"), std::string::npos);
}

TEST(CryptHash, HelpGoesToStandardOutput) {
    const auto r = Crypt({"hash", "--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("usage: torvane-crypt hash", 0), 0u);
    EXPECT_EQ(Crypt({"--help"}).status, 0);
}

TEST(CryptHash, DoubleDashEndsTheOptions) {
    TempDir dir;
    const auto f = dir.Write("--format", "abc");
    const auto r = Crypt({"hash", "--", f});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "C2412435  " + f + "\n");
}

TEST(CryptList, ListsEveryHashWithNoteAndDigestBits) {
    const auto r = Crypt({"list", "hashes"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Message Digest 5\tHash\t128\n"), std::string::npos);
    EXPECT_NE(r.out.find("Secure Hash Algorithm 1\tHash\t160\n"), std::string::npos);
    EXPECT_NE(r.out.find("Tiger\tHash\t192\n"), std::string::npos);
    EXPECT_TRUE(r.out.ends_with("CRC-32\tChecksum\t32\n"));
    EXPECT_EQ(r.out.rfind("Message Digest 4\tHash\t128\n", 0), 0u);
    const auto both = Crypt({"list"});
    EXPECT_EQ(both.status, 0);
    EXPECT_EQ(std::count(both.out.begin(), both.out.end(), '\n'), 1 + 28 + 1 + 39);
    EXPECT_EQ(both.out.find("# hashes"), 0u);
    EXPECT_LT(both.out.find("CRC-32\t"), both.out.find("# ciphers"));
    EXPECT_LT(both.out.find("# ciphers"), both.out.find("3Way\t-\t12\t12"));
    EXPECT_EQ(Crypt({"list", "everything"}).status, 2);
}

} // namespace
