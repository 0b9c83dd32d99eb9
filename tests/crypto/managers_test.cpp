#include "crypto/Managers.h"

#include "common/TempDir.h"
#include "crypto/cipher/CipherClasses.h"
#include "crypto/hash/HashClasses.h"
#include "platform/Error.h"

#include <gtest/gtest.h>

#include <random>

using namespace torvane::crypto;
using namespace torvane::test;

namespace {

class ManagersTest : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return dir_.Path(name); }
    static void WriteFile(const std::string& path, const std::vector<std::uint8_t>& data) {
        WriteBytes(path, data);
    }
    static std::vector<std::uint8_t> ReadFile(const std::string& path) { return ReadBytes(path); }

    TempDir dir_;
};

TEST_F(ManagersTest, NewHashManagerIsCrc32WithNoDigestYet) {
    THashManager m;
    EXPECT_EQ(m.DigestText(64), "");
    EXPECT_EQ(m.Algorithm(), "CRC-32");
    EXPECT_EQ(m.Description(), "Checksum, 32bit Digestsize");
    EXPECT_EQ(m.DigestLength(), 4);
    EXPECT_FALSE(m.StoredClassName().has_value());
}

TEST_F(ManagersTest, HashNamesAreFoundWithoutCaseAndUnknownNamesGiveTheDefault) {
    THashManager m;
    m.SetAlgorithm("message digest 5");
    EXPECT_EQ(m.HashClass(), FindHashClass("THash_MD5"));
    EXPECT_EQ(m.Algorithm(), "Message Digest 5");
    EXPECT_EQ(m.Description(), "Hash, 128bit Digestsize");
    EXPECT_EQ(m.StoredClassName().value_or(""), "THash_MD5");
    m.SetAlgorithm("No Such Digest");
    EXPECT_EQ(m.Algorithm(), "CRC-32");
}

TEST_F(ManagersTest, StoredClassNamesAreReadCaseSensitively) {
    THashManager h;
    h.ReadStoredClassName("THash_SHA1");
    EXPECT_EQ(h.Algorithm(), "Secure Hash Algorithm 1");
    THashManager lower;
    lower.ReadStoredClassName("thash_sha1");
    EXPECT_EQ(lower.Algorithm(), "CRC-32");

    TCipherManager c;
    c.ReadStoredClassName("TCipher_SAFER_SK128");
    EXPECT_EQ(c.Algorithm(), "SAFER-SK128");
    EXPECT_EQ(c.StoredClassName().value_or(""), "TCipher_SAFER_SK128");
    TCipherManager d;
    d.ReadStoredClassName("TCipher_Nothing");
    EXPECT_EQ(d.Algorithm(), "Blowfish");
    EXPECT_FALSE(d.StoredClassName().has_value());
}

TEST_F(ManagersTest, HashFileFillsTheDigestAndAlwaysEmptiesTheProgressSlot) {
    const auto file = Path("abc.txt");
    WriteFile(file, {'a', 'b', 'c'});
    THashManager m;
    int calls = 0;
    m.OnProgress = [&](const void*, std::int64_t, std::int64_t) { ++calls; };
    m.HashFile(file);
    EXPECT_EQ(m.DigestText(16), "C2412435"); // CRC-32 of "abc" is 352441C2, least significant byte first
    EXPECT_EQ(m.DigestText(64), "wkEkNQ==");
    EXPECT_GT(calls, 0);
    EXPECT_FALSE(ProgressHook);

    EXPECT_THROW(m.HashFile(Path("missing.bin")), torvane::EFOpenError);
    EXPECT_FALSE(ProgressHook);
}

