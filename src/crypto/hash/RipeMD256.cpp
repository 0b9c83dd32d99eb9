#include "crypto/hash/RipeMD.h"
#include "crypto/hash/RipeMDCore.h"

#include <utility>

namespace torvane::crypto {

TORVANE_DEFINE_HASH_CLASS(THash_RipeMD256, &THash_MD4::ClassInfo, 32);

namespace {

using namespace ripemd;

// RIPEMD-128's two lines kept apart as the two halves of the state; after each round one register is
// exchanged between the lines (A after round 1, then B, C, D).
inline void Compress(std::uint32_t* h, const std::uint8_t* block) {
    std::uint32_t x[16];
    LoadBlock(x, block);
    std::uint32_t al = h[0], bl = h[1], cl = h[2], dl = h[3];
    std::uint32_t ar = h[4], br = h[5], cr = h[6], dr = h[7];

    RIPEMD4_ROUND(F1, KL[0], RL, SL, 0, al, bl, cl, dl);
    RIPEMD4_ROUND(F4, KR128[0], RR, SR, 0, ar, br, cr, dr);
    std::swap(al, ar);
    RIPEMD4_ROUND(F2, KL[1], RL, SL, 16, al, bl, cl, dl);
    RIPEMD4_ROUND(F3, KR128[1], RR, SR, 16, ar, br, cr, dr);
    std::swap(bl, br);
    RIPEMD4_ROUND(F3, KL[2], RL, SL, 32, al, bl, cl, dl);
    RIPEMD4_ROUND(F2, KR128[2], RR, SR, 32, ar, br, cr, dr);
    std::swap(cl, cr);
    RIPEMD4_ROUND(F4, KL[3], RL, SL, 48, al, bl, cl, dl);
    RIPEMD4_ROUND(F1, KR128[3], RR, SR, 48, ar, br, cr, dr);
    std::swap(dl, dr);

    h[0] += al;
    h[1] += bl;
    h[2] += cl;
    h[3] += dl;
    h[4] += ar;
    h[5] += br;
    h[6] += cr;
    h[7] += dr;
}

} // namespace

void THash_RipeMD256::Start() {
    THash_MD4::Start();
    // The right line starts from its own published values.
    State[4] = 0x76543210;
    State[5] = 0xFEDCBA98;
    State[6] = 0x89ABCDEF;
    State[7] = 0x01234567;
}

void THash_RipeMD256::Transform(const std::uint8_t* block) {
    Compress(State, block);
}

void THash_RipeMD256::TransformBlocks(const std::uint8_t* blocks, std::size_t count) {
    for (; count != 0; --count, blocks += kBlockSize) Compress(State, blocks);
}

} // namespace torvane::crypto
