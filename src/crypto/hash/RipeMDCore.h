#pragma once
// Tables and step functions shared by the four RIPEMD compressions. Every table is indexed by step
// (0..79); the 128- and 256-bit versions use the first 64 steps. Source: Dobbertin, Bosselaers, Preneel,
// "RIPEMD-160: A Strengthened Version of RIPEMD", FSE 1996, appendix A, and the authors' notes on
// RIPEMD-128/256/320.

#include "crypto/common/Bits.h"

#include <cstdint>

namespace torvane::crypto::ripemd {

// Message word selection, left line (r) and right line (r').
inline constexpr std::uint8_t RL[80] = {
    0,  1, 2,  3,  4, 5,  6,  7,  8, 9, 10, 11, 12, 13, 14, 15, 7, 4,  13, 1, 10, 6, 15, 3,  12, 0, 9,
    5,  2, 14, 11, 8, 3,  10, 14, 4, 9, 15, 8,  1,  2,  7,  0,  6, 13, 11, 5, 12, 1, 9,  11, 10, 0, 8,
    12, 4, 13, 3,  7, 15, 14, 5,  6, 2, 4,  0,  5,  9,  7,  12, 2, 10, 14, 1, 3,  8, 11, 6,  15, 13};
inline constexpr std::uint8_t RR[80] = {
    5,  14, 7, 0,  9, 2,  11, 4, 13, 6,  15, 8,  1,  10, 3, 12, 6, 11, 3, 7, 0,  13, 5, 10, 14, 15, 8,
    12, 4,  9, 1,  2, 15, 5,  1, 3,  7,  14, 6,  9,  11, 8, 12, 2, 10, 0, 4, 13, 8,  6, 4,  1,  3,  11,
    15, 0,  5, 12, 2, 13, 9,  7, 10, 14, 12, 15, 10, 4,  1, 5,  8, 7,  6, 2, 13, 14, 0, 3,  9,  11};
// Rotation amounts, left line (s) and right line (s').
inline constexpr std::uint8_t SL[80] = {
    11, 14, 15, 12, 5,  8,  7,  9, 11, 13, 14, 15, 6,  7,  9, 8,  7,  6,  8,  13, 11, 9,  7,  15, 7,  12, 15,
    9,  11, 7,  13, 12, 11, 13, 6, 7,  14, 9,  13, 15, 14, 8, 13, 6,  5,  12, 7,  5,  11, 12, 14, 15, 14, 15,
    9,  8,  9,  14, 5,  6,  8,  6, 5,  12, 9,  15, 5,  11, 6, 8,  13, 12, 5,  12, 13, 14, 11, 8,  5,  6};
inline constexpr std::uint8_t SR[80] = {
    8, 9,  9,  11, 13, 15, 15, 5,  7,  7, 8, 11, 14, 14, 12, 6, 9,  13, 15, 7,  12, 8,  9,  11, 7,  7,  12,
    7, 6,  15, 13, 11, 9,  7,  15, 11, 8, 6, 6,  14, 12, 13, 5, 14, 13, 13, 7,  5,  15, 5,  8,  11, 14, 14,
    6, 14, 6,  9,  12, 9,  12, 5,  15, 8, 8, 5,  12, 9,  12, 5, 14, 6,  8,  13, 6,  5,  15, 13, 11, 11};

inline std::uint32_t F1(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
    return x ^ y ^ z;
}
inline std::uint32_t F2(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
    return z ^ (x & (y ^ z));
}
inline std::uint32_t F3(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
    return (x | ~y) ^ z;
}
inline std::uint32_t F4(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
    return y ^ (z & (x ^ y));
}
inline std::uint32_t F5(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
    return x ^ (y | ~z);
}

// Round constants: left line K1..K5, right line K1'..K5' (the 128/256-bit versions take their right-line
// constants K1'..K4' from the 128-bit table).
inline constexpr std::uint32_t KL[5] = {0x00000000, 0x5A827999, 0x6ED9EBA1, 0x8F1BBCDC, 0xA953FD4E};
inline constexpr std::uint32_t KR160[5] = {0x50A28BE6, 0x5C4DD124, 0x6D703EF3, 0x7A6D76E9, 0x00000000};
inline constexpr std::uint32_t KR128[4] = {0x50A28BE6, 0x5C4DD124, 0x6D703EF3, 0x00000000};

inline void LoadBlock(std::uint32_t* x, const std::uint8_t* block) {
    for (int i = 0; i < 16; ++i) x[i] = common::LoadLE32(block + 4 * i);
}

} // namespace torvane::crypto::ripemd

