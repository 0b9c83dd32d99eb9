#pragma once
// Arithmetic in GF(2^8) modulo x^8 + x^7 + x^6 + x^5 + x^4 + x^2 + 1, the field of Square and SHARK, and
// the S-box both ciphers build from it.

#include <array>
#include <cstdint>

namespace torvane::crypto::gf1f5 {

constexpr unsigned kPoly = 0x1F5;

constexpr std::uint8_t Mul(unsigned a, unsigned b) {
    unsigned r = 0;
    for (; b; b >>= 1) {
        if (b & 1) r ^= a;
        a <<= 1;
        if (a & 0x100) a ^= kPoly;
    }
    return static_cast<std::uint8_t>(r);
}

// x^254 = x^-1 for x != 0; 0 maps to 0.
constexpr std::uint8_t Inverse(unsigned x) {
    unsigned r = 1, p = x;
    for (unsigned e = 254; e; e >>= 1) {
        if (e & 1) r = Mul(r, p);
        p = Mul(p, p);
    }
    return x ? static_cast<std::uint8_t>(r) : 0;
}

// Square's S_gamma: inversion in the field, then an affine map over GF(2)^8, given here by the images of
// the unit vectors 1, 2, 4, ..., 128 and its constant (so S(0) = B1, S(1) = CE, S(2) = C3). With these the
// cipher reproduces the designers' test vector.
constexpr std::uint8_t kAffineColumns[8] = {0x7F, 0xDA, 0xBC, 0x78, 0xF0, 0x60, 0xC0, 0x80};
constexpr std::uint8_t kAffineConstant = 0xB1;

struct SBoxPair {
    std::array<std::uint8_t, 256> S{};
    std::array<std::uint8_t, 256> SInv{};
};

constexpr SBoxPair MakeSBox() {
    SBoxPair t{};
    for (unsigned x = 0; x < 256; ++x) {
        const auto inv = Inverse(x);
        unsigned s = kAffineConstant;
        for (int k = 0; k < 8; ++k)
            if ((inv >> k) & 1) s ^= kAffineColumns[k];
        t.S[x] = static_cast<std::uint8_t>(s);
        t.SInv[s] = static_cast<std::uint8_t>(x);
    }
    return t;
}

} // namespace torvane::crypto::gf1f5
