// torvane-crypt's cipher commands (block, encrypt, decrypt, list ciphers), run in-process: what they
// code, and that an output is never harmed: replaced whole or not at all, with its owner, group and mode,
// and special files written as they are.

#include "CryptRun.h"

#include "common/Fifo.h"
#include "common/OtherUser.h"
#include "common/RandomBytes.h"
#include "common/TempDir.h"
#include "crypto/Catalogue.h"
#include "crypto/cipher/DES.h"
#include "crypto/common/Hex.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <thread>

using namespace torvane::crypt;
using namespace torvane::test;
using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

namespace {

std::string Text(const Bytes& b) {
    return std::string(b.begin(), b.end());
}

class CryptFiles : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return dir_.Path(name); }
    void Write(const std::string& name, const Bytes& data) const { WriteBytes(Path(name), data); }
    Bytes Read(const std::string& name) const { return ReadBytes(Path(name)); }
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_.Path()))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    static struct stat Stat(const std::string& path) {
        struct stat st {};
        EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
        return st;
    }
    TempDir dir_;
};

const CommandArgs kDesx = {"--algo", "desx", "--key-hex", "0123456789ABCDEF08192A3B4C5D6E7F"};

CommandArgs Args(const char* command, const CommandArgs& options, const CommandArgs& files) {
    CommandArgs args{command};
    args.insert(args.end(), options.begin(), options.end());
    args.insert(args.end(), files.begin(), files.end());
    return args;
}

// ---- block ----