// Steps of the four-word lines (RIPEMD-128/256): a := (a + f(b,c,d) + X + K) <<< s; the next step takes
// the registers rotated by one, which the round macros write out.
#define RIPEMD4_STEP(f, k, a, b, c, d, r, s)                                                                 \
    a = ::torvane::crypto::common::Rotl(a + f(b, c, d) + x[r] + (k), s)
#define RIPEMD4_ROUND(f, k, R, S, o, a, b, c, d)                                                             \
    RIPEMD4_STEP(f, k, a, b, c, d, R[o + 0], S[o + 0]);                                                      \
    RIPEMD4_STEP(f, k, d, a, b, c, R[o + 1], S[o + 1]);                                                      \
    RIPEMD4_STEP(f, k, c, d, a, b, R[o + 2], S[o + 2]);                                                      \
    RIPEMD4_STEP(f, k, b, c, d, a, R[o + 3], S[o + 3]);                                                      \
    RIPEMD4_STEP(f, k, a, b, c, d, R[o + 4], S[o + 4]);                                                      \
    RIPEMD4_STEP(f, k, d, a, b, c, R[o + 5], S[o + 5]);                                                      \
    RIPEMD4_STEP(f, k, c, d, a, b, R[o + 6], S[o + 6]);                                                      \
    RIPEMD4_STEP(f, k, b, c, d, a, R[o + 7], S[o + 7]);                                                      \
    RIPEMD4_STEP(f, k, a, b, c, d, R[o + 8], S[o + 8]);                                                      \
    RIPEMD4_STEP(f, k, d, a, b, c, R[o + 9], S[o + 9]);                                                      \
    RIPEMD4_STEP(f, k, c, d, a, b, R[o + 10], S[o + 10]);                                                    \
    RIPEMD4_STEP(f, k, b, c, d, a, R[o + 11], S[o + 11]);                                                    \
    RIPEMD4_STEP(f, k, a, b, c, d, R[o + 12], S[o + 12]);                                                    \
    RIPEMD4_STEP(f, k, d, a, b, c, R[o + 13], S[o + 13]);                                                    \
    RIPEMD4_STEP(f, k, c, d, a, b, R[o + 14], S[o + 14]);                                                    \
    RIPEMD4_STEP(f, k, b, c, d, a, R[o + 15], S[o + 15])

// Steps of the five-word lines (RIPEMD-160/320): a := ((a + f(b,c,d) + X + K) <<< s) + e, c := c <<< 10.
// Sixteen steps move the register names on by one place (16 mod 5), so round n starts with the names
// rotated n places: after round 1 the registers A..E sit in (e, a, b, c, d), and so on.
#define RIPEMD5_STEP(f, k, a, b, c, d, e, r, s)                                                              \
    a = ::torvane::crypto::common::Rotl(a + f(b, c, d) + x[r] + (k), s) + e;                                 \
    c = ::torvane::crypto::common::Rotl(c, 10)
#define RIPEMD5_ROUND(f, k, R, S, o, a, b, c, d, e)                                                          \
    RIPEMD5_STEP(f, k, a, b, c, d, e, R[o + 0], S[o + 0]);                                                   \
    RIPEMD5_STEP(f, k, e, a, b, c, d, R[o + 1], S[o + 1]);                                                   \
    RIPEMD5_STEP(f, k, d, e, a, b, c, R[o + 2], S[o + 2]);                                                   \
    RIPEMD5_STEP(f, k, c, d, e, a, b, R[o + 3], S[o + 3]);                                                   \
    RIPEMD5_STEP(f, k, b, c, d, e, a, R[o + 4], S[o + 4]);                                                   \
    RIPEMD5_STEP(f, k, a, b, c, d, e, R[o + 5], S[o + 5]);                                                   \
    RIPEMD5_STEP(f, k, e, a, b, c, d, R[o + 6], S[o + 6]);                                                   \
    RIPEMD5_STEP(f, k, d, e, a, b, c, R[o + 7], S[o + 7]);                                                   \
    RIPEMD5_STEP(f, k, c, d, e, a, b, R[o + 8], S[o + 8]);                                                   \
    RIPEMD5_STEP(f, k, b, c, d, e, a, R[o + 9], S[o + 9]);                                                   \
    RIPEMD5_STEP(f, k, a, b, c, d, e, R[o + 10], S[o + 10]);                                                 \
    RIPEMD5_STEP(f, k, e, a, b, c, d, R[o + 11], S[o + 11]);                                                 \
    RIPEMD5_STEP(f, k, d, e, a, b, c, R[o + 12], S[o + 12]);                                                 \
    RIPEMD5_STEP(f, k, c, d, e, a, b, R[o + 13], S[o + 13]);                                                 \
    RIPEMD5_STEP(f, k, b, c, d, e, a, R[o + 14], S[o + 14]);                                                 \
    RIPEMD5_STEP(f, k, a, b, c, d, e, R[o + 15], S[o + 15])
