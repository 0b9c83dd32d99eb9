// torvane-crypt's cipher commands (block, encrypt, decrypt, list ciphers), run in-process with string
// streams for the standard streams.

#include "CipherCommands.h"

#include "common/RandomBytes.h"
#include "common/TempDir.h"
#include "crypto/Catalogue.h"
#include "crypto/cipher/DES.h"
#include "crypto/common/Hex.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <sstream>

using namespace torvane::crypt;
using namespace torvane::test;
using torvane::crypto::common::ParseHex;
using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

namespace {

struct Run {
    int status = -1;
    std::string out, err;
};

Run Block(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    Run r;
    r.status = BlockCommand(args, out, err);
    r.out = out.str();
    r.err = err.str();
    return r;
}

Run Code(bool encrypt, const std::vector<std::string>& args) {
    std::ostringstream out, err;
    Run r;
    r.status = CodeCommand(args, encrypt, out, err, nullptr);
    r.out = out.str();
    r.err = err.str();
    return r;
}

class CryptFiles : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return dir_.Path(name); }
    void Write(const std::string& name, const Bytes& data) const { WriteBytes(Path(name), data); }
    Bytes Read(const std::string& name) const { return ReadBytes(Path(name)); }
    std::size_t FileCount() const {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(dir_.Path()), fs::directory_iterator()));
    }
    TempDir dir_;
};

// ---- block ----

TEST(CryptBlock, CodesOneBlockWithTheRawKey) {
    // FIPS 81, Appendix B: "Now is t" under 0123456789ABCDEF.
    auto r = Block({"--algo", "des single 8byte", "--key-hex", "0123456789abcdef", "4E6F772069732074"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "3FA40E8A984D4815\n");
    r = Block(
        {"--algo", "DES Single 8byte", "--key-hex", "0123456789ABCDEF", "--decrypt", "3FA40E8A984D4815"});
    EXPECT_EQ(r.out, "4E6F772069732074\n");
    // NIST SP 800-67 Rev. 1, Appendix B, first block.
    r = Block({"--algo", "DES Triple 8byte", "--key-hex", "0123456789ABCDEF23456789ABCDEF01456789ABCDEF0123",
               "5468652071756663"});
    EXPECT_EQ(r.out, "A826FD8CE53B855F\n");
}

TEST(CryptBlock, WrongLengthsAndNamesAreUsageErrors) {
    const std::vector<std::vector<std::string>> bad = {
        {"--algo", "DES Single 8byte", "--key-hex", "0123456789ABCDEF", "00112233"},           // short block
        {"--algo", "DES Single 8byte", "--key-hex", "0123456789ABCDEF01", "0011223344556677"}, // long key
        {"--algo", "DES Single 8byte", "--key-hex", "0123456789ABCDEG", "0011223344556677"},   // bad hex
        {"--algo", "DES Single 8byte", "--key-hex", "012", "0011223344556677"},                // odd hex
        {"--algo", "Lucifer", "--key-hex", "00", "0011223344556677"},                          // unknown
        {"--algo", "DES Single 8byte", "0011223344556677"},                                    // no key
        {"--algo", "DES Single 8byte", "--key-hex", "00", "--bogus", "0011223344556677"},
    };
    for (const auto& args : bad) {
        const auto r = Block(args);
        EXPECT_EQ(r.status, 2) << args[args.size() - 1];
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("usage:"), std::string::npos);
    }
}

// ---- list ciphers ----

TEST(CryptList, ListsTheCatalogueWithNotesAndSizes) {
    std::ostringstream out;
    EXPECT_EQ(ListCiphers(out), 0);
    std::istringstream lines(out.str());
    std::string line;
    std::vector<std::string> all;
    while (std::getline(lines, line)) all.push_back(line);
    const auto& entries = torvane::crypto::CipherCatalogue().Entries();
    ASSERT_EQ(all.size(), entries.size());
    for (std::size_t i = 0; i < all.size(); ++i)
        EXPECT_EQ(all[i].substr(0, all[i].find('\t')), entries[i].Name());
    EXPECT_NE(out.str().find("DES Single 8byte\t-\t8\t8\n"), std::string::npos);
    EXPECT_NE(out.str().find("DES Triple 24byte\t-\t24\t24\n"), std::string::npos);
    EXPECT_NE(out.str().find("DESX\tCopyright by RSA\t8\t16\n"), std::string::npos);
}

// ---- encrypt / decrypt ----

TEST_F(CryptFiles, RoundTripsAndCodesLikeTheLibrary) {
    const Bytes plain = RandomBytes(10000, 1);
    Write("plain", plain);
    const std::vector<std::string> opts = {"--algo",    "DES Triple 16byte",
                                           "--mode",    "cbc",
                                           "--key-hex", "00112233445566778899AABBCCDDEEFF0011223344556677",
                                           "--iv-hex",  "000102030405060708090A0B0C0D0E0F"};
    auto args = opts;
    args.insert(args.end(), {Path("plain"), Path("coded")});
    auto r = Code(true, args);
    ASSERT_EQ(r.status, 0) << r.err;

    torvane::crypto::TCipher_3DDES ref;
    ref.Mode = torvane::crypto::cmCBC;
    const Bytes key = *ParseHex("00112233445566778899AABBCCDDEEFF0011223344556677");
    const Bytes iv = *ParseHex("000102030405060708090A0B0C0D0E0F");
    ref.Init(key.data(), 24, iv.data());
    ref.ProcessFile(Path("plain"), Path("expected"), true);
    EXPECT_EQ(Read("coded"), Read("expected"));

    args = opts;
    args.insert(args.end(), {Path("coded"), Path("back")});
    r = Code(false, args);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Read("back"), plain);
}

