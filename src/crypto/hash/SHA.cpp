#include "crypto/hash/SHA.h"

#include "crypto/common/Bits.h"
#include "crypto/hash/ShaExtensions.h"

#include <atomic>

namespace torvane::crypto {

TORVANE_DEFINE_HASH_CLASS(THash_SHA, &THash_RipeMD160::ClassInfo, 20);
TORVANE_DEFINE_HASH_CLASS(THash_SHA1, &THash_SHA::ClassInfo, 20);

namespace {

using common::LoadBE32;
using common::Rotl;

#define SHA_CH(x, y, z) ((z) ^ ((x) & ((y) ^ (z))))
#define SHA_PARITY(x, y, z) ((x) ^ ((y) ^ (z)))
#define SHA_MAJ(x, y, z) (((x) & (y)) | ((z) & ((x) | (y))))

// The expansion keeps the last sixteen words in a ring; FIPS 180 and FIPS 180-1 differ only in the
// rotation of the new word.
#define SHA_W(i)                                                                                             \
    (i < 16                                                                                                  \
         ? w[i]                                                                                              \
         : (w[(i)&15] = Expand<Rotate>(w[((i)-3) & 15] ^ w[((i)-8) & 15] ^ w[((i)-14) & 15] ^ w[(i)&15])))
#define SHA_STEP(f, k, a, b, c, d, e, i)                                                                     \
    e += SHA_W(i) + (k);                                                                                     \
    e += f(b, c, d);                                                                                         \
    e += Rotl(a, 5);                                                                                         \
    b = Rotl(b, 30)
#define SHA_FIVE(f, k, i)                                                                                    \
    SHA_STEP(f, k, a, b, c, d, e, (i) + 0);                                                                  \
    SHA_STEP(f, k, e, a, b, c, d, (i) + 1);                                                                  \
    SHA_STEP(f, k, d, e, a, b, c, (i) + 2);                                                                  \
    SHA_STEP(f, k, c, d, e, a, b, (i) + 3);                                                                  \
    SHA_STEP(f, k, b, c, d, e, a, (i) + 4)

template <bool Rotate> inline std::uint32_t Expand(std::uint32_t v) {
    if constexpr (Rotate)
        return Rotl(v, 1);
    else
        return v;
}

template <bool Rotate> inline void Compress(std::uint32_t* h, const std::uint8_t* block) {
    std::uint32_t w[16];
    for (int i = 0; i < 16; ++i) w[i] = LoadBE32(block + 4 * i);
    std::uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];

    SHA_FIVE(SHA_CH, 0x5A827999u, 0);
    SHA_FIVE(SHA_CH, 0x5A827999u, 5);
    SHA_FIVE(SHA_CH, 0x5A827999u, 10);
    SHA_FIVE(SHA_CH, 0x5A827999u, 15);
    SHA_FIVE(SHA_PARITY, 0x6ED9EBA1u, 20);
    SHA_FIVE(SHA_PARITY, 0x6ED9EBA1u, 25);
    SHA_FIVE(SHA_PARITY, 0x6ED9EBA1u, 30);
    SHA_FIVE(SHA_PARITY, 0x6ED9EBA1u, 35);
    SHA_FIVE(SHA_MAJ, 0x8F1BBCDCu, 40);
    SHA_FIVE(SHA_MAJ, 0x8F1BBCDCu, 45);
    SHA_FIVE(SHA_MAJ, 0x8F1BBCDCu, 50);
    SHA_FIVE(SHA_MAJ, 0x8F1BBCDCu, 55);
    SHA_FIVE(SHA_PARITY, 0xCA62C1D6u, 60);
    SHA_FIVE(SHA_PARITY, 0xCA62C1D6u, 65);
    SHA_FIVE(SHA_PARITY, 0xCA62C1D6u, 70);
    SHA_FIVE(SHA_PARITY, 0xCA62C1D6u, 75);

    h[0] += a;
    h[1] += b;
    h[2] += c;
    h[3] += d;
    h[4] += e;
}

#undef SHA_CH
#undef SHA_PARITY
#undef SHA_MAJ
#undef SHA_W
#undef SHA_STEP
#undef SHA_FIVE

std::atomic<bool> hardwareAllowed{true};

bool UseHardware() {
    return hardwareAllowed.load(std::memory_order_relaxed) && shani::Available();
}

} // namespace

bool Sha1HardwareAvailable() {
    return shani::Available();
}

void SetSha1HardwareAllowed(bool allowed) {
    hardwareAllowed = allowed;
}

void THash_SHA::Start() {
    THash_RipeMD160::Start();
    Rotate = false;
}

void THash_SHA1::Start() {
    THash_SHA::Start();
    Rotate = true;
}

void THash_SHA::Transform(const std::uint8_t* block) {
    if (Rotate)
        Compress<true>(State, block);
    else
        Compress<false>(State, block);
}

void THash_SHA::TransformBlocks(const std::uint8_t* blocks, std::size_t count) {
    // The SHA extensions implement the FIPS 180-1 expansion only; the original SHA stays portable.
    if (Rotate && UseHardware())
        shani::Sha1Blocks(State, blocks, count);
    else if (Rotate)
        for (; count != 0; --count, blocks += kBlockSize) Compress<true>(State, blocks);
    else
        for (; count != 0; --count, blocks += kBlockSize) Compress<false>(State, blocks);
}

void THash_SHA::StoreDigest() {
    for (int i = 0; i < 5; ++i) common::StoreBE32(digest_ + 4 * i, State[i]);
}

} // namespace torvane::crypto
