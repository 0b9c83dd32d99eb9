// TCipher_Q128, which stands in for an algorithm without an available definition (Speck128/128): the
// diffusion a sound cipher must show, and its key padding.

#include "common/CryptoData.h"
#include "crypto/cipher/Q128.h"

#include <gtest/gtest.h>

#include <bit>

using namespace torvane::crypto;
using namespace torvane::test;

namespace {

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

} // namespace
