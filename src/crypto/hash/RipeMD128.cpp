#include "crypto/hash/RipeMD.h"
#include "crypto/hash/RipeMDCore.h"

namespace torvane::crypto {

TORVANE_DEFINE_HASH_CLASS(THash_RipeMD128, &THash_MD4::ClassInfo, 16);

namespace {

using namespace ripemd;

inline void Compress(std::uint32_t* h, const std::uint8_t* block) {
    std::uint32_t x[16];
    LoadBlock(x, block);
    std::uint32_t al = h[0], bl = h[1], cl = h[2], dl = h[3];
    std::uint32_t ar = al, br = bl, cr = cl, dr = dl;

    RIPEMD4_ROUND(F1, KL[0], RL, SL, 0, al, bl, cl, dl);
    RIPEMD4_ROUND(F2, KL[1], RL, SL, 16, al, bl, cl, dl);
    RIPEMD4_ROUND(F3, KL[2], RL, SL, 32, al, bl, cl, dl);
    RIPEMD4_ROUND(F4, KL[3], RL, SL, 48, al, bl, cl, dl);

    RIPEMD4_ROUND(F4, KR128[0], RR, SR, 0, ar, br, cr, dr);
    RIPEMD4_ROUND(F3, KR128[1], RR, SR, 16, ar, br, cr, dr);
    RIPEMD4_ROUND(F2, KR128[2], RR, SR, 32, ar, br, cr, dr);
    RIPEMD4_ROUND(F1, KR128[3], RR, SR, 48, ar, br, cr, dr);

    const std::uint32_t t = h[1] + cl + dr;
    h[1] = h[2] + dl + ar;
    h[2] = h[3] + al + br;
    h[3] = h[0] + bl + cr;
    h[0] = t;
}

} // namespace

void THash_RipeMD128::Transform(const std::uint8_t* block) {
    Compress(State, block);
}

void THash_RipeMD128::TransformBlocks(const std::uint8_t* blocks, std::size_t count) {
    for (; count != 0; --count, blocks += kBlockSize) Compress(State, blocks);
}

} // namespace torvane::crypto