TEST(CryptBlock, CodesOneBlockWithTheRawKey) {
    // FIPS 81, Appendix B: "Now is t" under 0123456789ABCDEF.
    auto r =
        Crypt({"block", "--algo", "des single 8byte", "--key-hex", "0123456789abcdef", "4E6F772069732074"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "3FA40E8A984D4815\n");
    r = Crypt({"block", "--algo", "DES Single 8byte", "--key-hex", "0123456789ABCDEF", "--decrypt",
               "3FA40E8A984D4815"});
    EXPECT_EQ(r.out, "4E6F772069732074\n");
    // NIST SP 800-67 Rev. 1, Appendix B, first block.
    r = Crypt({"block", "--algo", "DES Triple 8byte", "--key-hex",
               "0123456789ABCDEF23456789ABCDEF01456789ABCDEF0123", "5468652071756663"});
    EXPECT_EQ(r.out, "A826FD8CE53B855F\n");
}

TEST(CryptBlock, WrongLengthsNamesAndEmptyKeysAreUsageErrors) {
    const std::vector<CommandArgs> bad = {
        {"--algo", "DES Single 8byte", "--key-hex", "0123456789ABCDEF", "00112233"},           // short block
        {"--algo", "DES Single 8byte", "--key-hex", "0123456789ABCDEF01", "0011223344556677"}, // long key
        {"--algo", "DES Single 8byte", "--key-hex", "0123456789ABCDEG", "0011223344556677"},   // bad hex
        {"--algo", "DES Single 8byte", "--key-hex", "012", "0011223344556677"},                // odd hex
        {"--algo", "DES Single 8byte", "--key-hex", "", "0011223344556677"},                   // empty key
        {"--algo", "Lucifer", "--key-hex", "00", "0011223344556677"},                          // unknown
        {"--algo", "DES Single 8byte", "0011223344556677"},                                    // no key
        {"--algo", "DES Single 8byte", "--key-hex", "00"},                                     // no block
        {"--algo", "DES Single 8byte", "--key-hex", "00", "--bogus", "0011223344556677"},
    };
    for (const auto& options : bad) {
        const auto r = Crypt(Args("block", options, {}));
        EXPECT_EQ(r.status, 2) << options.back();
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.rfind("torvane-crypt block: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find("\nusage: torvane-crypt block "), std::string::npos);
    }
}

// ---- list ciphers ----

TEST(CryptList, ListsTheCipherCatalogueWithNotesAndSizes) {
    const auto r = Crypt({"list", "ciphers"});
    EXPECT_EQ(r.status, 0);
    std::istringstream lines(r.out);
    std::string line;
    std::vector<std::string> all;
    while (std::getline(lines, line)) all.push_back(line);
    const auto& entries = torvane::crypto::CipherCatalogue().Entries();
    ASSERT_EQ(all.size(), entries.size());
    for (std::size_t i = 0; i < all.size(); ++i)
        EXPECT_EQ(all[i].substr(0, all[i].find('\t')), entries[i].Name());
    EXPECT_NE(r.out.find("DES Single 8byte\t-\t8\t8\n"), std::string::npos);
    EXPECT_NE(r.out.find("DES Triple 24byte\t-\t24\t24\n"), std::string::npos);
    EXPECT_NE(r.out.find("DESX\tCopyright by RSA\t8\t16\n"), std::string::npos);
}

// ---- encrypt / decrypt ----

TEST_F(CryptFiles, RoundTripsAndCodesLikeTheLibrary) {
    const Bytes plain = RandomBytes(10000, 1);
    Write("plain", plain);
    const CommandArgs opts = {"--algo",    "DES Triple 16byte",
                              "--mode",    "cbc",
                              "--key-hex", "00112233445566778899AABBCCDDEEFF0011223344556677",
                              "--iv-hex",  "000102030405060708090A0B0C0D0E0F"};
    auto r = Crypt(Args("encrypt", opts, {Path("plain"), Path("coded")}));
    ASSERT_EQ(r.status, 0) << r.err;

    torvane::crypto::TCipher_3DDES ref;
    ref.Mode = torvane::crypto::cmCBC;
    const Bytes key = *torvane::crypto::common::ParseHex("00112233445566778899AABBCCDDEEFF0011223344556677");
    const Bytes iv = *torvane::crypto::common::ParseHex("000102030405060708090A0B0C0D0E0F");
    ref.Init(key.data(), 24, iv.data());
    ref.ProcessFile(Path("plain"), Path("expected"), true);
    EXPECT_EQ(Read("coded"), Read("expected"));

    r = Crypt(Args("decrypt", opts, {Path("coded"), Path("back")}));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Read("back"), plain);
}

TEST_F(CryptFiles, TheSameFileAsInAndOutIsCodedInPlace) {
    const Bytes plain = RandomBytes(5000, 2);
    Write("f", plain);
    ASSERT_EQ(Crypt(Args("encrypt", kDesx, {Path("f"), Path("f")})).status, 0);
    EXPECT_NE(Read("f"), plain);
    ASSERT_EQ(Crypt(Args("decrypt", kDesx, {Path("f"), Path("f")})).status, 0);
    EXPECT_EQ(Read("f"), plain);
    EXPECT_EQ(Entries(), std::vector<std::string>{"f"}) << "no temporary file may stay behind";
}

TEST_F(CryptFiles, DashIsStandardInputAndOutput) {
    const Bytes plain = RandomBytes(9000, 3);
    Write("plain", plain);
    ASSERT_EQ(Crypt(Args("encrypt", kDesx, {Path("plain"), Path("coded")})).status, 0);
    const auto out = Crypt(Args("encrypt", kDesx, {"-", "-"}), {Text(plain)});
    EXPECT_EQ(out.status, 0) << out.err;
    EXPECT_EQ(out.out, Text(Read("coded")));
    const auto back = Crypt(Args("decrypt", kDesx, {"-", Path("back")}), {out.out});
    EXPECT_EQ(back.status, 0);
    EXPECT_EQ(Read("back"), plain);
    EXPECT_EQ(Entries(), (std::vector<std::string>{"back", "coded", "plain"})) << "no file called '-'";
}

TEST_F(CryptFiles, AFailedRunLeavesAnExistingOutputAloneAndSaysWhy) {
    Write("old", Bytes(777, 0x42));
    auto r = Crypt(Args("encrypt", kDesx, {Path("missing"), Path("old")}));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err,
              "torvane-crypt encrypt: Cannot open file " + Path("missing") + ": No such file or directory\n");
    EXPECT_EQ(Read("old"), Bytes(777, 0x42));

    Write("in", Bytes(10, 1));
    r = Crypt(Args("encrypt", kDesx, {Path("in"), Path("no/such/out")}));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "torvane-crypt encrypt: Cannot create file " + Path("no/such/out") +
                         ": No such file or directory\n");
    EXPECT_EQ(Entries(), (std::vector<std::string>{"in", "old"}));
}

