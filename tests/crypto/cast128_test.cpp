// CAST-128: the round count follows the key length, and the maintenance test of RFC 2144.

#include "common/CipherCheck.h"
#include "crypto/cipher/Cast128.h"

#include <gtest/gtest.h>

using namespace torvane::crypto;
using namespace torvane::test;

namespace {

TEST(Cast128, TwelveRoundsUpToEightyBitKeys) {
    TCipher_Cast128 c;
    const auto key = KeyPattern(16);
    for (int n = 0; n <= 16; ++n) {
        c.Init(key.data(), n, nullptr);
        EXPECT_EQ(c.Rounds(), n <= 10 ? 12 : 16) << n << " key bytes";
    }
    // So a 10-byte key is not the same as that key padded to 11 bytes (RFC 2144, 2.5).
    TCipher_Cast128 a, b;
    auto eleven = KeyPattern(10);
    eleven.push_back(0);
    EXPECT_NE(EncryptHex(a, KeyPattern(10), "0123456789ABCDEF"), EncryptHex(b, eleven, "0123456789ABCDEF"));
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

} // namespace
