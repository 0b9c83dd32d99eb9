// TCipher_Sapphire is a stream cipher behind a block interface: its running state must follow the
// chaining modes in both directions, and Rewind must bring back the keyed state.

#include "common/CryptoData.h"
#include "common/RandomBytes.h"
#include "crypto/cipher/Sapphire.h"

#include <gtest/gtest.h>

#include <random>

using namespace torvane::crypto;
using namespace torvane::test;

namespace {

const std::uint8_t kKey[] = {'S', 'a', 'p', 'p', 'h', 'i', 'r', 'e'};

TEST(SapphireCipher, RewindRestartsTheStream) {
    TCipher_Sapphire c;
    c.Init(kKey, sizeof kKey, nullptr);
    std::uint8_t first[64] = {}, again[64] = {};
    c.EncryptBlock(first);
    c.EncryptBlock(first + 32);
    c.Rewind();
    c.EncryptBlock(again);
    c.EncryptBlock(again + 32);
    EXPECT_EQ(ToHex(first, 64), ToHex(again, 64));
    // Without Rewind the stream goes on.
    std::uint8_t later[32] = {};
    c.EncryptBlock(later);
    EXPECT_NE(ToHex(later, 32), ToHex(first, 32));
}

TEST(SapphireCipher, CodingGoesOnAcrossCallsUntilRewind) {
    std::mt19937 rng(4);
    const auto plain = RandomBytes(rng, 128);
    TCipher_Sapphire c;
    c.Mode = cmCBC;
    c.Init(kKey, sizeof kKey, nullptr);
    std::vector<std::uint8_t> one(128), two(128);
    c.EncryptBuffer(plain.data(), one.data(), 128);
    c.EncryptBuffer(plain.data(), two.data(), 128);
    EXPECT_NE(ToHex(one), ToHex(two));
    c.Rewind();
    c.EncryptBuffer(plain.data(), two.data(), 128);
    EXPECT_EQ(ToHex(one), ToHex(two));
}

} // namespace
