// The DES family beyond its known answers: what the multi-key classes mean in terms of single DES, RSA's
// DESX key derivation, and the wide-block construction (its definition, its inverse, its diffusion).

#include "common/CryptoData.h"
#include "common/RandomBytes.h"
#include "crypto/cipher/DES.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

using namespace torvane::crypto;
using namespace torvane::test;
using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes EncryptWith(TCipher& c, const Bytes& key, Bytes block) {
    c.Init(key.data(), static_cast<std::int32_t>(key.size()), nullptr);
    c.EncryptBlock(block.data());
    return block;
}

Bytes Des(const std::uint8_t* key, Bytes block, bool decrypt = false) {
    TCipher_1DES d;
    d.Init(key, 8, nullptr);
    if (decrypt)
        d.DecryptBlock(block.data());
    else
        d.EncryptBlock(block.data());
    return block;
}

TEST(DesFamily, TwoKeyTripleDesIsEncryptDecryptEncryptWithK1K2K1) {
    std::mt19937 rng(1);
    for (int i = 0; i < 20; ++i) {
        const Bytes key = RandomBytes(rng, 16), block = RandomBytes(rng, 8);
        Bytes three = key;
        three.insert(three.end(), key.begin(), key.begin() + 8);
        TCipher_2DES two;
        TCipher_3DES tdes;
        const Bytes expected = Des(key.data(), Des(key.data() + 8, Des(key.data(), block), true));
        EXPECT_EQ(ToHex(EncryptWith(two, key, block)), ToHex(expected));
        EXPECT_EQ(ToHex(EncryptWith(tdes, three, block)), ToHex(expected));
    }
}

TEST(DesFamily, EqualKeysFallBackToSingleDes) {
    std::mt19937 rng(2);
    const Bytes k = RandomBytes(rng, 8), block = RandomBytes(rng, 8);
    Bytes k2 = k, k3 = k;
    k2.insert(k2.end(), k.begin(), k.end());
    k3.insert(k3.end(), k2.begin(), k2.end());
    TCipher_2DES two;
    TCipher_3DES three;
    EXPECT_EQ(ToHex(EncryptWith(two, k2, block)), ToHex(Des(k.data(), block)));
    EXPECT_EQ(ToHex(EncryptWith(three, k3, block)), ToHex(Des(k.data(), block)));
}

TEST(DesFamily, DesxDerivesRsasPostWhiteningKey) {
    // R. Outerbridge's DESX test: DES key 0123456789ABCDEF, whitening key 08192A3B4C5D6E7F.
    const Bytes k = FromHex("0123456789ABCDEF"), w = FromHex("08192A3B4C5D6E7F");
    std::uint8_t post[8];
    TCipher_DESX::PostWhitening(k.data(), w.data(), post);
    EXPECT_EQ(ToHex(post, 8), "E9C2CB67AD8628FB");

    // C = K2 xor DES_K(P xor K1), with the derived K2.
    std::mt19937 rng(3);
    const Bytes key = RandomBytes(rng, 16), plain = RandomBytes(rng, 8);
    TCipher_DESX::PostWhitening(key.data(), key.data() + 8, post);
    Bytes in = plain;
    for (int i = 0; i < 8; ++i) in[static_cast<std::size_t>(i)] ^= key[8u + static_cast<std::size_t>(i)];
    Bytes expected = Des(key.data(), in);
    for (int i = 0; i < 8; ++i) expected[static_cast<std::size_t>(i)] ^= post[i];
    TCipher_DESX x;
    EXPECT_EQ(ToHex(EncryptWith(x, key, plain)), ToHex(expected));
}

// ---- The wide blocks ----

struct Wide {
    TCipherClass cls;
    int lanes, keys;
};

const Wide kWide[] = {
    {&TCipher_2DDES::ClassInfo, 2, 2}, {&TCipher_3DDES::ClassInfo, 2, 3}, {&TCipher_3TDES::ClassInfo, 3, 3}};

