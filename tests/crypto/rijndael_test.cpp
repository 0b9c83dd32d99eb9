// Rijndael: the round count follows the padded key length.

#include "common/CipherCheck.h"
#include "crypto/cipher/Rijndael.h"

#include <gtest/gtest.h>

using namespace torvane::crypto;
using namespace torvane::test;

namespace {

TEST(Rijndael, RoundsFollowThePaddedKeyLength) {
    TCipher_Rijndael c;
    const auto key = KeyPattern(32);
    for (int n = 0; n <= 32; ++n) {
        c.Init(key.data(), n, nullptr);
        EXPECT_EQ(c.Rounds(), n <= 16 ? 10 : n <= 24 ? 12 : 14) << n << " key bytes";
    }
}

} // namespace
