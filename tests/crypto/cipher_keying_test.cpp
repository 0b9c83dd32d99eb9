// Key setup of the cipher framework: keys from text through the key hash, the key check it leaves, and
// the key-size rule.

#include "common/CryptoData.h"
#include "common/FakeDigest.h"
#include "crypto/cipher/DES.h"

#include <gtest/gtest.h>

using namespace torvane;
using namespace torvane::crypto;
using namespace torvane::test;
using Bytes = std::vector<std::uint8_t>;

namespace {

TEST(CipherKeying, InitKeyHashesTheTextAndKeepsTheEncryptedDigestAsKeyCheck) {
    TCipher_2DES c; // 16-byte keys: the first 16 of 20 digest bytes
    c.SetKeyHashClass(&Fake20::ClassInfo);
    c.InitKey("secret", nullptr);
    EXPECT_TRUE(c.Initialized());
    EXPECT_TRUE(c.Flags() & 1u);

    Fake20 h;
    h.Start();
    h.Update("secret", 6);
    h.Finish();
    TCipher_2DES ref;
    ref.Init(h.DigestBytes(), 16, nullptr);
    EXPECT_EQ(ToHex(c.Vector(), 8), ToHex(ref.Vector(), 8));
    EXPECT_EQ(ToHex(c.Feedback(), 8), ToHex(c.Vector(), 8)) << "InitKey ends rewound";
    Bytes check(h.DigestBytes(), h.DigestBytes() + 20);
    ref.EncryptBuffer(check.data(), check.data(), 20);
    EXPECT_EQ(ToHex(c.KeyCheck()), ToHex(check));
    EXPECT_EQ(ToHex(c.KeyHash().DigestBytes(), 20), ToHex(check)) << "the plain digest must be gone";

    // The check survives a change of key hash class, which releases the hash object.
    c.SetKeyHashClass(&Fake4::ClassInfo);
    EXPECT_EQ(ToHex(c.KeyCheck()), ToHex(check));
    c.Wipe();
    EXPECT_TRUE(c.KeyCheck().empty());
    EXPECT_FALSE(c.Flags() & 1u);
}

TEST(CipherKeying, AFourByteDigestKeysWithFourBytesAndAnEmptyTextIsAKey) {
    TCipher_3DES c;
    c.SetKeyHashClass(&Fake4::ClassInfo);
    c.InitKey("", nullptr);
    Fake4 h;
    h.Start();
    h.Finish();
    TCipher_3DES ref;
    ref.Init(h.DigestBytes(), 4, nullptr);
    EXPECT_EQ(ToHex(c.Vector(), 8), ToHex(ref.Vector(), 8));
    EXPECT_EQ(c.KeyCheck().size(), 4u);
}

TEST(CipherKeying, StrictKeySizeRefusesLongKeysWithCode2) {
    TCipher_1DES c;
    const std::uint8_t key[9] = {};
    StrictKeySize = true;
    try {
        c.Init(key, 9, nullptr);
        StrictKeySize = false;
        FAIL() << "a 9-byte key was accepted";
    } catch (const ECipherException& e) {
        StrictKeySize = false;
        EXPECT_EQ(e.ErrorCode, 2);
        EXPECT_EQ(std::string(e.what()),
                  "Length from Encryptionkey is invalid.\r\nKeysize for TCipher_1DES must be to 0-8 bytes");
    }
    EXPECT_FALSE(c.Initialized());
}

TEST(CipherKeying, NoKeyHashClassMeansTheDefault) {
    TCipher_1DES c;
    c.SetKeyHashClass(&Fake4::ClassInfo);
    c.SetKeyHashClass(nullptr);
    EXPECT_EQ(c.KeyHashClass(), DefaultKeyHashClass());
}

} // namespace
