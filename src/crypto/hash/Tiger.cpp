#include "crypto/hash/Tiger.h"

#include "crypto/common/Bits.h"

#include <cstring>
#include <utility>

namespace torvane::crypto {

TORVANE_DEFINE_HASH_CLASS(THash_Tiger, &THash_MD4::ClassInfo, 24);

namespace {

using SBoxes = std::uint64_t[4][256];

struct Chain {
    std::uint64_t a, b, c;
};

#define TIGER_ROUND(a, b, c, x, mul)                                                                         \
    c ^= (x);                                                                                                \
    a -= t[0][c & 0xFF] ^ t[1][(c >> 16) & 0xFF] ^ t[2][(c >> 32) & 0xFF] ^ t[3][(c >> 48) & 0xFF];          \
    b += t[3][(c >> 8) & 0xFF] ^ t[2][(c >> 24) & 0xFF] ^ t[1][(c >> 40) & 0xFF] ^ t[0][c >> 56];            \
    b *= (mul)

#define TIGER_PASS(a, b, c, mul)                                                                             \
    TIGER_ROUND(a, b, c, x0, mul);                                                                           \
    TIGER_ROUND(b, c, a, x1, mul);                                                                           \
    TIGER_ROUND(c, a, b, x2, mul);                                                                           \
    TIGER_ROUND(a, b, c, x3, mul);                                                                           \
    TIGER_ROUND(b, c, a, x4, mul);                                                                           \
    TIGER_ROUND(c, a, b, x5, mul);                                                                           \
    TIGER_ROUND(a, b, c, x6, mul);                                                                           \
    TIGER_ROUND(b, c, a, x7, mul)

#define TIGER_KEY_SCHEDULE()                                                                                 \
    x0 -= x7 ^ 0xA5A5A5A5A5A5A5A5ull;                                                                        \
    x1 ^= x0;                                                                                                \
    x2 += x1;                                                                                                \
    x3 -= x2 ^ ((~x1) << 19);                                                                                \
    x4 ^= x3;                                                                                                \
    x5 += x4;                                                                                                \
    x6 -= x5 ^ ((~x4) >> 23);                                                                                \
    x7 ^= x6;                                                                                                \
    x0 += x7;                                                                                                \
    x1 -= x0 ^ ((~x7) << 19);                                                                                \
    x2 ^= x1;                                                                                                \
    x3 += x2;                                                                                                \
    x4 -= x3 ^ ((~x2) >> 23);                                                                                \
    x5 ^= x4;                                                                                                \
    x6 += x5;                                                                                                \
    x7 -= x6 ^ 0x0123456789ABCDEFull

// The compression function as the Tiger paper defines it: three passes with the multipliers 5, 7 and 9
// and the key schedule between them. The paper asks only that extra passes (its TigerM) use the
// multiplier 9; here each extra pass runs on (a, b, c) and then renames the registers one step along the
// cycle (a, b, c) -> (c, a, b), the loop form of the three fixed passes, so the feed-forward after a pass
// count that is not a multiple of three applies to the registers as renamed.
inline void Compress(const SBoxes& t, Chain& s, const std::uint8_t* block, int passes) {
    std::uint64_t x0 = common::LoadLE64(block), x1 = common::LoadLE64(block + 8),
                  x2 = common::LoadLE64(block + 16), x3 = common::LoadLE64(block + 24),
                  x4 = common::LoadLE64(block + 32), x5 = common::LoadLE64(block + 40),
                  x6 = common::LoadLE64(block + 48), x7 = common::LoadLE64(block + 56);
    std::uint64_t a = s.a, b = s.b, c = s.c;

    TIGER_PASS(a, b, c, 5);
    TIGER_KEY_SCHEDULE();
    TIGER_PASS(c, a, b, 7);
    TIGER_KEY_SCHEDULE();
    TIGER_PASS(b, c, a, 9);
    for (int pass = 3; pass < passes; ++pass) {
        TIGER_KEY_SCHEDULE();
        TIGER_PASS(a, b, c, 9);
        // The next pass starts where the cycle (a,b,c), (c,a,b), (b,c,a) goes on.
        const std::uint64_t tmp = a;
        a = c;
        c = b;
        b = tmp;
    }

    s.a ^= a;
    s.b = b - s.b;
    s.c += c;
}

#undef TIGER_KEY_SCHEDULE
#undef TIGER_PASS
#undef TIGER_ROUND

// The S-boxes are not stored as a table of numbers but generated as the designers generated them, with the
// compression function itself: every column (byte position) of every box starts as the identity
// permutation of 0..255; five times over, for each entry i of each box in turn, three fresh chaining words
// are drawn (one compression of the 64-byte text "Tiger - A Fast New Hash Function, by Ross Anderson and
// Eli Biham" under the boxes as they stand, every third entry), and byte k of the current word names the
// entry whose byte k is exchanged with byte k of entry i. Exchanges keep every column a permutation.
// The result is checked by the published test vectors (and its first entry is 02AAB17CF7E90C5E).
struct TigerTables {
    alignas(64) SBoxes t;

