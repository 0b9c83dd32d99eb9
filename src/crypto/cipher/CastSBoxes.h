#pragma once
// What CAST-128 and CAST-256 have in common: the four 8x32 S-boxes S1..S4 of RFC 2144, appendix A, which
// RFC 2612 (section 2.1.1) takes over unchanged, and the three round-function types built on them
// (RFC 2144, section 2.2; RFC 2612, section 2.2). One copy serves both classes.
// Not cache-timing safe: the look-ups are indexed by key-mixed data.

#include "crypto/common/Bits.h"

#include <cstdint>

namespace torvane::crypto::cast {

extern const std::uint32_t SBox[4][256]; // S1..S4

// Round functions of types 1, 2 and 3 on the data word d with the masking key km and the rotation key kr
// (0..31).
inline std::uint32_t F1(std::uint32_t d, std::uint32_t km, std::uint32_t kr) {
    const std::uint32_t i = common::Rotl(km + d, static_cast<int>(kr));
    return ((SBox[0][i >> 24] ^ SBox[1][(i >> 16) & 0xFF]) - SBox[2][(i >> 8) & 0xFF]) + SBox[3][i & 0xFF];
}

inline std::uint32_t F2(std::uint32_t d, std::uint32_t km, std::uint32_t kr) {
    const std::uint32_t i = common::Rotl(km ^ d, static_cast<int>(kr));
    return ((SBox[0][i >> 24] - SBox[1][(i >> 16) & 0xFF]) + SBox[2][(i >> 8) & 0xFF]) ^ SBox[3][i & 0xFF];
}

inline std::uint32_t F3(std::uint32_t d, std::uint32_t km, std::uint32_t kr) {
    const std::uint32_t i = common::Rotl(km - d, static_cast<int>(kr));
    return ((SBox[0][i >> 24] + SBox[1][(i >> 16) & 0xFF]) ^ SBox[2][(i >> 8) & 0xFF]) - SBox[3][i & 0xFF];
}

} // namespace torvane::crypto::cast