TEST_F(CryptFiles, OptionsAreCheckedBeforeAnyFileIsTouched) {
    Write("in", Bytes(10, 1));
    const std::string in = Path("in"), out = Path("out");
    const std::vector<CommandArgs> bad = {
        {"--algo", "DES Single 8byte", "--key-hex", "00", "--iv-hex", "0011", in, out}, // short vector
        {"--algo", "DES Single 8byte", "--key-hex", "00", "--mode", "xts", in, out},
        {"--algo", "DES Single 8byte", "--key-hex", "00", "--check", in, out}, // check needs a text key
        {"--algo", "DES Single 8byte", "--key", "a", "--key-hex", "00", in, out},
        {"--algo", "DES Single 8byte", in, out},
        {"--algo", "DES Single 8byte", "--key-hex", "00", "--key-hash", "Tiger", in, out},
        {"--algo", "DES Single 8byte", "--key", "a", "--key-hash", "No Such Hash", in, out},
        {"--algo", "Nothing", "--key-hex", "00", in, out},
        {"--algo", "DES Single 8byte", "--key-hex", "00", in},
        {"--key-hex", "00", in, out},
    };
    for (const auto& options : bad) {
        const auto r = Crypt(Args("encrypt", options, {}));
        EXPECT_EQ(r.status, 2) << r.err;
        EXPECT_NE(r.err.find("usage:"), std::string::npos);
    }
    EXPECT_FALSE(fs::exists(out));
}

TEST_F(CryptFiles, AnEmptyKeyIsRefused) {
    // What an unset shell variable gives: it would encrypt under a key that everyone knows.
    Write("in", Bytes(10, 1));
    Write("out", Bytes(3, 3));
    for (const auto& key : {CommandArgs{"--key", ""}, CommandArgs{"--key="}, CommandArgs{"--key-hex", ""}}) {
        for (const char* command : {"encrypt", "decrypt"}) {
            auto args = Args(command, {"--algo", "Rijndael"}, {Path("in"), Path("out")});
            args.insert(args.begin() + 3, key.begin(), key.end());
            const auto r = Crypt(args);
            EXPECT_EQ(r.status, 2);
            EXPECT_NE(r.err.find(": " + key[0].substr(0, key[0].find('=')) +
                                 " is empty: an empty key is one that everyone knows\n"),
                      std::string::npos)
                << r.err;
        }
    }
    EXPECT_EQ(Read("out"), Bytes(3, 3));
}

TEST_F(CryptFiles, DoubleDashEndsTheOptions) {
    const Bytes plain = RandomBytes(100, 5);
    Write("--in", plain);
    auto args = Args("encrypt", kDesx, {"--", Path("--in"), Path("--out")});
    ASSERT_EQ(Crypt(args).status, 0);
    EXPECT_EQ(Read("--out").size(), plain.size());
}

bool HaveHash(const char* name) {
    return torvane::crypto::HashCatalogue().FindByName(name) != nullptr;
}

