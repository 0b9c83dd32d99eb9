// SHARK: the diffusion layer's MDS property (on which the cipher's resistance to differential and linear
// attacks rests) and the padding of short keys.

#include "common/VecFile.h"
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

TEST(Shark, ShortKeyIsPaddedWithZeroBytes) {
    const std::uint8_t shortKey[3] = {0xAA, 0xBB, 0xCC};
    const std::uint8_t fullKey[16] = {0xAA, 0xBB, 0xCC};
    TCipher_Shark a, b;
    a.Init(shortKey, 3, nullptr);
    b.Init(fullKey, 16, nullptr);
    std::uint8_t x[8] = {1, 2, 3, 4, 5, 6, 7, 8}, y[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    a.EncryptBlock(x);
    b.EncryptBlock(y);
    EXPECT_EQ(ToHex(x, 8), ToHex(y, 8));
}

// Disabled while the class fills in the paper's constants (see Shark.h); with the paper's own affine map,
// code generator and key schedule seeds in place, this must pass and the records move to shark.vec.
TEST(Shark, DISABLED_ReproducesPublishedVectors) {
    int count = 0;
    for (const auto& r : ReadVecFile(DataPath("block/shark_published.vec"))) {
        SCOPED_TRACE(r.Where);
        ++count;
        const auto key = FromHex(r["Key"]);
        auto block = FromHex(r["In"]);
        ASSERT_EQ(block.size(), 8u);
        TCipher_Shark c;
        c.Init(key.data(), static_cast<std::int32_t>(key.size()), nullptr);
        c.EncryptBlock(block.data());
        EXPECT_EQ(ToHex(block), r["Out"]);
    }
    EXPECT_EQ(count, 7);
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
