// Blowfish: the digits of pi that fill its boxes, and its cyclic use of short keys.

#include "common/CipherCheck.h"
#include "crypto/cipher/Blowfish.h"

#include <gtest/gtest.h>

using namespace torvane::crypto;
using namespace torvane::test;

namespace {

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
    const auto key = KeyPattern(8);
    auto twice = key;
    twice.insert(twice.end(), key.begin(), key.end());
    EXPECT_EQ(EncryptHex(a, key, "0123456789ABCDEF"), EncryptHex(b, twice, "0123456789ABCDEF"));
    // An empty key acts as a single zero byte.
    EXPECT_EQ(EncryptHex(a, {}, "0123456789ABCDEF"), EncryptHex(b, {0}, "0123456789ABCDEF"));
}

} // namespace
