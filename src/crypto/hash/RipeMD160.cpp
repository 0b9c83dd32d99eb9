#include "crypto/hash/RipeMD.h"
#include "crypto/hash/RipeMDCore.h"

namespace torvane::crypto {

TORVANE_DEFINE_HASH_CLASS(THash_RipeMD160, &THash_MD4::ClassInfo, 20);

namespace {

using namespace ripemd;

inline void Compress(std::uint32_t* h, const std::uint8_t* block) {
    std::uint32_t x[16];
    LoadBlock(x, block);
    std::uint32_t al = h[0], bl = h[1], cl = h[2], dl = h[3], el = h[4];
    std::uint32_t ar = al, br = bl, cr = cl, dr = dl, er = el;

    RIPEMD5_ROUND(F1, KL[0], RL, SL, 0, al, bl, cl, dl, el);
    RIPEMD5_ROUND(F2, KL[1], RL, SL, 16, el, al, bl, cl, dl);
    RIPEMD5_ROUND(F3, KL[2], RL, SL, 32, dl, el, al, bl, cl);
    RIPEMD5_ROUND(F4, KL[3], RL, SL, 48, cl, dl, el, al, bl);
    RIPEMD5_ROUND(F5, KL[4], RL, SL, 64, bl, cl, dl, el, al);

    RIPEMD5_ROUND(F5, KR160[0], RR, SR, 0, ar, br, cr, dr, er);
    RIPEMD5_ROUND(F4, KR160[1], RR, SR, 16, er, ar, br, cr, dr);
    RIPEMD5_ROUND(F3, KR160[2], RR, SR, 32, dr, er, ar, br, cr);
    RIPEMD5_ROUND(F2, KR160[3], RR, SR, 48, cr, dr, er, ar, br);
    RIPEMD5_ROUND(F1, KR160[4], RR, SR, 64, br, cr, dr, er, ar);

    const std::uint32_t t = h[1] + cl + dr;
    h[1] = h[2] + dl + er;
    h[2] = h[3] + el + ar;
    h[3] = h[4] + al + br;
    h[4] = h[0] + bl + cr;
    h[0] = t;
}

} // namespace

void THash_RipeMD160::Transform(const std::uint8_t* block) {
    Compress(State, block);
}

void THash_RipeMD160::TransformBlocks(const std::uint8_t* blocks, std::size_t count) {
    for (; count != 0; --count, blocks += kBlockSize) Compress(State, blocks);
}

} // namespace torvane::crypto
