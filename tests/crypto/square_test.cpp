// Square as a cipher (beyond the known answers every cipher class gets) and THash_Square, the hash this
// program builds on it.

#include "common/CryptoData.h"
#include "crypto/cipher/Square.h"
#include "crypto/hash/SquareHash.h"

#include <gtest/gtest.h>

#include <bit>
#include <random>

using namespace torvane::crypto;
using namespace torvane::test;

namespace {

std::string HashOf(const std::vector<std::uint8_t>& data) {
    THash_Square h;
    h.Start();
    h.Update(data.data(), static_cast<std::int64_t>(data.size()));
    h.Finish();
    return ToHex(h.DigestBytes(), 16);
}

TEST(SquareHash, LengthIsPartOfTheDigest) {
    // Without the length in the padding, a message and the same message followed by the padding bytes
    // it would have received could collide; trailing zeros are the simplest case.
    std::vector<std::uint8_t> m = {'a', 'b', 'c'};
    const auto d0 = HashOf(m);
    for (int extra = 1; extra <= 20; ++extra) {
        m.push_back(0);
        EXPECT_NE(HashOf(m), d0) << extra;
    }
    std::vector<std::uint8_t> padded = {'a', 'b', 'c', 0x80};
    EXPECT_NE(HashOf(padded), d0);
}

int BitsDiffering(const std::string& hexA, const std::string& hexB) {
    const auto a = FromHex(hexA), b = FromHex(hexB);
    int n = 0;
    for (std::size_t i = 0; i < a.size(); ++i) n += std::popcount(static_cast<unsigned>(a[i] ^ b[i]));
    return n;
}

TEST(SquareHash, EveryInputBitChangesAboutHalfTheDigest) {
    std::mt19937 rng(5);
    std::vector<std::uint8_t> m(40);
    for (auto& b : m) b = static_cast<std::uint8_t>(rng());
    const auto base = HashOf(m);
    long total = 0;
    int least = 128;
    for (std::size_t bit = 0; bit < m.size() * 8; ++bit) {
        auto changed = m;
        changed[bit / 8] ^= static_cast<std::uint8_t>(1u << (bit % 8));
        const int d = BitsDiffering(base, HashOf(changed));
        total += d;
        least = std::min(least, d);
    }
    const double mean = static_cast<double>(total) / (m.size() * 8);
    // 320 flips of a random 128-bit function: the mean lies within 64 +- 2 with overwhelming probability,
    // and no single flip should leave the digest nearly unchanged.
    EXPECT_NEAR(mean, 64.0, 2.0);
    EXPECT_GE(least, 40);
}

} // namespace
