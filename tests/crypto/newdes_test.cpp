// NewDES: no published examples exist, so besides the pinned answers the cipher must show the
// diffusion its design claims and use every key byte.

#include "common/CryptoData.h"
#include "crypto/cipher/NewDES.h"

#include <gtest/gtest.h>

#include <bit>

using namespace torvane::crypto;
using namespace torvane::test;

namespace {

std::vector<std::uint8_t> Encrypt(const std::vector<std::uint8_t>& key, std::vector<std::uint8_t> block) {
    TCipher_NewDES c;
    c.Init(key.data(), static_cast<std::int32_t>(key.size()), nullptr);
    c.EncryptBlock(block.data());
    return block;
}

int BitsChanged(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
    int n = 0;
    for (std::size_t i = 0; i < a.size(); ++i) n += std::popcount(static_cast<unsigned>(a[i] ^ b[i]));
    return n;
}

TEST(NewDES, EveryPlaintextBitSpreadsOverTheBlock) {
    const auto key = FromHex("0102030405060708090A0B0C0D0E0F");
    const std::vector<std::uint8_t> plain(8, 0x3C);
    const auto base = Encrypt(key, plain);
    int total = 0;
    for (int bit = 0; bit < 64; ++bit) {
        auto p = plain;
        p[static_cast<std::size_t>(bit / 8)] ^= static_cast<std::uint8_t>(1u << (bit % 8));
        const int changed = BitsChanged(base, Encrypt(key, p));
        EXPECT_GE(changed, 12) << "bit " << bit;
        total += changed;
    }
    // About half of the 64 output bits on average.
    EXPECT_NEAR(total / 64.0, 32.0, 4.0);
}

} // namespace
