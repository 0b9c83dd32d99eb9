// Rules of single cipher classes that the walk over all classes cannot know: key padding and round counts,
// Blowfish's cyclic keys and its digits of pi, published chaining data, CAST-128's maintenance test and
// MISTY1's printed S-boxes.

#include "common/VecFile.h"
#include "crypto/cipher/Blowfish.h"
#include "crypto/cipher/Cast128.h"
#include "crypto/cipher/IDEA.h"
#include "crypto/cipher/Misty.h"
#include "crypto/cipher/Rijndael.h"
#include "crypto/cipher/TEA.h"
#include "crypto/cipher/Twofish.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

using namespace torvane::crypto;
using namespace torvane::test;

namespace {

std::string EncryptHex(TCipher& c, const std::vector<std::uint8_t>& key, std::string_view plainHex) {
    c.Init(key.data(), static_cast<std::int32_t>(key.size()), nullptr);
    auto block = FromHex(std::string(plainHex));
    c.EncryptBlock(block.data());
    return ToHex(block);
}

std::vector<std::uint8_t> Pattern(std::size_t n) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::uint8_t>(0xA5 ^ (i * 37));
    return v;
}

// A key of `size` bytes must act as the same key padded with zero bytes to `padded` bytes.
struct PaddingCase {
    TCipherClass Class;
    int Size;
    int Padded;
};

class ZeroPadding : public ::testing::TestWithParam<PaddingCase> {};

TEST_P(ZeroPadding, ShortKeyEqualsZeroPaddedKey) {
    const auto [cls, size, padded] = GetParam();
    auto a = cls->Create();
    auto b = cls->Create();
    auto key = Pattern(static_cast<std::size_t>(size));
    auto longKey = key;
    longKey.resize(static_cast<std::size_t>(padded), 0);
    const std::string plain(static_cast<std::size_t>(cls->BlockSize) * 2, '3');
    EXPECT_EQ(EncryptHex(*a, key, plain), EncryptHex(*b, longKey, plain));
}

INSTANTIATE_TEST_SUITE_P(
    Classes, ZeroPadding,
    ::testing::Values(
        PaddingCase{&TCipher_IDEA::ClassInfo, 0, 16}, PaddingCase{&TCipher_IDEA::ClassInfo, 7, 16},
        PaddingCase{&TCipher_TEA::ClassInfo, 5, 16}, PaddingCase{&TCipher_TEAN::ClassInfo, 9, 16},
        PaddingCase{&TCipher_Misty::ClassInfo, 3, 16},
        // CAST-128 keeps 12 rounds up to 10 bytes, so pad only within one round count.
        PaddingCase{&TCipher_Cast128::ClassInfo, 5, 10}, PaddingCase{&TCipher_Cast128::ClassInfo, 11, 16},
        PaddingCase{&TCipher_Rijndael::ClassInfo, 0, 16}, PaddingCase{&TCipher_Rijndael::ClassInfo, 17, 24},
        PaddingCase{&TCipher_Rijndael::ClassInfo, 25, 32}, PaddingCase{&TCipher_Twofish::ClassInfo, 1, 16},
        PaddingCase{&TCipher_Twofish::ClassInfo, 20, 24}, PaddingCase{&TCipher_Twofish::ClassInfo, 30, 32}),
    [](const auto& info) {
        return std::string(info.param.Class->ClassName + 8) + "_" + std::to_string(info.param.Size) + "to" +
               std::to_string(info.param.Padded);
    });

// A new key must replace every part of the old schedule: keying twice equals keying a fresh object, for
// every key length (schedules that accumulate into stale state, or keep the old round count, fail here).
class ReKeying : public ::testing::TestWithParam<TCipherClass> {};

