// RC4's own rules: a 16-byte block is the next 16 bytes of key stream, deriving the vector does not
// move the stream, and the empty key is the key 00.

#include "common/CipherCheck.h"
#include "crypto/cipher/RC4.h"

#include <gtest/gtest.h>

#include <array>
#include <numeric>
#include <utility>

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

// The textbook cipher, one byte at a time: a second model beside the class's unrolled 16-byte coding.
std::vector<std::uint8_t> ModelKeyStream(const std::vector<std::uint8_t>& key, std::size_t bytes) {
    std::array<std::uint8_t, 256> s{};
    std::iota(s.begin(), s.end(), 0);
    for (unsigned i = 0, j = 0; i < 256; ++i) {
        j = (j + s[i] + key[i % key.size()]) & 0xFF;
        std::swap(s[i], s[j]);
    }
    std::vector<std::uint8_t> out(bytes);
    std::uint8_t i = 0, j = 0;
    for (auto& b : out) {
        j = static_cast<std::uint8_t>(j + s[++i]);
        std::swap(s[i], s[j]);
        b = s[static_cast<std::uint8_t>(s[i] + s[j])];
    }
    return out;
}

// Every key length the key schedule treats differently (a cycle shorter or longer than the 256 steps,
// dividing 256 or not), long enough for the indices to wrap several times, with the blocks at every
// alignment in memory.
TEST(RC4, KeyStreamMatchesTheByteAtATimeModel) {
    for (const std::size_t keyLength : {1u, 2u, 3u, 5u, 7u, 13u, 16u, 17u, 31u, 64u, 100u, 255u, 256u}) {
        const auto key = KeyPattern(keyLength);
        const auto expected = ModelKeyStream(key, 16 * 80);
        for (std::size_t offset = 0; offset < 8; ++offset) {
            TCipher_RC4 c;
            c.Init(key.data(), static_cast<std::int32_t>(keyLength), nullptr);
            std::vector<std::uint8_t> buffer(expected.size() + offset, 0);
            for (std::size_t at = 0; at < expected.size(); at += 16)
                c.EncryptBlock(buffer.data() + offset + at);
            ASSERT_TRUE(SameBytes(
                std::vector<std::uint8_t>(buffer.begin() + static_cast<std::ptrdiff_t>(offset), buffer.end()),
                expected))
                << keyLength << "-byte key, blocks at offset " << offset;
        }
    }
}

} // namespace
