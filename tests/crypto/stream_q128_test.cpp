// The two classes that stand in for algorithms without an available definition: TCipher_SCOP (a
// ChaCha20 key stream) and TCipher_Q128 (Speck128/128). Their own rules: the stream class's running
// state, Rewind and counter; and for both, the diffusion a sound cipher must show.

#include "common/VecFile.h"
#include "crypto/cipher/Q128.h"
#include "crypto/cipher/SCOP.h"

#include <gtest/gtest.h>

#include <bit>

using namespace torvane::crypto;
using namespace torvane::test;

namespace {

std::vector<std::uint8_t> KeyStream(TCipher& c, int blocks) {
    std::vector<std::uint8_t> out(static_cast<std::size_t>(128 * blocks), 0);
    for (int i = 0; i < blocks; ++i) c.EncryptBlock(out.data() + 128 * i);
    return out;
}

TEST(SCOP, KeyStreamRunsOnAndRewindReturnsToTheKeyedState) {
    TCipher_SCOP c;
    const std::uint8_t key[5] = {1, 2, 3, 4, 5};
    c.Init(key, 5, nullptr);
    const auto first = KeyStream(c, 2);
    EXPECT_NE(ToHex(first.data(), 128), ToHex(first.data() + 128, 128));
    c.Rewind();
    EXPECT_EQ(KeyStream(c, 2), first);
    // Init leaves the object rewound although coding its vector used key stream.
    c.Init(key, 5, nullptr);
    EXPECT_EQ(KeyStream(c, 1), std::vector<std::uint8_t>(first.begin(), first.begin() + 128));
}

TEST(SCOP, BlockCounterCarriesIntoItsHighWord) {
    // Key bytes 32-35 and 36-39 are the low and high words of the block counter.
    std::uint8_t low[48] = {}, high[48] = {};
    low[32] = low[33] = low[34] = low[35] = 0xFF; // counter 2^32 - 1
    high[36] = 1;                                 // counter 2^32
    TCipher_SCOP a, b;
    a.Init(low, 48, nullptr);
    b.Init(high, 48, nullptr);
    const auto sa = KeyStream(a, 1), sb = KeyStream(b, 1);
    EXPECT_EQ(ToHex(sa.data() + 64, 64), ToHex(sb.data(), 64));
}

TEST(SCOP, DecryptionIsTheSameKeyStream) {
    TCipher_SCOP c;
    std::uint8_t block[128];
    for (int i = 0; i < 128; ++i) block[i] = static_cast<std::uint8_t>(i);
    c.Init("k", 1, nullptr);
    c.EncryptBlock(block);
    c.Rewind();
    c.DecryptBlock(block);
    for (int i = 0; i < 128; ++i) ASSERT_EQ(block[i], i);
}

int BitsChanged(const std::uint8_t* a, const std::uint8_t* b, int n) {
    int bits = 0;
    for (int i = 0; i < n; ++i) bits += std::popcount(static_cast<unsigned>(a[i] ^ b[i]));
    return bits;
}

TEST(Q128, PlaintextAndKeyBitsAvalanche) {
    TCipher_Q128 c;
    std::uint8_t key[16] = {0x42};
    const std::uint8_t plain[16] = {};
    std::uint8_t base[16];
    c.Init(key, 16, nullptr);
    std::copy(plain, plain + 16, base);
    c.EncryptBlock(base);
    double sumPlain = 0, sumKey = 0;
    for (int bit = 0; bit < 128; ++bit) {
        std::uint8_t p[16];
        std::copy(plain, plain + 16, p);
        p[bit / 8] ^= static_cast<std::uint8_t>(1u << (bit % 8));
        c.EncryptBlock(p);
        const int changed = BitsChanged(p, base, 16);
        EXPECT_GE(changed, 30) << "plaintext bit " << bit;
        sumPlain += changed;

        TCipher_Q128 d;
        std::uint8_t k[16];
        std::copy(key, key + 16, k);
        k[bit / 8] ^= static_cast<std::uint8_t>(1u << (bit % 8));
        d.Init(k, 16, nullptr);
        std::uint8_t q[16];
        std::copy(plain, plain + 16, q);
        d.EncryptBlock(q);
        sumKey += BitsChanged(q, base, 16);
    }
    EXPECT_NEAR(sumPlain / 128, 64.0, 3.0);
    EXPECT_NEAR(sumKey / 128, 64.0, 3.0);
}

TEST(Q128, ShortKeyIsPaddedWithZeroBytes) {
    TCipher_Q128 a, b;
    const std::uint8_t key[16] = {7, 7, 7};
    a.Init(key, 3, nullptr);
    b.Init(key, 16, nullptr);
    EXPECT_EQ(ToHex(a.Vector(), 16), ToHex(b.Vector(), 16));
}

} // namespace
