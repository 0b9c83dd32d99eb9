// RC5-32/12 and RC6-32/20 for every key length: a second model, written here from the two papers (R. L.
// Rivest, "The RC5 Encryption Algorithm", 1994, section 4.3; Rivest, Robshaw, Sidney, Yin, "The RC6 Block
// Cipher", 1998), of the shared key expansion and of both encryptions. The expansion loads the key bytes
// little-endian into c = max(1, ceil(b / 4)) words, so a length that is no multiple of four leaves the
// last word partly filled: the case the published examples, all of 16, 24 or 32 bytes, never reach.

#include "common/CryptoData.h"
#include "common/RandomBytes.h"
#include "crypto/cipher/RC5.h"
#include "crypto/cipher/RC6.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace torvane::crypto;
using namespace torvane::test;
using Bytes = std::vector<std::uint8_t>;

namespace {

using u32 = std::uint32_t;

u32 Rotl(u32 x, u32 n) {
    n &= 31;
    return n ? x << n | x >> (32 - n) : x;
}

std::vector<u32> ExpandKey(const Bytes& key, std::size_t t) {
    const std::size_t c = std::max<std::size_t>(1, (key.size() + 3) / 4);
    std::vector<u32> L(c, 0);
    for (std::size_t i = key.size(); i-- > 0;) L[i / 4] = (L[i / 4] << 8) + key[i];
    std::vector<u32> S(t);
    S[0] = 0xB7E15163u;
    for (std::size_t i = 1; i < t; ++i) S[i] = S[i - 1] + 0x9E3779B9u;
    u32 A = 0, B = 0;
    std::size_t i = 0, j = 0;
    for (std::size_t k = 0; k < 3 * std::max(t, c); ++k) {
        A = S[i] = Rotl(S[i] + A + B, 3);
        B = L[j] = Rotl(L[j] + A + B, A + B);
        i = (i + 1) % t;
        j = (j + 1) % c;
    }
    return S;
}

u32 Word(const Bytes& b, std::size_t at) {
    return u32{b[at]} | u32{b[at + 1]} << 8 | u32{b[at + 2]} << 16 | u32{b[at + 3]} << 24;
}

Bytes Words(std::initializer_list<u32> words) {
    Bytes out;
    for (u32 w : words)
        for (int k = 0; k < 4; ++k) out.push_back(static_cast<std::uint8_t>(w >> (8 * k)));
    return out;
}

Bytes Rc5(const Bytes& key, const Bytes& block) {
    const int r = 12;
    const auto S = ExpandKey(key, 2 * (r + 1));
    u32 A = Word(block, 0) + S[0], B = Word(block, 4) + S[1];
    for (int i = 1; i <= r; ++i) {
        A = Rotl(A ^ B, B) + S[2 * i];
        B = Rotl(B ^ A, A) + S[2 * i + 1];
    }
    return Words({A, B});
}

Bytes Rc6(const Bytes& key, const Bytes& block) {
    const int r = 20;
    const auto S = ExpandKey(key, 2 * r + 4);
    u32 A = Word(block, 0), B = Word(block, 4) + S[0], C = Word(block, 8), D = Word(block, 12) + S[1];
    for (int i = 1; i <= r; ++i) {
        const u32 t = Rotl(B * (2 * B + 1), 5), u = Rotl(D * (2 * D + 1), 5);
        A = Rotl(A ^ t, u) + S[2 * i];
        C = Rotl(C ^ u, t) + S[2 * i + 1];
        const u32 a = A;
        A = B;
        B = C;
        C = D;
        D = a;
    }
    return Words({A + S[2 * r + 2], B, C + S[2 * r + 3], D});
}

Bytes Ours(TCipherClass cls, const Bytes& key, Bytes block) {
    auto c = cls->Create();
    c->Init(key.data(), static_cast<std::int32_t>(key.size()), nullptr);
    c->EncryptBlock(block.data());
    return block;
}

TEST(RC5andRC6, TheSecondModelGivesThePublishedExamples) {
    // RC5 paper, first example; RC6 paper, the first 128-bit-key example.
    EXPECT_EQ(ToHex(Rc5(Bytes(16, 0), Bytes(8, 0))), "21A5DBEE154B8F6D");
    EXPECT_EQ(ToHex(Rc6(Bytes(16, 0), Bytes(16, 0))), "8FC3A53656B1F778C129DF4E9848A41E");
}

TEST(RC5andRC6, EveryKeyLengthAgreesWithTheSecondModel) {
    std::mt19937 rng(2040);
    for (int len = 0; len <= 256; ++len) {
        if (len > 40 && len % 17 != 0 && len < 255) continue;
        SCOPED_TRACE(std::to_string(len) + " key bytes");
        const Bytes key = RandomBytes(rng, static_cast<std::size_t>(len));
        const Bytes block5 = RandomBytes(rng, 8), block6 = RandomBytes(rng, 16);
        ASSERT_EQ(ToHex(Ours(&TCipher_RC5::ClassInfo, key, block5)), ToHex(Rc5(key, block5)));
        ASSERT_EQ(ToHex(Ours(&TCipher_RC6::ClassInfo, key, block6)), ToHex(Rc6(key, block6)));
    }
}

} // namespace
