// TEA and its extended variant (XTEA): two ciphers in one family.

#include "common/CipherCheck.h"
#include "crypto/cipher/TEA.h"

#include <gtest/gtest.h>

using namespace torvane::crypto;
using namespace torvane::test;

namespace {

TEST(TEA, ExtendedVariantIsItsOwnCipherDerivedFromTEA) {
    EXPECT_TRUE(TCipher_TEAN::ClassInfo.InheritsFrom(&TCipher_TEA::ClassInfo));
    TCipher_TEA tea;
    TCipher_TEAN xtea;
    const auto key = KeyPattern(16);
    EXPECT_NE(EncryptHex(tea, key, "0011223344556677"), EncryptHex(xtea, key, "0011223344556677"));
}

} // namespace
