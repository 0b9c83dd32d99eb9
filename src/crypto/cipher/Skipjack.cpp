#include "crypto/cipher/Skipjack.h"

#include <cstring>
#include <utility>

namespace torvane::crypto {

TORVANE_DEFINE_CIPHER_CLASS(TCipher_Skipjack, nullptr, 8, 10, 10 * 256);

namespace {

// The F-table, section B.7 of the NIST Skipjack and KEA document.
constexpr std::uint8_t F[256] = {
    0xa3, 0xd7, 0x09, 0x83, 0xf8, 0x48, 0xf6, 0xf4, 0xb3, 0x21, 0x15, 0x78, 0x99, 0xb1, 0xaf, 0xf9,
    0xe7, 0x2d, 0x4d, 0x8a, 0xce, 0x4c, 0xca, 0x2e, 0x52, 0x95, 0xd9, 0x1e, 0x4e, 0x38, 0x44, 0x28,
    0x0a, 0xdf, 0x02, 0xa0, 0x17, 0xf1, 0x60, 0x68, 0x12, 0xb7, 0x7a, 0xc3, 0xe9, 0xfa, 0x3d, 0x53,
    0x96, 0x84, 0x6b, 0xba, 0xf2, 0x63, 0x9a, 0x19, 0x7c, 0xae, 0xe5, 0xf5, 0xf7, 0x16, 0x6a, 0xa2,
    0x39, 0xb6, 0x7b, 0x0f, 0xc1, 0x93, 0x81, 0x1b, 0xee, 0xb4, 0x1a, 0xea, 0xd0, 0x91, 0x2f, 0xb8,
    0x55, 0xb9, 0xda, 0x85, 0x3f, 0x41, 0xbf, 0xe0, 0x5a, 0x58, 0x80, 0x5f, 0x66, 0x0b, 0xd8, 0x90,
    0x35, 0xd5, 0xc0, 0xa7, 0x33, 0x06, 0x65, 0x69, 0x45, 0x00, 0x94, 0x56, 0x6d, 0x98, 0x9b, 0x76,
    0x97, 0xfc, 0xb2, 0xc2, 0xb0, 0xfe, 0xdb, 0x20, 0xe1, 0xeb, 0xd6, 0xe4, 0xdd, 0x47, 0x4a, 0x1d,
    0x42, 0xed, 0x9e, 0x6e, 0x49, 0x3c, 0xcd, 0x43, 0x27, 0xd2, 0x07, 0xd4, 0xde, 0xc7, 0x67, 0x18,
    0x89, 0xcb, 0x30, 0x1f, 0x8d, 0xc6, 0x8f, 0xaa, 0xc8, 0x74, 0xdc, 0xc9, 0x5d, 0x5c, 0x31, 0xa4,
    0x70, 0x88, 0x61, 0x2c, 0x9f, 0x0d, 0x2b, 0x87, 0x50, 0x82, 0x54, 0x64, 0x26, 0x7d, 0x03, 0x40,
    0x34, 0x4b, 0x1c, 0x73, 0xd1, 0xc4, 0xfd, 0x3b, 0xcc, 0xfb, 0x7f, 0xab, 0xe6, 0x3e, 0x5b, 0xa5,
    0xad, 0x04, 0x23, 0x9c, 0x14, 0x51, 0x22, 0xf0, 0x29, 0x79, 0x71, 0x7e, 0xff, 0x8c, 0x0e, 0xe2,
    0x0c, 0xef, 0xbc, 0x72, 0x75, 0x6f, 0x37, 0xa1, 0xec, 0xd3, 0x8e, 0x62, 0x8b, 0x86, 0x10, 0xe8,
    0x08, 0x77, 0x11, 0xbe, 0x92, 0x4f, 0x24, 0xc5, 0x32, 0x36, 0x9d, 0xcf, 0xf3, 0xa6, 0xbb, 0xac,
    0x5e, 0x6c, 0xa9, 0x13, 0x57, 0x25, 0xb5, 0xe3, 0xbd, 0xa8, 0x3a, 0x01, 0x05, 0x59, 0x2a, 0x46,
};

using Tables = std::uint8_t (*)[256];

// The G-permutation of step k (0-based) uses key bytes 4k, 4k+1, 4k+2, 4k+3 (mod 10).
template <int k> inline unsigned G(Tables t, unsigned w) {
    unsigned g1 = w >> 8, g2 = w & 0xFF;
    g1 ^= t[(4 * k) % 10][g2];
    g2 ^= t[(4 * k + 1) % 10][g1];
    g1 ^= t[(4 * k + 2) % 10][g2];
    g2 ^= t[(4 * k + 3) % 10][g1];
    return g1 << 8 | g2;
}

template <int k> inline unsigned GInverse(Tables t, unsigned w) {
    unsigned g1 = w >> 8, g2 = w & 0xFF;
    g2 ^= t[(4 * k + 3) % 10][g1];
    g1 ^= t[(4 * k + 2) % 10][g2];
    g2 ^= t[(4 * k + 1) % 10][g1];
    g1 ^= t[(4 * k) % 10][g2];
    return g1 << 8 | g2;
}

// Step k (0-based) with the counter k + 1.
template <int k> inline void RuleA(Tables t, unsigned& w1, unsigned& w2, unsigned& w3, unsigned& w4) {
    const unsigned g = G<k>(t, w1);
    const unsigned n1 = g ^ w4 ^ (k + 1);
    w4 = w3;
    w3 = w2;
    w2 = g;
    w1 = n1;
}

template <int k> inline void RuleB(Tables t, unsigned& w1, unsigned& w2, unsigned& w3, unsigned& w4) {
    const unsigned g = G<k>(t, w1);
    const unsigned n3 = w1 ^ w2 ^ (k + 1);
    w1 = w4;
    w4 = w3;
    w3 = n3;
    w2 = g;
}

template <int k> inline void RuleAInverse(Tables t, unsigned& w1, unsigned& w2, unsigned& w3, unsigned& w4) {
    const unsigned g = GInverse<k>(t, w2);
    const unsigned n4 = w1 ^ w2 ^ (k + 1);
    w1 = g;
    w2 = w3;
    w3 = w4;
    w4 = n4;
}

template <int k> inline void RuleBInverse(Tables t, unsigned& w1, unsigned& w2, unsigned& w3, unsigned& w4) {
    const unsigned g = GInverse<k>(t, w2);
    const unsigned n2 = g ^ w3 ^ (k + 1);
    w3 = w4;
    w4 = w1;
    w1 = g;
    w2 = n2;
}

template <int... k>
inline void StepsA(Tables t, unsigned& a, unsigned& b, unsigned& c, unsigned& d,
                   std::integer_sequence<int, k...>) {
    (RuleA<k>(t, a, b, c, d), ...);
}
template <int... k>
inline void StepsB(Tables t, unsigned& a, unsigned& b, unsigned& c, unsigned& d,
                   std::integer_sequence<int, k...>) {
    (RuleB<k>(t, a, b, c, d), ...);
}
template <int... k>
inline void StepsAInverse(Tables t, unsigned& a, unsigned& b, unsigned& c, unsigned& d,
                          std::integer_sequence<int, k...>) {
    (RuleAInverse<k>(t, a, b, c, d), ...);
}
template <int... k>
inline void StepsBInverse(Tables t, unsigned& a, unsigned& b, unsigned& c, unsigned& d,
                          std::integer_sequence<int, k...>) {
    (RuleBInverse<k>(t, a, b, c, d), ...);
}

// The step numbers (0-based) of the four groups of eight, forwards and backwards.
using Steps0 = std::integer_sequence<int, 0, 1, 2, 3, 4, 5, 6, 7>;
using Steps8 = std::integer_sequence<int, 8, 9, 10, 11, 12, 13, 14, 15>;
using Steps16 = std::integer_sequence<int, 16, 17, 18, 19, 20, 21, 22, 23>;
using Steps24 = std::integer_sequence<int, 24, 25, 26, 27, 28, 29, 30, 31>;
using Back0 = std::integer_sequence<int, 7, 6, 5, 4, 3, 2, 1, 0>;
using Back8 = std::integer_sequence<int, 15, 14, 13, 12, 11, 10, 9, 8>;
using Back16 = std::integer_sequence<int, 23, 22, 21, 20, 19, 18, 17, 16>;
using Back24 = std::integer_sequence<int, 31, 30, 29, 28, 27, 26, 25, 24>;

} // namespace

TCipher_Skipjack::TCipher_Skipjack() : TCipher(&ClassInfo), Ft_(reinterpret_cast<Tables>(UserData())) {}

void TCipher_Skipjack::Init(const void* key, std::int32_t size, const void* vector) {
    BeginKeying(size);
    std::uint8_t cv[10] = {};
    if (size > 0) std::memcpy(cv, key, static_cast<std::size_t>(size));
    for (int i = 0; i < 10; ++i)
        for (int x = 0; x < 256; ++x) Ft_[i][x] = F[x ^ cv[i]];
    std::memset(cv, 0, sizeof(cv));
    EndKeying(vector);
}

void TCipher_Skipjack::EncryptBlock(void* block) {
    auto* p = static_cast<std::uint8_t*>(block);
    unsigned w1 = p[0] << 8 | p[1], w2 = p[2] << 8 | p[3], w3 = p[4] << 8 | p[5], w4 = p[6] << 8 | p[7];
    Tables t = Ft_;
    StepsA(t, w1, w2, w3, w4, Steps0{});
    StepsB(t, w1, w2, w3, w4, Steps8{});
    StepsA(t, w1, w2, w3, w4, Steps16{});
    StepsB(t, w1, w2, w3, w4, Steps24{});
    const unsigned w[4] = {w1, w2, w3, w4};
    for (int i = 0; i < 4; ++i) {
        p[2 * i] = static_cast<std::uint8_t>(w[i] >> 8);
        p[2 * i + 1] = static_cast<std::uint8_t>(w[i]);
    }
}

void TCipher_Skipjack::DecryptBlock(void* block) {
    auto* p = static_cast<std::uint8_t*>(block);
    unsigned w1 = p[0] << 8 | p[1], w2 = p[2] << 8 | p[3], w3 = p[4] << 8 | p[5], w4 = p[6] << 8 | p[7];
    Tables t = Ft_;
    StepsBInverse(t, w1, w2, w3, w4, Back24{});
    StepsAInverse(t, w1, w2, w3, w4, Back16{});
    StepsBInverse(t, w1, w2, w3, w4, Back8{});
    StepsAInverse(t, w1, w2, w3, w4, Back0{});
    const unsigned w[4] = {w1, w2, w3, w4};
    for (int i = 0; i < 4; ++i) {
        p[2 * i] = static_cast<std::uint8_t>(w[i] >> 8);
        p[2 * i + 1] = static_cast<std::uint8_t>(w[i]);
    }
}

} // namespace torvane::crypto
