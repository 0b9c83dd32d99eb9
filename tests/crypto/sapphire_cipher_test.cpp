// TCipher_Sapphire is a stream cipher behind a block interface: its running state must follow the
// chaining modes in both directions, and Rewind must bring back the keyed state.

#include "common/RandomBytes.h"
#include "common/VecFile.h"
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

TEST(SapphireCipher, EveryModeRoundTripsOverManyCalls) {
    std::mt19937 rng(3);
    const auto plain = RandomBytes(rng, 1000);
    // Uneven pieces: whole blocks, tails and single bytes, as streams are coded chunk by chunk.
    const std::size_t pieces[] = {96, 5, 32, 64, 1, 200, 31, 33, 538};
    for (TCipherMode mode : {cmCTS, cmCBC, cmCFB, cmOFB, cmECB}) {
        SCOPED_TRACE("mode " + std::to_string(mode));
        TCipher_Sapphire enc, dec;
        enc.Mode = dec.Mode = mode;
        enc.Init(kKey, sizeof kKey, nullptr);
        dec.Init(kKey, sizeof kKey, nullptr);
        std::vector<std::uint8_t> coded(plain.size()), back(plain.size());
        std::size_t pos = 0;
        for (std::size_t n : pieces) {
            enc.EncryptBuffer(plain.data() + pos, coded.data() + pos, static_cast<std::int64_t>(n));
            dec.DecryptBuffer(coded.data() + pos, back.data() + pos, static_cast<std::int64_t>(n));
            pos += n;
        }
        ASSERT_EQ(pos, plain.size());
        EXPECT_NE(ToHex(coded), ToHex(plain));
        EXPECT_EQ(ToHex(back), ToHex(plain));
        EXPECT_EQ(ToHex(enc.Feedback(), 32), ToHex(dec.Feedback(), 32));
    }
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

TEST(SapphireCipher, ReKeyingAfterWipeGivesTheSameStream) {
    TCipher_Sapphire c;
    c.Init(kKey, sizeof kKey, nullptr);
    std::uint8_t a[32] = {}, b[32] = {};
    c.EncryptBlock(a);
    c.EncryptBlock(b); // moves the stream on before the wipe
    c.Wipe();
    c.Init(kKey, sizeof kKey, nullptr);
    std::uint8_t again[32] = {};
    c.EncryptBlock(again);
    EXPECT_EQ(ToHex(again, 32), ToHex(a, 32));
}

TEST(SapphireCipher, EachKeyByteMatters) {
    std::uint8_t key[40];
    for (int i = 0; i < 40; ++i) key[i] = static_cast<std::uint8_t>(i * 3);
    TCipher_Sapphire c;
    c.Init(key, 40, nullptr);
    std::uint8_t ref[32] = {};
    c.EncryptBlock(ref);
    for (int i = 0; i < 40; ++i) {
        key[i] ^= 0x01;
        c.Init(key, 40, nullptr);
        std::uint8_t x[32] = {};
        c.EncryptBlock(x);
        EXPECT_NE(ToHex(x, 32), ToHex(ref, 32)) << "key byte " << i;
        key[i] ^= 0x01;
    }
}

} // namespace
