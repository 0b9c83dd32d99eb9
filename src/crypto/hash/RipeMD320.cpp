#include "crypto/hash/RipeMD.h"
#include "crypto/hash/RipeMDCore.h"

#include <utility>

namespace torvane::crypto {

TORVANE_DEFINE_HASH_CLASS(THash_RipeMD320, &THash_MD4::ClassInfo, 40);

namespace {

using namespace ripemd;

// RIPEMD-160's two lines kept apart as the two halves of the state; after each round one register is
// exchanged between the lines: B after round 1, then D, A, C and E. The register names move on by one
// place per round (see RIPEMD5_ROUND), so B after round 1 is the variable named a, and so on.
inline void Compress(std::uint32_t* h, const std::uint8_t* block) {
    std::uint32_t x[16];
    LoadBlock(x, block);
    std::uint32_t al = h[0], bl = h[1], cl = h[2], dl = h[3], el = h[4];
    std::uint32_t ar = h[5], br = h[6], cr = h[7], dr = h[8], er = h[9];

    RIPEMD5_ROUND(F1, KL[0], RL, SL, 0, al, bl, cl, dl, el);
    RIPEMD5_ROUND(F5, KR160[0], RR, SR, 0, ar, br, cr, dr, er);
    std::swap(al, ar); // B
    RIPEMD5_ROUND(F2, KL[1], RL, SL, 16, el, al, bl, cl, dl);
    RIPEMD5_ROUND(F4, KR160[1], RR, SR, 16, er, ar, br, cr, dr);
    std::swap(bl, br); // D
    RIPEMD5_ROUND(F3, KL[2], RL, SL, 32, dl, el, al, bl, cl);
    RIPEMD5_ROUND(F3, KR160[2], RR, SR, 32, dr, er, ar, br, cr);
    std::swap(cl, cr); // A
    RIPEMD5_ROUND(F4, KL[3], RL, SL, 48, cl, dl, el, al, bl);
    RIPEMD5_ROUND(F2, KR160[3], RR, SR, 48, cr, dr, er, ar, br);
    std::swap(dl, dr); // C
    RIPEMD5_ROUND(F5, KL[4], RL, SL, 64, bl, cl, dl, el, al);
    RIPEMD5_ROUND(F1, KR160[4], RR, SR, 64, br, cr, dr, er, ar);
    std::swap(el, er); // E

    h[0] += al;
    h[1] += bl;
    h[2] += cl;
    h[3] += dl;
    h[4] += el;
    h[5] += ar;
    h[6] += br;
    h[7] += cr;
    h[8] += dr;
    h[9] += er;
}

} // namespace

void THash_RipeMD320::Transform(const std::uint8_t* block) {
    Compress(State, block);
}

void THash_RipeMD320::TransformBlocks(const std::uint8_t* blocks, std::size_t count) {
    for (; count != 0; --count, blocks += kBlockSize) Compress(State, blocks);
}

} // namespace torvane::crypto