TEST_F(CryptFiles, AWrongKeyWithCheckSaysSoAndKeepsTheOutput) {
    if (!HaveHash("Secure Hash Algorithm 1")) GTEST_SKIP() << "SHA-1 is not in the catalogue";
    Write("plain", RandomBytes(3000, 3));
    ASSERT_EQ(Crypt({"encrypt", "--algo", "DES Triple 24byte", "--key", "right", "--check", Path("plain"),
                     Path("coded")})
                  .status,
              0);
    EXPECT_EQ(Read("coded").size(), 3000u + 20u);
    Write("out", Bytes(5, 5));
    const auto r = Crypt(
        {"decrypt", "--algo", "DES Triple 24byte", "--key", "wrong", "--check", Path("coded"), Path("out")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "torvane-crypt decrypt: Encryptionkey is invalid\n");
    EXPECT_EQ(Read("out"), Bytes(5, 5));
    EXPECT_EQ(Entries(), (std::vector<std::string>{"coded", "out", "plain"}));
    // Into standard output the check comes before any byte.
    const auto toOutput =
        Crypt({"decrypt", "--algo", "DES Triple 24byte", "--key", "wrong", "--check", Path("coded"), "-"});
    EXPECT_EQ(toOutput.status, 1);
    EXPECT_EQ(toOutput.out, "");
    const auto ok = Crypt(
        {"decrypt", "--algo", "des triple 24byte", "--key", "right", "--check", Path("coded"), Path("out")});
    EXPECT_EQ(ok.status, 0) << ok.err;
    EXPECT_EQ(Read("out"), Read("plain"));
}

TEST_F(CryptFiles, AKeyHashOfTheCatalogueKeysTheCipher) {
    if (!HaveHash("CRC-32")) GTEST_SKIP() << "CRC-32 is not in the catalogue";
    Write("plain", RandomBytes(100, 4));
    ASSERT_EQ(Crypt({"encrypt", "--algo", "DES Double 8byte", "--key", "pw", "--key-hash", "crc-32",
                     Path("plain"), Path("coded")})
                  .status,
              0);
    torvane::crypto::TCipher_2DES ref;
    ref.SetKeyHashClass(torvane::crypto::HashCatalogue().FindByName("CRC-32")->Class);
    ref.InitKey("pw", nullptr);
    ref.ProcessFile(Path("plain"), Path("expected"), true);
    EXPECT_EQ(Read("coded"), Read("expected"));
}

// ---- outputs that are never harmed ----

TEST_F(CryptFiles, AnOutputKeepsItsOwnerGroupAndMode) {
    Write("in", RandomBytes(100, 6));
    Write("out", Bytes(1, 1));
    ASSERT_EQ(::chmod(Path("out").c_str(), 0640), 0);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(Path("out").c_str(), 65534, 65534), 0);
    }
    ASSERT_EQ(Crypt(Args("encrypt", kDesx, {Path("in"), Path("out")})).status, 0);
    const auto st = Stat(Path("out"));
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(st.st_size, 100);
    if (!root) GTEST_SKIP() << "the owner of a file of another user is checked only as root";
    EXPECT_EQ(st.st_uid, 65534u);
    EXPECT_EQ(st.st_gid, 65534u);
}

TEST_F(CryptFiles, AWriteProtectedOutputIsRefusedAsCpRefusesIt) {
    if (!IsRoot()) GTEST_SKIP() << "the refusal is checked in a child of another user, which needs root";
    PassableDir shared;
    const auto own = shared.Folder("user", 0755, kOtherUid);
    ASSERT_FALSE(own.empty());
    const int status = RunAsOtherUser([&] {
        WriteBytes(own + "/in", Bytes(10, 1));
        WriteBytes(own + "/out", Bytes(3, 7));
        if (::chmod((own + "/out").c_str(), 0444) != 0) return 100;
        const auto r = Crypt(Args("encrypt", kDesx, {own + "/in", own + "/out"}));
        if (r.err != "torvane-crypt encrypt: Cannot create file " + own + "/out: Permission denied\n")
            return 101;
        return r.status;
    });
    EXPECT_EQ(status, 1);
    EXPECT_EQ(ReadBytes(own + "/out"), Bytes(3, 7));
    // Root writes any file, as cp does.
    Write("in", Bytes(10, 1));
    Write("out", Bytes(3, 7));
    ASSERT_EQ(::chmod(Path("out").c_str(), 0444), 0);
    EXPECT_EQ(Crypt(Args("encrypt", kDesx, {Path("in"), Path("out")})).status, 0);
    EXPECT_EQ(Read("out").size(), 10u);
}

