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

template <bool Rotate>
__attribute__((always_inline)) inline void Compress(std::uint32_t* h, const std::uint8_t* block) {
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

#if defined(__x86_64__) || defined(__i386__)
#define TORVANE_SHA1_BMI2 1
// The same compression compiled for BMI1 and BMI2: rorx rotates into another register where a plain
// rotate first needs a copy, and andn forms Ch's complement in one step, so the rounds, whose work is
// bound by the number of instructions, need fewer of them.
__attribute__((target("bmi,bmi2"))) void Sha1BlocksBmi2(std::uint32_t* h, const std::uint8_t* blocks,
                                                        std::size_t count) {
    for (; count != 0; --count, blocks += 64) Compress<true>(h, blocks);
}

bool Bmi2Available() {
    static const bool available = __builtin_cpu_supports("bmi") && __builtin_cpu_supports("bmi2");
    return available;
}
#endif

#undef SHA_CH
#undef SHA_PARITY
#undef SHA_MAJ
#undef SHA_W
#undef SHA_STEP
#undef SHA_FIVE

// -1 until a path is selected: the fastest one then.
std::atomic<int> selected{-1};

} // namespace

bool Sha1PathAvailable(TSha1Path path) {
    switch (path) {
    case TSha1Path::Portable:
        return true;
#ifdef TORVANE_SHA1_BMI2
    case TSha1Path::Bmi2:
        return Bmi2Available();
#endif
    case TSha1Path::Extensions:
        return shani::Available();
    default:
        return false;
    }
}

TSha1Path FastestSha1Path() {
    for (auto path : {TSha1Path::Extensions, TSha1Path::Bmi2})
        if (Sha1PathAvailable(path)) return path;
    return TSha1Path::Portable;
}

TSha1Path Sha1Path() {
    const int path = selected.load(std::memory_order_relaxed);
    return path < 0 ? FastestSha1Path() : static_cast<TSha1Path>(path);
}

void SelectSha1Path(TSha1Path path) {
    selected = static_cast<int>(Sha1PathAvailable(path) ? path : TSha1Path::Portable);
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
    // The faster paths implement the FIPS 180-1 expansion only; the original SHA stays portable.
    if (!Rotate) {
        for (; count != 0; --count, blocks += kBlockSize) Compress<false>(State, blocks);
        return;
    }
    switch (Sha1Path()) {
    case TSha1Path::Extensions:
        shani::Sha1Blocks(State, blocks, count);
        break;
#ifdef TORVANE_SHA1_BMI2
    case TSha1Path::Bmi2:
        Sha1BlocksBmi2(State, blocks, count);
        break;
#endif
    default:
        for (; count != 0; --count, blocks += kBlockSize) Compress<true>(State, blocks);
    }
}

void THash_SHA::StoreDigest() {
    for (int i = 0; i < 5; ++i) common::StoreBE32(digest_ + 4 * i, State[i]);
}

} // namespace torvane::crypto