    TigerTables() {
        static constexpr char kText[] = "Tiger - A Fast New Hash Function, by Ross Anderson and Eli Biham";
        static_assert(sizeof kText - 1 == 64, "the generator text is exactly one block");
        const auto* text = reinterpret_cast<const std::uint8_t*>(kText);

        for (int box = 0; box < 4; ++box)
            for (int i = 0; i < 256; ++i) t[box][i] = 0x0101010101010101ull * static_cast<std::uint64_t>(i);

        Chain state{0x0123456789ABCDEFull, 0xFEDCBA9876543210ull, 0xF096A5B4C3B2E187ull};
        int word = 2;
        for (int round = 0; round < 5; ++round)
            for (int i = 0; i < 256; ++i)
                for (int box = 0; box < 4; ++box) {
                    if (++word == 3) {
                        word = 0;
                        Compress(t, state, text, 3);
                    }
                    const std::uint64_t w = word == 0 ? state.a : word == 1 ? state.b : state.c;
                    for (int col = 0; col < 8; ++col) {
                        const int j = static_cast<int>((w >> (8 * col)) & 0xFF);
                        const std::uint64_t mask = 0xFFull << (8 * col);
                        const std::uint64_t bi = t[box][i] & mask, bj = t[box][j] & mask;
                        t[box][i] = (t[box][i] & ~mask) | bj;
                        t[box][j] = (t[box][j] & ~mask) | bi;
                    }
                }
    }
};

const SBoxes& Tables() {
    static const TigerTables tables;
    return tables.t;
}

Chain LoadChain(const std::uint32_t* state) {
    Chain s;
    std::memcpy(&s, state, sizeof s);
    return s;
}

void StoreChain(std::uint32_t* state, const Chain& s) {
    std::memcpy(state, &s, sizeof s);
}

} // namespace

void THash_Tiger::Start() {
    THash_MD4::Start();
    if (rounds_ < kMinRounds || rounds_ > kMaxRounds) rounds_ = kDefaultRounds;
    StoreChain(State, Chain{0x0123456789ABCDEFull, 0xFEDCBA9876543210ull, 0xF096A5B4C3B2E187ull});
}

void THash_Tiger::Transform(const std::uint8_t* block) {
    TransformBlocks(block, 1);
}

void THash_Tiger::TransformBlocks(const std::uint8_t* blocks, std::size_t count) {
    const SBoxes& t = Tables();
    Chain s = LoadChain(State);
    for (; count != 0; --count, blocks += kBlockSize) Compress(t, s, blocks, rounds_);
    StoreChain(State, s);
}

void THash_Tiger::StoreDigest() {
    const Chain s = LoadChain(State);
    common::StoreLE64(digest_, s.a);
    common::StoreLE64(digest_ + 8, s.b);
    common::StoreLE64(digest_ + 16, s.c);
}

} // namespace torvane::crypto
