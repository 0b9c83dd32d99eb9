// SAFER: what the generic cipher test cannot see, the round count of each variant, the key schedules at
// the round counts their published examples were made with, and the family tree.

#include "common/CryptoData.h"
#include "crypto/cipher/SAFER.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace torvane::crypto;
using namespace torvane::test;

namespace {

// The shared transformation keyed by Expand at any round count.
class SaferProbe : public TCipher_SAFER {
public:
    SaferProbe(int rounds, bool strengthened) : rounds_(rounds), strengthened_(strengthened) {}

protected:
    void Schedule(const std::uint8_t* key16) override {
        SetRounds(rounds_);
        Expand(key16, key16 + 8, rounds_, strengthened_, RoundKeys());
    }

private:
    int rounds_;
    bool strengthened_;
};

std::string Encrypt(TCipher& c, const std::string& keyHex, const std::string& inHex) {
    auto key = FromHex(keyHex);
    auto data = FromHex(inHex);
    c.Init(key.data(), static_cast<std::int32_t>(key.size()), nullptr);
    c.EncryptBlock(data.data());
    return ToHex(data);
}

TEST(SAFER, EachVariantRunsMasseysRoundCount) {
    const std::pair<TCipherClass, int> expected[] = {
        {&TCipher_SAFER_K40::ClassInfo, 5},   {&TCipher_SAFER_SK40::ClassInfo, 5},
        {&TCipher_SAFER_K64::ClassInfo, 6},   {&TCipher_SAFER_SK64::ClassInfo, 8},
        {&TCipher_SAFER_K128::ClassInfo, 10}, {&TCipher_SAFER_SK128::ClassInfo, 10},
        {&TCipher_SAFER::ClassInfo, 10}};
    const std::uint8_t key[16] = {1, 2, 3};
    for (const auto& [cls, rounds] : expected) {
        auto c = cls->Create();
        c->Init(key, 16, nullptr);
        EXPECT_EQ(static_cast<TCipher_SAFER&>(*c).Rounds(), rounds) << cls->ClassName;
        c->Wipe();
        EXPECT_EQ(static_cast<TCipher_SAFER&>(*c).Rounds(), 0) << cls->ClassName;
    }
}

TEST(SAFER, KeySchedulesReproduceThePublishedExamplesAtTheirRoundCounts) {
    // Crypto++ TestData/saferval.dat: SAFER K-128 with 12 rounds, SAFER SK-64 with 6 rounds.
    SaferProbe k128(12, false), sk64(6, true);
    EXPECT_EQ(Encrypt(k128, "08070605040302010807060504030201", "5051525354555657"), "38E64DBF6E0F896E");
    EXPECT_EQ(Encrypt(k128, "08070605040302010807060504030201", "58595A5B5C5D5E5F"), "7D8F014A902480FE");
    EXPECT_EQ(Encrypt(k128, "01020304050607080807060504030201", "6061626364656667"), "113511C22E7936DF");
    EXPECT_EQ(Encrypt(k128, "01020304050607080807060504030201", "68696A6B6C6D6E6F"), "9EEB2D17C0581437");
    // A 64-bit key is a 128-bit key with equal halves.
    EXPECT_EQ(Encrypt(sk64, "00000000000000010000000000000001", "7071727374757677"), "9ABE2C85BE2D7614");
    EXPECT_EQ(Encrypt(sk64, "00000000000000010000000000000001", "78797A7B7C7D7E7F"), "EBC4A9C6C25CF215");
    EXPECT_EQ(Encrypt(sk64, "01020304050607080102030405060708", "8081828384858687"), "54E72BA2D744C566");
    EXPECT_EQ(Encrypt(sk64, "01020304050607080102030405060708", "88898A8B8C8D8E8F"), "57F55D0F7EB6F8FE");
}

TEST(SAFER, StrengthenedScheduleDiffersFromTheOriginalOne) {
    // Every variant pair shares the transformation and the round count where Massey gives the same
    // one; the strengthened schedule must still give other round keys.
    const char* key = "0102030405060708090A0B0C0D0E0F10";
    const char* in = "0011223344556677";
    auto k40 = TCipher_SAFER_K40::ClassInfo.Create(), sk40 = TCipher_SAFER_SK40::ClassInfo.Create();
    auto k128 = TCipher_SAFER_K128::ClassInfo.Create(), sk128 = TCipher_SAFER_SK128::ClassInfo.Create();
    EXPECT_NE(Encrypt(*k40, key, in), Encrypt(*sk40, key, in));
    EXPECT_NE(Encrypt(*k128, key, in), Encrypt(*sk128, key, in));
    std::uint8_t a[8 * 21], b[8 * 21];
    const auto k = FromHex(key);
    TCipher_SAFER::Expand(k.data(), k.data() + 8, 10, false, a);
    TCipher_SAFER::Expand(k.data(), k.data() + 8, 10, true, b);
    EXPECT_EQ(0, std::memcmp(a, b, 8)) << "K1 is the user key in both schedules";
    EXPECT_NE(0, std::memcmp(a + 8, b + 8, sizeof a - 8));
}

TEST(SAFER, SK40ExtendsTheKeyWithMasseysConstants) {
    const std::uint8_t zero[5] = {};
    std::uint8_t r[9];
    TCipher_SAFER::ExtendKey40(zero, r);
    EXPECT_EQ(ToHex(r, 9), "000000000081422418");
    const std::uint8_t key[5] = {0x01, 0x02, 0x04, 0x08, 0x10};
    TCipher_SAFER::ExtendKey40(key, r);
    // k1^k3^129, k1^k4^k5^66, k2^k3^k5^36, k2^k4^24
    EXPECT_EQ(ToHex(r, 9), "0102040810845B3212");
}

TEST(SAFER, FamilyTreeAndSizes) {
    EXPECT_TRUE(TCipher_SAFER_SK40::ClassInfo.InheritsFrom(&TCipher_SAFER_K40::ClassInfo));
    EXPECT_TRUE(TCipher_SAFER_SK64::ClassInfo.InheritsFrom(&TCipher_SAFER_K64::ClassInfo));
    EXPECT_TRUE(TCipher_SAFER_SK128::ClassInfo.InheritsFrom(&TCipher_SAFER_K128::ClassInfo));
    EXPECT_FALSE(TCipher_SAFER_SK64::ClassInfo.InheritsFrom(&TCipher_SAFER_K128::ClassInfo));
    for (auto* cls :
         {&TCipher_SAFER_K40::ClassInfo, &TCipher_SAFER_K64::ClassInfo, &TCipher_SAFER_K128::ClassInfo}) {
        EXPECT_EQ(cls->Parent, &TCipher_SAFER::ClassInfo);
        EXPECT_EQ(cls->BlockSize, 8);
    }
    EXPECT_EQ(TCipher_SAFER_K40::ClassInfo.MaxKeySize, 5);
    EXPECT_EQ(TCipher_SAFER_SK64::ClassInfo.MaxKeySize, 8);
    EXPECT_EQ(TCipher_SAFER_SK128::ClassInfo.MaxKeySize, 16);
    EXPECT_EQ(TCipher_SAFER::ClassInfo.MaxKeySize, 16);
}

} // namespace