TEST_F(CryptFiles, AnOutputNameOtherUsersLinkedElsewhereIsRefused) {
    if (!IsRoot()) GTEST_SKIP() << "planting a link of another user needs root (lchown)";
    PassableDir shared;
    const auto sticky = shared.Folder("tmp", 01777);
    ASSERT_FALSE(sticky.empty());
    Write("secret", Bytes(5, 9));
    Write("in", Bytes(10, 1));
    ASSERT_TRUE(PlantLink(Path("secret"), sticky + "/out.bin"));
    const auto r = Crypt(Args("encrypt", kDesx, {Path("in"), sticky + "/out.bin"}));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("symbolic link of another user"), std::string::npos) << r.err;
    EXPECT_EQ(Read("secret"), Bytes(5, 9));
}

TEST_F(CryptFiles, OutputNamesUpToTheLongestTheFileSystemAllows) {
    Write("in", RandomBytes(100, 7));
    for (const std::size_t length : {241u, 255u}) {
        const std::string out(length, 'o');
        ASSERT_EQ(Crypt(Args("encrypt", kDesx, {Path("in"), Path(out)})).status, 0) << length;
        ASSERT_EQ(Crypt(Args("encrypt", kDesx, {Path("in"), Path(out)})).status, 0)
            << "replacing, " << length;
        EXPECT_EQ(Read(out).size(), 100u);
    }
    EXPECT_EQ(Entries().size(), 3u);
}

TEST_F(CryptFiles, ADeviceStaysADeviceAndIsWrittenAsItIs) {
    Write("in", RandomBytes(100, 8));
    const auto dev = Path("mynull");
    if (::mknod(dev.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0)
        GTEST_SKIP() << "mknod needs root: " << std::strerror(errno);
    ASSERT_EQ(::symlink(dev.c_str(), Path("link").c_str()), 0);
    // The system's own /dev/null is left out: a fault here would replace it.
    for (const auto& out : {dev, Path("link")}) {
        const auto r = Crypt({"encrypt", "--algo", "Rijndael", "--key", "k", Path("in"), out});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(S_ISCHR(Stat(dev).st_mode));
    }
    EXPECT_EQ(Stat(dev).st_rdev, makedev(1, 3));
    EXPECT_TRUE(S_ISLNK(Stat(Path("link")).st_mode));
    EXPECT_EQ(Entries(), (std::vector<std::string>{"in", "link", "mynull"}));
}

TEST_F(CryptFiles, AFifoInAndOutIsCodedInOrder) {
    const Bytes plain = RandomBytes(150000, 9); // more than a pipe holds
    Write("plain", plain);
    ASSERT_EQ(Crypt(Args("encrypt", kDesx, {Path("plain"), Path("expected")})).status, 0);
    TestFifo out(Path("fifo-out"));
    ASSERT_TRUE(out.Made());
    Bytes got;
    std::thread reader([&] { got = ReadBytes(out.Path()); });
    const auto r = Crypt(Args("encrypt", kDesx, {Path("plain"), out.Path()}));
    out.Release();
    reader.join();
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(got, Read("expected"));
    EXPECT_TRUE(S_ISFIFO(Stat(Path("fifo-out")).st_mode));

    // A FIFO as input is read to its end, however the writer hands it over.
    TestFifo fifoIn(Path("fifo-in"));
    ASSERT_TRUE(fifoIn.Made());
    std::thread writer([&] { WriteBytes(fifoIn.Path(), plain); });
    const auto in = Crypt(Args("encrypt", kDesx, {fifoIn.Path(), Path("coded")}));
    fifoIn.Release();
    writer.join();
    EXPECT_EQ(in.status, 0) << in.err;
    EXPECT_EQ(Read("coded"), Read("expected"));
}

} // namespace
