// torvane-crypt's hash and list commands, and what every command shares: the option syntax, the help,
// the messages, the checked standard output and the progress bar. Run in-process.

#include "CryptRun.h"

#include "common/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace torvane::crypt;
using namespace torvane::test;

namespace {

TEST(CryptHash, DefaultsToCrc32InHexadecimal) {
    TempDir dir;
    const auto f = dir.Write("check.txt", "123456789");
    const auto r = Crypt({"hash", f});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "2639F4CB  " + f + "\n"); // CRC-32 CBF43926, digest bytes least significant first
    EXPECT_EQ(r.err, "");
}

TEST(CryptHash, NamesAnAlgorithmOfTheCatalogueWithoutRegardToCase) {
    const auto r = Crypt({"hash", "--algo", "secure hash algorithm 1"}, {"abc"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "A9993E364706816ABA3E25717850C26C9CD0D89D  -\n");
    EXPECT_EQ(Crypt({"hash", "--algo=Message Digest 5", "-"}, {"abc"}).out,
              "900150983CD24FB0D6963F7D28E17F72  -\n");
}

TEST(CryptHash, PrintsFormat64OnRequest) {
    EXPECT_EQ(Crypt({"hash", "--format", "64"}, {"abc"}).out, "wkEkNQ==  -\n");
    EXPECT_EQ(Crypt({"hash", "--format=64", "-"}, {"abc"}).out, "wkEkNQ==  -\n");
}

TEST(CryptHash, StandardInputAndStreamsAreReadToTheirEnd) {
    // More than one read buffer through "-", as `cat f | torvane-crypt hash` gives it.
    const std::string big(100000, 'q');
    TempDir dir;
    const auto f = dir.Write("big", big);
    const auto fromFile = Crypt({"hash", "--algo", "Message Digest 5", f});
    const auto fromInput = Crypt({"hash", "--algo", "Message Digest 5"}, {big});
    ASSERT_EQ(fromFile.status, 0);
    EXPECT_EQ(fromInput.out, fromFile.out.substr(0, 32) + "  -\n");
    // /dev/null is a device of no length: the empty input's digest, not an error.
    EXPECT_EQ(Crypt({"hash", "/dev/null"}).out, "00000000  /dev/null\n");
}

TEST(CryptHash, NamesAreEscapedAsMd5sumEscapesThem) {
    TempDir dir;
    // A name that forges a second line, and one that would move the cursor.
    const auto forging = dir.Write("a\n2639F4CB  Authentic.tvc", "123456789");
    const auto cursor = dir.Write("b\x1b[1A\\", "123456789");
    const auto r = Crypt({"hash", forging, cursor, dir.Path("gone\r")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "\\2639F4CB  " + dir.Path("a\\n2639F4CB  Authentic.tvc") + "\n" + "\\2639F4CB  " +
                         dir.Path("b\\x1b[1A\\\\") + "\n");
    EXPECT_EQ(r.err, "torvane-crypt hash: Cannot open file " + dir.Path("gone\\r") +
                         ": No such file or directory\n");
    EXPECT_NE(Crypt({"hash", "--help"}).out.find("md5sum"), std::string::npos);
}

TEST(CryptHash, UnreadableFileIsReportedWithTheReasonAndTheOthersAreStillHashed) {
    TempDir dir;
    const auto a = dir.Write("a.txt", "abc");
    const auto missing = dir.Path("missing.txt");
    const auto r = Crypt({"hash", "--algo", "CRC-32", a, missing, a, dir.Path()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "C2412435  " + a + "\nC2412435  " + a + "\n");
    EXPECT_EQ(r.err, "torvane-crypt hash: Cannot open file " + missing + ": No such file or directory\n" +
                         "torvane-crypt hash: Cannot open file " + dir.Path() + ": Is a directory\n");
}

TEST(CryptHash, BadUsageExitsWithTwo) {
    for (const CommandArgs& args :
         std::vector<CommandArgs>{{"hash", "--format", "32"},
                                  {"hash", "--bogus"},
                                  {"hash", "--algo"},
                                  {"hash", "--algo", "Message Digest 5", "--algo=md4"},
                                  {"hash", "--algo", "No Such Hash"},
                                  {"nonsense"},
                                  {}}) {
        const auto r = Crypt(args, {"abc"});
        EXPECT_EQ(r.status, 2) << (args.empty() ? "(none)" : args.back());
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("usage"), std::string::npos) << r.err;
    }
    EXPECT_NE(Crypt({"hash", "--algo", "No Such Hash"}).err.find("unknown hash algorithm 'No Such Hash'"),
              std::string::npos);
}

TEST(CryptHash, DoubleDashEndsTheOptions) {
    TempDir dir;
    const auto f = dir.Write("--format", "abc");
    const auto r = Crypt({"hash", "--", f});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "C2412435  " + f + "\n");
    // After "--" even "--help" is a file name.
    const auto named = Crypt({"hash", "--", "--help"});
    EXPECT_EQ(named.status, 1);
    EXPECT_EQ(named.err, "torvane-crypt hash: Cannot open file --help: No such file or directory\n");
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
}

TEST(CryptList, SaysWhatIsWrongWithAnArgument) {
    auto r = Crypt({"list", "hashes", "extra"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "torvane-crypt list: unexpected argument 'extra': list shows hashes, ciphers or both\n"
                     "usage: torvane-crypt list [hashes|ciphers]\n");
    r = Crypt({"list", "everything"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err.substr(0, r.err.find('\n')),
              "torvane-crypt list: cannot list 'everything': list shows hashes, ciphers or both");
}

// ---- what every command shares ----

TEST(CryptCommands, EveryCommandHasTheSameHelp) {
    for (const auto& c : AllCommands()) {
        const auto r = Crypt({c.Name, "--help"});
        EXPECT_EQ(r.status, 0) << c.Name;
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.out.rfind(std::string("usage: torvane-crypt ") + c.Name, 0), 0u) << r.out;
        EXPECT_NE(r.out.find("\nOptions:\n"), std::string::npos) << c.Name;
        EXPECT_NE(r.out.find("\n  -h, --help "), std::string::npos) << c.Name;
        EXPECT_TRUE(
            r.out.ends_with("Exit status: 0 done, 1 an input, an output or a check failed, 2 bad usage.\n"))
            << c.Name;
        EXPECT_EQ(Crypt({c.Name, "-h"}).out, r.out);
    }
    const auto overall = Crypt({"--help"});
    EXPECT_EQ(overall.status, 0);
    for (const auto& c : AllCommands())
        EXPECT_NE(overall.out.find(std::string("  ") + c.Name), std::string::npos);
}

TEST(CryptCommands, EveryUsageErrorNamesTheCommandAndTheArgument) {
    struct Case {
        CommandArgs args;
        std::string first; // the first line of standard error
    };
    const std::vector<Case> cases = {
        {{"hash", "--bogus=1"}, "torvane-crypt hash: unknown option '--bogus=1'"},
        {{"hash", "--algo"}, "torvane-crypt hash: option '--algo' needs a value"},
        {{"block", "--algo", "DESX", "--algo", "DESX"},
         "torvane-crypt block: option '--algo' is given more than once"},
        {{"block", "--algo=DESX", "--key-hex=00", "00", "11"},
         "torvane-crypt block: unexpected argument '11': only one block can be coded"},
        {{"selftest", "now"},
         "torvane-crypt selftest: unexpected argument 'now': selftest takes no arguments"},
        {{"bench", "--mib=0"}, "torvane-crypt bench: --mib takes a whole number from 1 to 65536"},
        {{"bench", "--mode=xts"}, "torvane-crypt bench: unknown mode 'xts' (cts, cbc, cfb, ofb or ecb)"},
        {{"bench", "--algo=Lucifer"},
         "torvane-crypt bench: unknown cipher 'Lucifer' (see 'torvane-crypt list ciphers')"},
        {{"encrypt", "-x"}, "torvane-crypt encrypt: unknown option '-x'"},
        {{"decrypt", "--algo=DESX", "--key=k", "a", "b", "c"},
         "torvane-crypt decrypt: unexpected argument 'c'"},
    };
    for (const auto& c : cases) {
        const auto r = Crypt(c.args);
        EXPECT_EQ(r.status, 2) << c.first;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.substr(0, r.err.find('\n')), c.first);
        EXPECT_NE(r.err.find("\nusage: torvane-crypt " + c.args[0] + " "), std::string::npos) << r.err;
    }
}

TEST(CryptCommands, EveryOptionTakesItsValueAfterAnEqualsSign) {
    TempDir dir;
    const auto in = dir.Write("in", "some plain text");
    const auto out = dir.Path("out");
    EXPECT_EQ(Crypt({"hash", "--algo=Message Digest 5", "--format=16", in}).status, 0);
    EXPECT_EQ(
        Crypt({"block", "--algo=DES Single 8byte", "--key-hex=0123456789ABCDEF", "4E6F772069732074"}).out,
        "3FA40E8A984D4815\n");
    EXPECT_EQ(Crypt({"bench", "--algo=DESX", "--mode=cbc", "--mib=1"}).status, 0);
    const CommandArgs withEquals = {"encrypt",
                                    "--algo=Rijndael",
                                    "--mode=cbc",
                                    "--key=pw",
                                    "--key-hash=Message Digest 5",
                                    "--iv-hex=000102030405060708090A0B0C0D0E0F",
                                    "--check",
                                    in,
                                    out};
    ASSERT_EQ(Crypt(withEquals).status, 0);
    const auto coded = ReadBytes(out);
    const auto r =
        Crypt({"encrypt", "--algo", "Rijndael", "--mode", "cbc", "--key", "pw", "--key-hash",
               "Message Digest 5", "--iv-hex", "000102030405060708090A0B0C0D0E0F", "--check", in, "-"});
    EXPECT_EQ(std::vector<std::uint8_t>(r.out.begin(), r.out.end()), coded);
    EXPECT_EQ(Crypt({"encrypt", "--algo=Rijndael", "--key-hex=00112233", in, out}).status, 0);
}

TEST(CryptCommands, OutputThatCannotBeWrittenIsAFailure) {
    // Every command's output, as standard output on a full disk gives it.
    TempDir dir;
    const auto f = dir.Write("f", "abc");
    const std::vector<CommandArgs> commands = {
        {"hash", f},
        {"list"},
        {"list", "ciphers"},
        {"block", "--algo=DESX", "--key-hex=00", "0011223344556677"},
        {"selftest"},
        {"bench", "--algo=DESX", "--mib=1"},
        {"encrypt", "--algo=DESX", "--key=k", f, "-"},
        {"hash", "--help"},
    };
    for (const auto& args : commands) {
        const auto r = CryptIntoDevice(args, "/dev/full");
        EXPECT_EQ(r.status, 1) << args[0];
        EXPECT_TRUE(r.err.ends_with("torvane-crypt " + args[0] +
                                    ": Write error on standard output: No space left on device\n"))
            << r.err;
    }
    const auto help = CryptIntoDevice({"--help"}, "/dev/full");
    EXPECT_EQ(help.status, 1);
    EXPECT_EQ(help.err, "torvane-crypt: Write error on standard output: No space left on device\n");
    // The same output into /dev/null is fine.
    EXPECT_EQ(CryptIntoDevice({"hash", f}, "/dev/null").status, 0);
}

// ---- the progress bar ----

TEST(CryptProgress, ALongOperationShowsABarOnATerminalAndClearsIt) {
    TempDir dir;
    const auto f = dir.Write("f", std::string(200000, 'x'));
    TickingClock clock(60);
    const auto r = Crypt({"hash", f}, {"", true, &clock});
    EXPECT_EQ(r.status, 0);
    ASSERT_NE(r.err.find("\r["), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("%"), std::string::npos);
    EXPECT_EQ(r.err.find('\n'), std::string::npos) << "the bar never moves the terminal on a line";
    // The last thing it does is to clear its line.
    const auto lastLine = r.err.substr(r.err.rfind('\r', r.err.size() - 2));
    EXPECT_EQ(lastLine.find_first_not_of(" \r"), std::string::npos);

    // Standard input has no length: the bar counts what has been read.
    const auto piped = Crypt({"hash"}, {std::string(3 << 20, 'y'), true, &clock});
    EXPECT_NE(piped.err.find(" MiB"), std::string::npos) << piped.err;
    const auto coded = Crypt({"encrypt", "--algo=DESX", "--key=k", f, dir.Path("out")}, {"", true, &clock});
    EXPECT_NE(coded.err.find("\r["), std::string::npos);
}

TEST(CryptProgress, NoBarWhereStandardErrorIsNoTerminalOrTheOperationIsShort) {
    TempDir dir;
    const auto f = dir.Write("f", std::string(200000, 'x'));
    TickingClock slow(60);
    EXPECT_EQ(Crypt({"hash", f}, {"", false, &slow}).err, "");
    TickingClock fast(0);
    EXPECT_EQ(Crypt({"hash", f}, {"", true, &fast}).err, "");
}

} // namespace
