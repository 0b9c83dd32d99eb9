// SHARK: the diffusion layer's MDS property (on which the cipher's resistance to differential and linear
// attacks rests), the code it comes from, and the repetition of short keys. The published known answers
// are in src/crypto/data/block/shark.vec.

#include "common/CryptoData.h"
#include "crypto/cipher/Field1F5.h"
#include "crypto/cipher/Shark.h"

#include <gtest/gtest.h>

#include <bit>
#include <vector>

using namespace torvane::crypto;
using namespace torvane::test;

namespace {

using gf1f5::Mul;

bool Regular(std::vector<std::vector<std::uint8_t>> m) {
    const std::size_t n = m.size();
    for (std::size_t c = 0; c < n; ++c) {
        std::size_t p = c;
        while (p < n && m[p][c] == 0) ++p;
        if (p == n) return false;
        std::swap(m[p], m[c]);
        const auto f = gf1f5::Inverse(m[c][c]);
        for (std::size_t r = c + 1; r < n; ++r) {
            const auto e = Mul(m[r][c], f);
            for (std::size_t j = c; j < n; ++j) m[r][j] ^= Mul(e, m[c][j]);
        }
    }
    return true;
}

TEST(Shark, DiffusionMatrixIsMaximumDistanceSeparable) {
    // MDS means every square submatrix is regular; then any change in k input bytes changes at least
    // 9 - k output bytes.
    const auto& m = shark::Diffusion();
    int checked = 0;
    for (unsigned rows = 1; rows < 256; ++rows)
        for (unsigned cols = 1; cols < 256; ++cols) {
            if (std::popcount(rows) != std::popcount(cols)) continue;
            std::vector<std::vector<std::uint8_t>> sub;
            for (int i = 0; i < 8; ++i) {
                if (!((rows >> i) & 1)) continue;
                sub.emplace_back();
                for (int j = 0; j < 8; ++j)
                    if ((cols >> j) & 1) sub.back().push_back(m[i][j]);
            }
            ASSERT_TRUE(Regular(sub)) << "rows " << rows << " cols " << cols;
            ++checked;
        }
    EXPECT_EQ(checked, 12869);
}

TEST(Shark, InverseDiffusionUndoesTheDiffusion) {
    const auto& m = shark::Diffusion();
    const auto& inv = shark::InverseDiffusion();
    for (int i = 0; i < 8; ++i)
        for (int j = 0; j < 8; ++j) {
            std::uint8_t s = 0;
            for (int k = 0; k < 8; ++k) s ^= Mul(m[i][k], inv[k][j]);
            EXPECT_EQ(s, i == j ? 1 : 0) << i << "," << j;
        }
}

TEST(Shark, ShortKeyIsRepeatedOverTheKeySchedule) {
    // A 4-byte key repeated over the 56 scheduled bytes is the same as the 16-byte key holding it four
    // times; zero padding or a 16-byte cycle of a padded key would differ.
    const std::uint8_t shortKey[4] = {0xAA, 0xBB, 0xCC, 0xDD};
    std::uint8_t fullKey[16];
    for (int i = 0; i < 16; ++i) fullKey[i] = shortKey[i % 4];
    const std::uint8_t padded[16] = {0xAA, 0xBB, 0xCC, 0xDD};
    TCipher_Shark a, b, c;
    a.Init(shortKey, 4, nullptr);
    b.Init(fullKey, 16, nullptr);
    c.Init(padded, 16, nullptr);
    std::uint8_t x[8] = {1, 2, 3, 4, 5, 6, 7, 8}, y[8] = {1, 2, 3, 4, 5, 6, 7, 8},
                 z[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    a.EncryptBlock(x);
    b.EncryptBlock(y);
    c.EncryptBlock(z);
    EXPECT_EQ(ToHex(x, 8), ToHex(y, 8));
    EXPECT_NE(ToHex(x, 8), ToHex(z, 8));
}

TEST(Shark, DiffusionLastRowIsTheCodeGenerator) {
    // The last row of theta is the generator (x - 2)(x - 4)...(x - 2^8) without its leading 1, highest
    // coefficient first; a generator with other roots or a transposed matrix would not give it.
    const auto& m = shark::Diffusion();
    const std::uint8_t expected[8] = {0x0B, 0x31, 0x7F, 0x86, 0xBE, 0x05, 0x83, 0x34};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(m[i][7], expected[i]) << i;
}

TEST(Shark, KeysDifferingInOneByteGiveUnrelatedCiphers) {
    std::uint8_t key[16] = {};
    TCipher_Shark base;
    base.Init(key, 16, nullptr);
    std::uint8_t ref[8] = {};
    base.EncryptBlock(ref);
    for (int i = 0; i < 16; ++i) {
        key[i] = 1;
        TCipher_Shark c;
        c.Init(key, 16, nullptr);
        std::uint8_t x[8] = {};
        c.EncryptBlock(x);
        int same = 0;
        for (int j = 0; j < 8; ++j) same += x[j] == ref[j];
        EXPECT_LE(same, 2) << "key byte " << i;
        key[i] = 0;
    }
}

} // namespace
