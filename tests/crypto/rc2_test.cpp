// RC2's own rule: the effective key length T1 of RFC 2268, which the class fixes at 8 * key length.

#include "common/CryptoData.h"
#include "crypto/cipher/RC2.h"

#include <gtest/gtest.h>

using namespace torvane::crypto;
using namespace torvane::test;

namespace {

TEST(RC2, InitUsesEightBitsPerKeyByte) {
    std::uint8_t key[128];
    for (int i = 0; i < 128; ++i) key[i] = static_cast<std::uint8_t>(i * 37 + 11);
    for (int len : {1, 7, 8, 16, 33, 128}) {
        SCOPED_TRACE(len);
        TCipher_RC2 a, b;
        a.Init(key, len, nullptr);
        b.InitEffective(key, len, 8 * len, nullptr);
        std::uint8_t x[8] = {1, 2, 3, 4, 5, 6, 7, 8}, y[8] = {1, 2, 3, 4, 5, 6, 7, 8};
        a.EncryptBlock(x);
        b.EncryptBlock(y);
        EXPECT_EQ(ToHex(x, 8), ToHex(y, 8));
    }
}

TEST(RC2, EffectiveLengthChangesTheCipher) {
    // Fewer effective bits must really cut the key: 63 and 64 bits differ on the same 8-byte key.
    const std::uint8_t key[8] = {0x30, 0, 0, 0, 0, 0, 0, 0};
    TCipher_RC2 a, b;
    a.InitEffective(key, 8, 63, nullptr);
    b.InitEffective(key, 8, 64, nullptr);
    std::uint8_t x[8] = {}, y[8] = {};
    a.EncryptBlock(x);
    b.EncryptBlock(y);
    EXPECT_NE(ToHex(x, 8), ToHex(y, 8));
}

TEST(RC2, EmptyKeyIsTheKeyZeroByte) {
    const std::uint8_t zero = 0;
    TCipher_RC2 a, b;
    a.Init(nullptr, 0, nullptr);
    b.Init(&zero, 1, nullptr);
    std::uint8_t x[8] = {9, 9, 9, 9, 9, 9, 9, 9}, y[8] = {9, 9, 9, 9, 9, 9, 9, 9};
    a.EncryptBlock(x);
    b.EncryptBlock(y);
    EXPECT_EQ(ToHex(x, 8), ToHex(y, 8));
}

TEST(RC2, EffectiveLengthOutsideRfcRangeIsRefusedAndKeepsTheOldKey) {
    const std::uint8_t key[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    TCipher_RC2 c;
    c.Init(key, 8, nullptr);
    for (int bits : {0, -5, 1025}) {
        try {
            c.InitEffective(key, 8, bits, nullptr);
            FAIL() << bits << " bits accepted";
        } catch (const ECipherException& e) {
            EXPECT_EQ(e.ErrorCode, 2);
            EXPECT_NE(std::string(e.what()).find(std::to_string(bits)), std::string::npos);
        }
    }
    EXPECT_TRUE(c.Initialized()) << "a refused parameter must not wipe the key in force";
}

} // namespace