TEST_F(ManagersTest, CipherDescriptionsAndDefaults) {
    TCipherManager c;
    EXPECT_EQ(c.Mode(), cmCBC);
    EXPECT_EQ(c.Algorithm(), "Blowfish");
    c.SetAlgorithm("SAFER-SK128");
    EXPECT_EQ(c.Description(), "Keyscheduling, 128bit Key");
    c.SetAlgorithm("cast 128");
    EXPECT_EQ(c.Algorithm(), "Cast 128");
    EXPECT_EQ(c.Description(), "128bit Key");
    c.SetAlgorithm("Twofish Deluxe");
    EXPECT_EQ(c.Algorithm(), "Blowfish");
    EXPECT_EQ(c.CipherClass(), FindCipherClass("TCipher_Blowfish"));
}

TEST_F(ManagersTest, SelectingTheSameCipherAgainKeepsTheObjectAndItsKey) {
    TCipherManager c;
    c.SetAlgorithm("SAFER-SK128");
    c.InitKey("1234", nullptr);
    TCipher* before = &c.Cipher();
    c.SetAlgorithm("SAFER-SK128");
    EXPECT_EQ(&c.Cipher(), before);
    EXPECT_TRUE(c.Cipher().Initialized());
    c.SetAlgorithm("IDEA");
    EXPECT_FALSE(c.Cipher().Initialized());
}

TEST_F(ManagersTest, ModeAndKeyCheckReachTheCipherObject) {
    TCipherManager c;
    c.SetMode(cmOFB);
    c.SetIncludeHashKey(true);
    EXPECT_EQ(c.Cipher().Mode, cmOFB);
    EXPECT_TRUE((c.Cipher().Flags() >> TCipher::FlagHashKey) & 1u);
    c.SetMode(cmCTS);
    c.SetIncludeHashKey(false);
    EXPECT_EQ(c.Cipher().Mode, cmCTS);
    EXPECT_FALSE((c.Cipher().Flags() >> TCipher::FlagHashKey) & 1u);
}

TEST_F(ManagersTest, KeyHashComesFromTheHashManagerWhileThereIsOne) {
    TCipherManager c;
    c.SetAlgorithm("Rijndael");
    c.InitKey("secret", nullptr);
    EXPECT_EQ(c.Cipher().KeyHashClass(), FindHashClass("THash_SHA1"));
    {
        THashManager h; // the default, CRC-32: every cipher gets a 4-byte key
        c.SetHashManager(&h);
        c.InitKey("secret", nullptr);
        EXPECT_EQ(c.Cipher().KeyHashClass(), FindHashClass("THash_CRC32"));
    }
    EXPECT_EQ(c.HashManager(), nullptr); // the reference is cleared when the hash manager goes
}

TEST_F(ManagersTest, EveryCatalogueCipherRoundTripsAFileInEveryMode) {
    THashManager hash;
    std::mt19937 rng(2024);
    const auto plainName = Path("plain.bin");
    const auto codedName = Path("coded.bin");
    const auto backName = Path("back.bin");
    const auto& entries = CipherCatalogue().Entries();
    ASSERT_FALSE(entries.empty());
    for (const auto& e : entries) {
        for (auto mode : {cmCTS, cmCBC, cmCFB, cmOFB, cmECB}) {
            SCOPED_TRACE(e.Name() + " mode " + std::to_string(mode));
            const std::size_t size = rng() % 20000;
            std::vector<std::uint8_t> plain(size);
            for (auto& b : plain) b = static_cast<std::uint8_t>(rng());
            WriteFile(plainName, plain);

            TCipherManager c;
            c.SetHashManager(&hash);
            c.SetMode(mode);
            c.SetAlgorithm(e.Name());
            const std::uint8_t vector[128] = {};
            const auto password = std::to_string(rng() % 10000);
            c.InitKey(password, vector);
            c.EncryptToFile(plainName, codedName);
            c.InitKey(password, vector);
            c.DecryptToFile(codedName, backName);
            ASSERT_EQ(ReadFile(backName), plain);
            if (size >= 64) {
                EXPECT_NE(ReadFile(codedName), plain);
            }
        }
    }
    EXPECT_FALSE(ProgressHook);
}

} // namespace
