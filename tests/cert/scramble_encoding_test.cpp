// The scrambler and the Windows-1252 crossing, and reading certificate files.

#include "cert/CertificateFile.h"
#include "cert/Scramble.h"
#include "cert/Windows1252.h"
#include "common/RandomBytes.h"
#include "common/TempDir.h"
#include "platform/Error.h"
#include "platform/Files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sys/stat.h>

namespace torvane::test {
namespace {

TEST(Scramble, TheTransformByteForByte) {
    // Byte i is XORed with key[i mod (L-1)], i mod 256 and L: for "Vostel58.drv", L = 12.
    std::string data(300, '\0');
    cert::ScrambleBytes(data, cert::ScrambleKey);
    EXPECT_EQ(static_cast<unsigned char>(data[0]), 'V' ^ 0 ^ 12);
    EXPECT_EQ(static_cast<unsigned char>(data[10]), 'r' ^ 10 ^ 12);
    EXPECT_EQ(static_cast<unsigned char>(data[11]), 'V' ^ 11 ^ 12); // the last key character is never used
    EXPECT_EQ(static_cast<unsigned char>(data[257]),
              static_cast<unsigned char>(cert::ScrambleKey[257 % 11] ^ 1 ^ 12));
    // A key of 256 characters adds nothing for its length.
    std::string zero(2, '\0');
    cert::ScrambleBytes(zero, std::string(256, '\x01'));
    EXPECT_EQ(zero, std::string("\x01\x00", 2));
    std::string any = "abc";
    EXPECT_THROW(cert::ScrambleBytes(any, "k"), std::invalid_argument);
    cert::ScrambleBytes(any, "kk");
}

TEST(Scramble, TwiceRestoresAFileAndTheProgramIsNeverTouched) {
    TempDir dir;
    const auto original = RandomBytes(70000, 12);
    const auto file = dir / "a.tvc";
    WriteBytes(file, original);
    cert::ScrambleFile(file, file, cert::ScrambleKey);
    EXPECT_NE(ReadBytes(file), original);
    cert::ScrambleFile(file, dir / "b.tvc", cert::ScrambleKey);
    EXPECT_EQ(ReadBytes(dir / "b.tvc"), original);
    cert::ScrambleFile(file, file, cert::ScrambleKey);
    EXPECT_EQ(ReadBytes(file), original);

    cert::ScrambleFile(dir / "none.tvc", dir / "out.tvc", cert::ScrambleKey);
    EXPECT_FALSE(FileExists(dir / "out.tvc"));

    // The running program (this test program) by its own name and through a link.
    const auto program = ProgramFilePath();
    const auto before = ReadBytes(program);
    cert::ScrambleFile(program, dir / "p.out", cert::ScrambleKey);
    std::filesystem::create_symlink(program, dir / "link");
    cert::ScrambleFile(dir / "link", dir / "link", cert::ScrambleKey);
    EXPECT_FALSE(FileExists(dir / "p.out"));
    EXPECT_EQ(ReadBytes(program), before);
}

TEST(Windows1252, EveryCharacterOfTheCodePageSurvivesTheWayThroughUtf8) {
    // Every byte but the five the code page leaves unassigned (Unicode's CP1252.TXT maps them to nothing).
    const std::string unassigned = "\x81\x8D\x8F\x90\x9D";
    std::string all;
    for (int b = 0; b < 256; ++b)
        if (unassigned.find(static_cast<char>(b)) == std::string::npos) all += static_cast<char>(b);
    ASSERT_EQ(all.size(), 251u);
    const auto utf8 = cert::Windows1252ToUtf8(all);
    EXPECT_EQ(cert::Utf8ToWindows1252(utf8, "x"), all);
    EXPECT_EQ(cert::Windows1252ToUtf8("\x80\x99\xB4\xFF\x81"), "\u20ac\u2122\u00b4\u00ff\u0081");
    EXPECT_EQ(cert::Utf8ToWindows1252("\u0178\u0152\u201c\u00e9", "x"), "\x9F\x8C\x93\xE9");
    // Their neighbours, which the code page assigns, pass.
    EXPECT_EQ(cert::Utf8ToWindows1252("\u20ac\u201a\u017d\u2018\u0153\u00a0", "x"),
              "\x80\x82\x8E\x91\x9C\xA0");
}

TEST(Windows1252, TheFiveUnassignedCodePointsAreRefused) {
    // Shown as C1 controls where a file holds them, they are no characters a certificate may be given.
    for (const char32_t c : {U'\u0081', U'\u008D', U'\u008F', U'\u0090', U'\u009D'}) {
        const std::string utf8{static_cast<char>(0xC2), static_cast<char>(0x80 | (c & 0x3F))};
        char code[8];
        std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
        try {
            cert::Utf8ToWindows1252("ab" + utf8, "Cooling");
            ADD_FAILURE() << code << " accepted";
        } catch (const cert::ECertificateText& e) {
            EXPECT_NE(std::string(e.what()).find(std::string("Cooling: the character \"") + utf8 + "\" (" +
                                                 code + ")"),
                      std::string::npos)
                << e.what();
        }
    }
    // The other C1 controls have no byte either (80-9F hold printable characters).
    EXPECT_THROW(cert::Utf8ToWindows1252("\u0080", "x"), cert::ECertificateText);
    EXPECT_THROW(cert::Utf8ToWindows1252("\u009F", "x"), cert::ECertificateText);
}

TEST(Windows1252, RefusesWhatItCannotHold) {
    for (const char* text :
         {"\u0100", "\u2603", "\xF0\x9F\x98\x80", "\xC3", "\xC0\xAF", "\xED\xA0\x80", "\xFF", "\xE2\x82"}) {
        EXPECT_THROW(cert::Utf8ToWindows1252(text, "Owner"), cert::ECertificateText) << text;
    }
    try {
        cert::Utf8ToWindows1252("ab\xE2\x82", "RAM");
        FAIL();
    } catch (const cert::ECertificateText& e) {
        EXPECT_STREQ(e.what(), "RAM: the text is not valid UTF-8 (byte E2 at position 3).");
    }
}

// A field is a view into a longer text: a sequence cut at the view's end is broken, whatever follows it.
TEST(Windows1252, ASequenceCutByTheEndOfTheTextIsRefused) {
    const std::string_view whole = "x\xC3\xA9\xE2\x82\xAC";
    EXPECT_EQ(cert::Utf8ToWindows1252(whole, "x"), "x\xE9\x80");
    for (const std::size_t length : {2u, 4u, 5u})
        EXPECT_THROW(cert::Utf8ToWindows1252(whole.substr(0, length), "x"), cert::ECertificateText) << length;
}

TEST(CertificateFile, ReadsNoMoreThanItMay) {
    TempDir dir;
    const auto file = dir.Write("c.tvc", std::string(1000, 'q'));
    EXPECT_EQ(cert::ReadWholeFile(file).size(), 1000u);
    EXPECT_EQ(cert::ReadWholeFile(file, 10).size(), 11u);
    EXPECT_EQ(cert::ReadWholeFile(file, 1000).size(), 1000u);
    EXPECT_THROW(cert::ReadWholeFile(dir / "missing.tvc"), EFOpenError);
    EXPECT_THROW(cert::ReadWholeFile(dir.Path()), EFOpenError);
    // A named pipe that nobody writes to reads as empty rather than waiting for a writer.
    ASSERT_EQ(::mkfifo((dir / "pipe.tvc").c_str(), 0600), 0);
    EXPECT_EQ(cert::ReadWholeFile(dir / "pipe.tvc"), "");
    // Reading asks for no write access.
    ::chmod(file.c_str(), 0444);
    EXPECT_EQ(cert::ReadWholeFile(file).size(), 1000u);
}

} // namespace
} // namespace torvane::test
