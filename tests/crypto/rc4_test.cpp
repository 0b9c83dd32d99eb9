// RC4's own rules: a 16-byte block is the next 16 bytes of key stream, deriving the vector does not
// move the stream, and the empty key is the key 00.

#include "common/CryptoData.h"
#include "crypto/cipher/RC4.h"

#include <gtest/gtest.h>

using namespace torvane::crypto;
using namespace torvane::test;

namespace {

std::vector<std::uint8_t> KeyStream(TCipher& c, std::size_t bytes) {
    std::vector<std::uint8_t> s(bytes, 0);
    for (std::size_t off = 0; off < bytes; off += 16) c.EncryptBlock(s.data() + off);
    return s;
}

TEST(RC4, DerivedVectorDoesNotShiftTheStream) {
    // Without a vector, keying encrypts an all-0xFF block to make one; that consumes key stream, which
    // the state saved before it must undo. The derived vector is therefore 0xFF XOR the first 16 bytes.
    const std::uint8_t key[5] = {1, 2, 3, 4, 5};
    TCipher_RC4 c;
    c.Init(key, 5, nullptr);
    const auto stream = KeyStream(c, 16);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(c.Vector()[i], static_cast<std::uint8_t>(0xFF ^ stream[i]));
}

TEST(RC4, EmptyKeyIsTheKeyZeroByte) {
    const std::uint8_t zero = 0;
    TCipher_RC4 a, b;
    a.Init(nullptr, 0, nullptr);
    b.Init(&zero, 1, nullptr);
    EXPECT_EQ(ToHex(KeyStream(a, 32)), ToHex(KeyStream(b, 32)));
}

} // namespace