TEST_F(CryptFiles, TheSameFileAsInAndOutIsCodedInPlace) {
    const Bytes plain = RandomBytes(5000, 2);
    Write("f", plain);
    const std::vector<std::string> opts = {"--algo", "desx", "--key-hex", "0123456789ABCDEF08192A3B4C5D6E7F"};
    auto args = opts;
    args.insert(args.end(), {Path("f"), Path("f")});
    ASSERT_EQ(Code(true, args).status, 0);
    EXPECT_NE(Read("f"), plain);
    ASSERT_EQ(Code(false, args).status, 0);
    EXPECT_EQ(Read("f"), plain);
    EXPECT_EQ(FileCount(), 1u) << "no temporary file may stay behind";
}

TEST_F(CryptFiles, AFailedRunLeavesAnExistingOutputAlone) {
    Write("old", Bytes(777, 0x42));
    const auto r =
        Code(true, {"--algo", "DES Single 8byte", "--key-hex", "00", Path("missing"), Path("old")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Cannot open file " + Path("missing") + "\n");
    EXPECT_EQ(Read("old"), Bytes(777, 0x42));
    EXPECT_EQ(FileCount(), 1u);
}

TEST_F(CryptFiles, OptionsAreCheckedBeforeAnyFileIsTouched) {
    Write("in", Bytes(10, 1));
    const std::string in = Path("in"), out = Path("out");
    const std::vector<std::vector<std::string>> bad = {
        {"--algo", "DES Single 8byte", "--key-hex", "00", "--iv-hex", "0011", in, out}, // short vector
        {"--algo", "DES Single 8byte", "--key-hex", "00", "--mode", "xts", in, out},
        {"--algo", "DES Single 8byte", "--key-hex", "00", "--check", in, out}, // check needs a text key
        {"--algo", "DES Single 8byte", "--key", "a", "--key-hex", "00", in, out},
        {"--algo", "DES Single 8byte", in, out},
        {"--algo", "DES Single 8byte", "--key-hex", "00", "--key-hash", "Tiger", in, out},
        {"--algo", "DES Single 8byte", "--key", "a", "--key-hash", "No Such Hash", in, out},
        {"--algo", "Nothing", "--key-hex", "00", in, out},
        {"--algo", "DES Single 8byte", "--key-hex", "00", in},
    };
    for (const auto& args : bad) {
        const auto r = Code(true, args);
        EXPECT_EQ(r.status, 2) << r.err;
        EXPECT_NE(r.err.find("usage:"), std::string::npos);
    }
    EXPECT_FALSE(fs::exists(out));
}

bool HaveHash(const char* name) {
    return torvane::crypto::HashCatalogue().FindByName(name) != nullptr;
}

TEST_F(CryptFiles, AWrongKeyWithCheckSaysSoAndKeepsTheOutput) {
    if (!HaveHash("Secure Hash Algorithm 1")) GTEST_SKIP() << "SHA-1 has not landed here yet";
    Write("plain", RandomBytes(3000, 3));
    ASSERT_EQ(
        Code(true, {"--algo", "DES Triple 24byte", "--key", "right", "--check", Path("plain"), Path("coded")})
            .status,
        0);
    EXPECT_EQ(Read("coded").size(), 3000u + 20u);
    Write("out", Bytes(5, 5));
    const auto r =
        Code(false, {"--algo", "DES Triple 24byte", "--key", "wrong", "--check", Path("coded"), Path("out")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Encryptionkey is invalid\n");
    EXPECT_EQ(Read("out"), Bytes(5, 5));
    EXPECT_EQ(FileCount(), 3u);
    const auto ok =
        Code(false, {"--algo", "des triple 24byte", "--key", "right", "--check", Path("coded"), Path("out")});
    EXPECT_EQ(ok.status, 0) << ok.err;
    EXPECT_EQ(Read("out"), Read("plain"));
}

TEST_F(CryptFiles, AKeyHashOfTheCatalogueKeysTheCipher) {
    if (!HaveHash("CRC-32")) GTEST_SKIP() << "CRC-32 has not landed here yet";
    Write("plain", RandomBytes(100, 4));
    ASSERT_EQ(Code(true, {"--algo", "DES Double 8byte", "--key", "pw", "--key-hash", "crc-32", Path("plain"),
                          Path("coded")})
                  .status,
              0);
    // CRC-32 gives 4 key bytes, so the same key through --key-hex codes alike.
    torvane::crypto::TCipher_2DES ref;
    ref.SetKeyHashClass(torvane::crypto::HashCatalogue().FindByName("CRC-32")->Class);
    ref.InitKey("pw", nullptr);
    ref.ProcessFile(Path("plain"), Path("expected"), true);
    EXPECT_EQ(Read("coded"), Read("expected"));
}

} // namespace