TEST_P(ReKeying, SecondKeyActsAsOnAFreshObject) {
    const TCipherClass cls = GetParam();
    const std::string plain(static_cast<std::size_t>(cls->BlockSize) * 2, '7');
    for (int first : {cls->MaxKeySize, 1}) {
        for (int second = 0; second <= cls->MaxKeySize; second += 3) {
            auto reused = cls->Create();
            auto fresh = cls->Create();
            auto key1 = Pattern(static_cast<std::size_t>(first));
            auto key2 = Pattern(static_cast<std::size_t>(second) + 5);
            key2.resize(static_cast<std::size_t>(second));
            for (auto& b : key2) b ^= 0x5C;
            EncryptHex(*reused, key1, plain);
            EXPECT_EQ(EncryptHex(*reused, key2, plain), EncryptHex(*fresh, key2, plain))
                << first << " then " << second << " key bytes";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Classes, ReKeying,
                         ::testing::Values(&TCipher_Blowfish::ClassInfo, &TCipher_Cast128::ClassInfo,
                                           &TCipher_IDEA::ClassInfo, &TCipher_Misty::ClassInfo,
                                           &TCipher_Rijndael::ClassInfo, &TCipher_TEA::ClassInfo,
                                           &TCipher_TEAN::ClassInfo, &TCipher_Twofish::ClassInfo),
                         [](const auto& info) { return std::string(info.param->ClassName + 8); });

TEST(Blowfish, PiWordsStartAndEndAsPublished) {
    const auto& pi = TCipher_Blowfish::PiWords();
    // P1, P2 and the last entry of S-box 4 of Schneier's tables.
    EXPECT_EQ(pi[0], 0x243F6A88u);
    EXPECT_EQ(pi[1], 0x85A308D3u);
    EXPECT_EQ(pi[17], 0x8979FB1Bu);
    EXPECT_EQ(pi[18], 0xD1310BA6u);
    EXPECT_EQ(pi.back(), 0x3AC372E6u);
}

TEST(Blowfish, ShortKeysAreUsedCyclically) {
    TCipher_Blowfish a, b;
    const auto key = Pattern(8);
    auto twice = key;
    twice.insert(twice.end(), key.begin(), key.end());
    EXPECT_EQ(EncryptHex(a, key, "0123456789ABCDEF"), EncryptHex(b, twice, "0123456789ABCDEF"));
    // An empty key acts as a single zero byte.
    EXPECT_EQ(EncryptHex(a, {}, "0123456789ABCDEF"), EncryptHex(b, {0}, "0123456789ABCDEF"));
}

TEST(Blowfish, CbcMatchesEricYoungsChainingData) {
    // Eric Young's Blowfish vectors, "chaining mode test data": the whole blocks of the CBC cipher text.
    TCipher_Blowfish c;
    const auto key = FromHex("0123456789ABCDEFF0E1D2C3B4A59687");
    const auto iv = FromHex("FEDCBA9876543210");
    auto data = FromHex("37363534333231204E6F77206973207468652074696D6520");
    c.Mode = cmCBC;
    c.Init(key.data(), static_cast<std::int32_t>(key.size()), iv.data());
    c.EncryptBuffer(data.data(), data.data(), static_cast<std::int64_t>(data.size()));
    EXPECT_EQ(ToHex(data), "6B77B4D63006DEE605B156E27403979358DEB9E7154616D9");
    EXPECT_EQ(ToHex(c.Feedback(), 8), "58DEB9E7154616D9");
}

TEST(Cast128, TwelveRoundsUpToEightyBitKeys) {
    TCipher_Cast128 c;
    const auto key = Pattern(16);
    for (int n = 0; n <= 16; ++n) {
        c.Init(key.data(), n, nullptr);
        EXPECT_EQ(c.Rounds(), n <= 10 ? 12 : 16) << n << " key bytes";
    }
    // So a 10-byte key is not the same as that key padded to 11 bytes (RFC 2144, 2.5).
    TCipher_Cast128 a, b;
    auto eleven = Pattern(10);
    eleven.push_back(0);
    EXPECT_NE(EncryptHex(a, Pattern(10), "0123456789ABCDEF"), EncryptHex(b, eleven, "0123456789ABCDEF"));
}

TEST(Cast128, FullMaintenanceTest) {
    // RFC 2144, appendix B.2: a million rounds of encrypting two 128-bit vectors under each other.
    auto a = FromHex("0123456712345678234567893456789A");
    auto b = a;
    TCipher_Cast128 ka, kb;
    for (int i = 0; i < 1000000; ++i) {
        kb.Init(b.data(), 16, b.data());
        kb.EncryptBlock(a.data());
        kb.EncryptBlock(a.data() + 8);
        ka.Init(a.data(), 16, a.data());
        ka.EncryptBlock(b.data());
        ka.EncryptBlock(b.data() + 8);
    }
    EXPECT_EQ(ToHex(a), "EEA9D0A249FD3BA6B3436FB89D6DCA92");
    EXPECT_EQ(ToHex(b), "B2C95EB00C31AD7180AC05B8E83D696E");
}

TEST(Rijndael, RoundsFollowThePaddedKeyLength) {
    TCipher_Rijndael c;
    const auto key = Pattern(32);
    for (int n = 0; n <= 32; ++n) {
        c.Init(key.data(), n, nullptr);
        EXPECT_EQ(c.Rounds(), n <= 16 ? 10 : n <= 24 ? 12 : 14) << n << " key bytes";
    }
}

TEST(Misty, SBoxesEqualThePrintedTables) {
    std::ifstream in(DataPath("block/misty1-sboxes.txt"));
    ASSERT_TRUE(in) << "misty1-sboxes.txt";
    std::map<std::string, std::vector<unsigned>> tables;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream s(line);
        std::string name, eq;
        s >> name >> eq;
        for (unsigned v; s >> v;) tables[name].push_back(v);
    }
    ASSERT_EQ(tables["S7"].size(), 128u);
    ASSERT_EQ(tables["S9"].size(), 512u);
    for (unsigned x = 0; x < 128; ++x)
        EXPECT_EQ(TCipher_Misty::S7()[x], tables["S7"][x]) << "S7[" << x << "]";
    for (unsigned x = 0; x < 512; ++x)
        EXPECT_EQ(TCipher_Misty::S9()[x], tables["S9"][x]) << "S9[" << x << "]";
}

TEST(TEA, ExtendedVariantIsItsOwnCipherDerivedFromTEA) {
    EXPECT_TRUE(TCipher_TEAN::ClassInfo.InheritsFrom(&TCipher_TEA::ClassInfo));
    TCipher_TEA tea;
    TCipher_TEAN xtea;
    const auto key = Pattern(16);
    EXPECT_NE(EncryptHex(tea, key, "0011223344556677"), EncryptHex(xtea, key, "0011223344556677"));
}

} // namespace