// The construction as DES.cpp defines it, spelled out over single DES.
Bytes WideByDefinition(const Wide& w, const Bytes& key, Bytes x) {
    const int steps = 3 * w.lanes;
    for (int s = 0; s < steps; ++s) {
        const int j = s % w.lanes, t = (s + 1) % w.lanes;
        std::uint64_t c = static_cast<std::uint64_t>(s + 1) * 0x9E3779B97F4A7C15ull;
        Bytes in(8);
        for (int i = 7; i >= 0; --i, c >>= 8)
            in[static_cast<std::size_t>(i)] =
                x[static_cast<std::size_t>(8 * j + i)] ^ static_cast<std::uint8_t>(c);
        const Bytes f = Des(key.data() + 8 * (s % w.keys), in);
        for (int i = 0; i < 8; ++i) x[static_cast<std::size_t>(8 * t + i)] ^= f[static_cast<std::size_t>(i)];
    }
    return x;
}

TEST(DesWideBlock, FollowsItsDefinitionAndDecryptionInvertsIt) {
    std::mt19937 rng(4);
    for (const Wide& w : kWide) {
        SCOPED_TRACE(w.cls->ClassName);
        auto c = w.cls->Create();
        for (int i = 0; i < 10; ++i) {
            const Bytes key = RandomBytes(rng, static_cast<std::size_t>(8 * w.keys));
            const Bytes plain = RandomBytes(rng, static_cast<std::size_t>(8 * w.lanes));
            Bytes block = plain;
            c->Init(key.data(), static_cast<std::int32_t>(key.size()), nullptr);
            c->EncryptBlock(block.data());
            EXPECT_EQ(ToHex(block), ToHex(WideByDefinition(w, key, plain)));
            c->DecryptBlock(block.data());
            EXPECT_EQ(ToHex(block), ToHex(plain));
        }
    }
}

TEST(DesWideBlock, EveryInputBitReachesEveryOutputByte) {
    // For each input bit, eight random blocks with that bit flipped: a dependence that exists shows up with
    // probability 1 - 2^-64 per output byte; lanes coded apart (or mixed only one way) would not. Half of
    // the output bits should change on average.
    std::mt19937 rng(5);
    for (const Wide& w : kWide) {
        SCOPED_TRACE(w.cls->ClassName);
        const auto B = static_cast<std::size_t>(8 * w.lanes);
        auto c = w.cls->Create();
        const Bytes key = RandomBytes(rng, static_cast<std::size_t>(8 * w.keys));
        c->Init(key.data(), static_cast<std::int32_t>(key.size()), nullptr);
        long changedBits = 0, totalBits = 0;
        for (bool decrypt : {false, true}) {
            for (std::size_t bit = 0; bit < 8 * B; ++bit) {
                std::vector<bool> reached(B, false);
                for (int trial = 0; trial < 8; ++trial) {
                    Bytes a = RandomBytes(rng, B), b = a;
                    b[bit / 8] ^= static_cast<std::uint8_t>(0x80 >> (bit % 8));
                    if (decrypt) {
                        c->DecryptBlock(a.data());
                        c->DecryptBlock(b.data());
                    } else {
                        c->EncryptBlock(a.data());
                        c->EncryptBlock(b.data());
                    }
                    for (std::size_t i = 0; i < B; ++i) {
                        if (a[i] != b[i]) reached[i] = true;
                        changedBits += __builtin_popcount(a[i] ^ b[i]);
                    }
                    totalBits += static_cast<long>(8 * B);
                }
                for (std::size_t i = 0; i < B; ++i)
                    ASSERT_TRUE(reached[i]) << "input bit " << bit << " never changed output byte " << i
                                            << (decrypt ? " (decryption)" : "");
            }
        }
        const double ratio = static_cast<double>(changedBits) / static_cast<double>(totalBits);
        EXPECT_GT(ratio, 0.48);
        EXPECT_LT(ratio, 0.52);
    }
}

TEST(DesWideBlock, SwappingTheLanesOfTheInputGivesUnrelatedOutput) {
    // A symmetric mixing step would map (A, B) and (B, A) to outputs sharing a lane.
    std::mt19937 rng(6);
    auto c = TCipher_3DDES::ClassInfo.Create();
    const Bytes key = RandomBytes(rng, 24);
    c->Init(key.data(), 24, nullptr);
    Bytes ab = RandomBytes(rng, 16), ba(ab.begin() + 8, ab.end());
    ba.insert(ba.end(), ab.begin(), ab.begin() + 8);
    c->EncryptBlock(ab.data());
    c->EncryptBlock(ba.data());
    EXPECT_NE(ToHex(ab.data(), 8), ToHex(ba.data(), 8));
    EXPECT_NE(ToHex(ab.data() + 8, 8), ToHex(ba.data() + 8, 8));
}

} // namespace
