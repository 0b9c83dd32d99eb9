#include "crypto/cipher/DES.h"

#include "crypto/common/Bits.h"
#include "crypto/common/Wipe.h"

#include <array>
#include <bit>
#include <cstring>
#include <utility>

namespace torvane::crypto {

// UserData: one 32-word round-key schedule per DES key; DESX adds its two whitening words behind it.
constexpr std::int32_t kScheduleBytes = 32 * 4;

TORVANE_DEFINE_CIPHER_CLASS(TCipher_1DES, nullptr, 8, 8, kScheduleBytes);
TORVANE_DEFINE_CIPHER_CLASS(TCipher_2DES, &TCipher_1DES::ClassInfo, 8, 16, 2 * kScheduleBytes);
TORVANE_DEFINE_CIPHER_CLASS(TCipher_3DES, &TCipher_1DES::ClassInfo, 8, 24, 3 * kScheduleBytes);
TORVANE_DEFINE_CIPHER_CLASS(TCipher_2DDES, &TCipher_2DES::ClassInfo, 16, 16, 2 * kScheduleBytes);
TORVANE_DEFINE_CIPHER_CLASS(TCipher_3DDES, &TCipher_3DES::ClassInfo, 16, 24, 3 * kScheduleBytes);
TORVANE_DEFINE_CIPHER_CLASS(TCipher_3TDES, &TCipher_3DES::ClassInfo, 24, 24, 3 * kScheduleBytes);
TORVANE_DEFINE_CIPHER_CLASS(TCipher_DESX, &TCipher_1DES::ClassInfo, 8, 16, kScheduleBytes + 16);

namespace {

using u32 = std::uint32_t;
using u64 = std::uint64_t;
using common::LoadBE64;
using common::Rotl;
using common::Rotr;
using common::StoreBE64;

// ---- FIPS 46-3 tables (bit numbers count from 1, the leftmost bit) ----

// S-boxes S1..S8, row by row (row = outer bits, column = inner four bits of the six-bit input).
constexpr std::uint8_t kS[8][64] = {
    {14, 4,  13, 1, 2,  15, 11, 8, 3, 10, 6, 12, 5,  9,  0,  7,  0,  15, 7,  4,  14, 2,
     13, 1,  10, 6, 12, 11, 9,  5, 3, 8,  4, 1,  14, 8,  13, 6,  2,  11, 15, 12, 9,  7,
     3,  10, 5,  0, 15, 12, 8,  2, 4, 9,  1, 7,  5,  11, 3,  14, 10, 0,  6,  13},
    {15, 1,  8,  14, 6,  11, 3,  4, 9,  7,  2, 13, 12, 0,  5,  10, 3,  13, 4,  7, 15, 2,
     8,  14, 12, 0,  1,  10, 6,  9, 11, 5,  0, 14, 7,  11, 10, 4,  13, 1,  5,  8, 12, 6,
     9,  3,  2,  15, 13, 8,  10, 1, 3,  15, 4, 2,  11, 6,  7,  12, 0,  5,  14, 9},
    {10, 0,  9,  14, 6, 3,  15, 5,  1,  13, 12, 7, 11, 4,  2,  8,  13, 7, 0,  9, 3, 4,
     6,  10, 2,  8,  5, 14, 12, 11, 15, 1,  13, 6, 4,  9,  8,  15, 3,  0, 11, 1, 2, 12,
     5,  10, 14, 7,  1, 10, 13, 0,  6,  9,  8,  7, 4,  15, 14, 3,  11, 5, 2,  12},
    {7, 13, 14, 3, 0, 6,  9, 10, 1,  2, 8,  5, 11, 12, 4,  15, 13, 8,  11, 5, 6, 15,
     0, 3,  4,  7, 2, 12, 1, 10, 14, 9, 10, 6, 9,  0,  12, 11, 7,  13, 15, 1, 3, 14,
     5, 2,  8,  4, 3, 15, 0, 6,  10, 1, 13, 8, 9,  4,  5,  11, 12, 7,  2,  14},
    {2,  12, 4, 1,  7,  10, 11, 6, 8, 5,  3, 15, 13, 0,  14, 9,  14, 11, 2,  12, 4,  7,
     13, 1,  5, 0,  15, 10, 3,  9, 8, 6,  4, 2,  1,  11, 10, 13, 7,  8,  15, 9,  12, 5,
     6,  3,  0, 14, 11, 8,  12, 7, 1, 14, 2, 13, 6,  15, 0,  9,  10, 4,  5,  3},
    {12, 1,  10, 15, 9,  2,  6, 8,  0, 13, 3,  4,  14, 7,  5, 11, 10, 15, 4, 2, 7, 12,
     9,  5,  6,  1,  13, 14, 0, 11, 3, 8,  9,  14, 15, 5,  2, 8,  12, 3,  7, 0, 4, 10,
     1,  13, 11, 6,  4,  3,  2, 12, 9, 5,  15, 10, 11, 14, 1, 7,  6,  0,  8, 13},
    {4, 11, 2,  14, 15, 0,  8,  13, 3, 12, 9,  7, 5,  10, 6,  1,  13, 0,  11, 7,  4, 9,
     1, 10, 14, 3,  5,  12, 2,  15, 8, 6,  1,  4, 11, 13, 12, 3,  7,  14, 10, 15, 6, 8,
     0, 5,  9,  2,  6,  11, 13, 8,  1, 4,  10, 7, 9,  5,  0,  15, 14, 2,  3,  12},
    {13, 2, 8,  4, 6, 15, 11, 1,  10, 9,  3, 14, 5,  0,  12, 7,  1,  15, 13, 8, 10, 3,
     7,  4, 12, 5, 6, 11, 0,  14, 9,  2,  7, 11, 4,  1,  9,  12, 14, 2,  0,  6, 10, 13,
     15, 3, 5,  8, 2, 1,  14, 7,  4,  10, 8, 13, 15, 12, 9,  0,  3,  5,  6,  11},
};

// Permutation P of the round function.
constexpr std::uint8_t kP[32] = {16, 7, 20, 21, 29, 12, 28, 17, 1,  15, 23, 26, 5,  18, 31, 10,
                                 2,  8, 24, 14, 32, 27, 3,  9,  19, 13, 30, 6,  22, 11, 4,  25};

// Initial permutation IP.
constexpr std::uint8_t kIP[64] = {58, 50, 42, 34, 26, 18, 10, 2, 60, 52, 44, 36, 28, 20, 12, 4,
                                  62, 54, 46, 38, 30, 22, 14, 6, 64, 56, 48, 40, 32, 24, 16, 8,
                                  57, 49, 41, 33, 25, 17, 9,  1, 59, 51, 43, 35, 27, 19, 11, 3,
                                  61, 53, 45, 37, 29, 21, 13, 5, 63, 55, 47, 39, 31, 23, 15, 7};

// Permuted choices of the key schedule, and the left shifts of C and D per round.
constexpr std::uint8_t kPC1[56] = {57, 49, 41, 33, 25, 17, 9,  1,  58, 50, 42, 34, 26, 18, 10, 2,  59, 51, 43,
                                   35, 27, 19, 11, 3,  60, 52, 44, 36, 63, 55, 47, 39, 31, 23, 15, 7,  62, 54,
                                   46, 38, 30, 22, 14, 6,  61, 53, 45, 37, 29, 21, 13, 5,  28, 20, 12, 4};
constexpr std::uint8_t kPC2[48] = {14, 17, 11, 24, 1,  5,  3,  28, 15, 6,  21, 10, 23, 19, 12, 4,
                                   26, 8,  16, 7,  27, 20, 13, 2,  41, 52, 31, 37, 47, 55, 30, 40,
                                   51, 45, 33, 48, 44, 49, 39, 56, 34, 53, 46, 42, 50, 36, 29, 32};
constexpr std::uint8_t kShifts[16] = {1, 1, 2, 2, 2, 2, 2, 2, 1, 2, 2, 2, 2, 2, 2, 1};

// ---- The fast form ----
//
// Between the initial and the final permutation both halves are kept rotated left by one bit. In that
// form the round function's expansion E needs no bit gathering: the six-bit groups 2, 4, 6, 8 of E(R) are
// bits 24-29, 16-21, 8-13 and 0-5 of the rotated R, and groups 1, 3, 5, 7 the same bits of it rotated right
// by four more. Each round key is stored as two words with its groups at those places, and each S-box is
// merged with P (and the rotation) into a 64-entry table of 32-bit words.

using SpTables = std::array<std::array<u32, 64>, 8>;

constexpr SpTables MakeSpTables() {
    SpTables sp{};
    for (int box = 0; box < 8; ++box) {
        for (u32 x = 0; x < 64; ++x) {
            const int row = static_cast<int>(((x >> 5) << 1) | (x & 1));
            const int col = static_cast<int>((x >> 1) & 15);
            const u32 s = static_cast<u32>(kS[box][row * 16 + col]) << (28 - 4 * box);
            u32 p = 0;
            for (int i = 0; i < 32; ++i) p |= ((s >> (32 - kP[i])) & 1u) << (31 - i);
            sp[static_cast<std::size_t>(box)][x] = Rotl(p, 1);
        }
    }
    return sp;
}

alignas(64) constexpr SpTables kSP = MakeSpTables();

// Exchanges the bits selected by mask with those d places above them.
constexpr u64 DeltaSwap(u64 x, int d, u64 mask) {
    const u64 t = ((x >> d) ^ x) & mask;
    return x ^ t ^ (t << d);
}

// IP moves the bit at (machine) position p to the position whose six index bits are a fixed permutation of
// p's, four of them complemented; five exchanges of index-bit pairs make that up.
constexpr u64 InitialPermutation(u64 x) {
    x = DeltaSwap(x, 3, 0x1111111111111111ull);
    x = DeltaSwap(x, 9, 0x0055005500550055ull);
    x = DeltaSwap(x, 6, 0x0303030303030303ull);
    x = DeltaSwap(x, 18, 0x0000333300003333ull);
    return DeltaSwap(x, 36, 0x000000000F0F0F0Full);
}

constexpr u64 FinalPermutation(u64 x) {
    x = DeltaSwap(x, 36, 0x000000000F0F0F0Full);
    x = DeltaSwap(x, 18, 0x0000333300003333ull);
    x = DeltaSwap(x, 6, 0x0303030303030303ull);
    x = DeltaSwap(x, 9, 0x0055005500550055ull);
    return DeltaSwap(x, 3, 0x1111111111111111ull);
}

constexpr u64 TableIP(u64 x) {
    u64 y = 0;
    for (int i = 0; i < 64; ++i) y |= ((x >> (64 - kIP[i])) & 1u) << (63 - i);
    return y;
}

constexpr bool PermutationsMatchTheTable() {
    for (int b = 0; b < 64; ++b) {
        const u64 x = u64{1} << b;
        if (InitialPermutation(x) != TableIP(x) || FinalPermutation(InitialPermutation(x)) != x) return false;
    }
    return true;
}
static_assert(PermutationsMatchTheTable(), "the exchange network must be FIPS 46-3's IP");

struct Halves {
    u32 l, r;
};

inline Halves Enter(u64 x) {
    x = InitialPermutation(x);
    return {Rotl(static_cast<u32>(x >> 32), 1), Rotl(static_cast<u32>(x), 1)};
}

inline u64 Leave(Halves h) {
    return FinalPermutation((u64{Rotr(h.l, 1)} << 32) | Rotr(h.r, 1));
}

inline u32 F(u32 r, const u32* k) {
    const u32 u = Rotr(r, 4) ^ k[0];
    const u32 v = r ^ k[1];
    return kSP[0][(u >> 24) & 63] ^ kSP[2][(u >> 16) & 63] ^ kSP[4][(u >> 8) & 63] ^ kSP[6][u & 63] ^
           kSP[1][(v >> 24) & 63] ^ kSP[3][(v >> 16) & 63] ^ kSP[5][(v >> 8) & 63] ^ kSP[7][v & 63];
}

// Sixteen rounds; the halves come out exchanged, as DES hands them to the final permutation, which is
// also the order in which a following DES (whose IP cancels that FP) takes them.
inline void Encrypt16(Halves& h, const u32* k) {
#pragma GCC unroll 8
    for (int i = 0; i < 32; i += 4) {
        h.l ^= F(h.r, k + i);
        h.r ^= F(h.l, k + i + 2);
    }
    std::swap(h.l, h.r);
}

inline void Decrypt16(Halves& h, const u32* k) {
#pragma GCC unroll 8
    for (int i = 30; i > 0; i -= 4) {
        h.l ^= F(h.r, k + i);
        h.r ^= F(h.l, k + i - 2);
    }
    std::swap(h.l, h.r);
}

void MakeSchedule(const std::uint8_t key[8], u32* out) {
    std::uint8_t cd[56];
    for (int i = 0; i < 56; ++i) cd[i] = (key[(kPC1[i] - 1) / 8] >> (7 - (kPC1[i] - 1) % 8)) & 1;
    int shift = 0;
    for (int round = 0; round < 16; ++round) {
        shift += kShifts[round];
        u32 odd = 0, even = 0; // groups 1, 3, 5, 7 and 2, 4, 6, 8
        for (int g = 0; g < 8; ++g) {
            u32 six = 0;
            for (int b = 0; b < 6; ++b) {
                const int pos = kPC2[6 * g + b] - 1; // in C (0-27) or D (28-55), both rotated left by shift
                const int from = pos < 28 ? (pos + shift) % 28 : 28 + (pos - 28 + shift) % 28;
                six = (six << 1) | cd[from];
            }
            (g % 2 == 0 ? odd : even) |= six << (24 - 8 * (g / 2));
        }
        out[2 * round] = odd;
        out[2 * round + 1] = even;
    }
    SecureZero(cd, sizeof(cd));
}

// ---- The wide blocks ----
//
// DES has no wide-block form of its own, so the 16- and 24-byte classes use this construction: the block is
// n lanes X_0 .. X_{n-1} of 8 bytes (n = 2 or 3), and an unbalanced Feistel network of S = 3n steps runs
// over them; step s (s = 0 .. S-1) does
//
//     X_t := X_t xor DES_K(X_j xor C_s),   j = s mod n,  t = (s + 1) mod n,  K = key number (s mod m),
//
// with m the class's count of DES keys and C_s = (s + 1) * 9E3779B97F4A7C15 (mod 2^64), big-endian. Each
// step is undone by itself, so decryption runs the steps backwards, also with DES encryption. Every output
// bit depends on every input bit after at most n + 1 steps; 3n steps make three passes over every lane and
// cost three DES per 8 bytes, the price of triple DES. The step constants keep the steps from being copies of
// one another (which slide attacks use). The lanes stay inside IP/FP for the whole network.

constexpr u64 StepConstant(int s) {
    return static_cast<u64>(s + 1) * 0x9E3779B97F4A7C15ull;
}

template <int Steps> constexpr std::array<Halves, Steps> MakeStepConstants() {
    std::array<Halves, Steps> c{};
    for (int s = 0; s < Steps; ++s) {
        const u64 x = InitialPermutation(StepConstant(s));
        c[static_cast<std::size_t>(s)] = {Rotl(static_cast<u32>(x >> 32), 1), Rotl(static_cast<u32>(x), 1)};
    }
    return c;
}

template <int Lanes, bool Decrypt, int Keys> void WideBlock(void* block, const u32* const (&keys)[Keys]) {
    constexpr int Steps = 3 * Lanes;
    static constexpr auto kC = MakeStepConstants<Steps>();
    auto* p = static_cast<std::uint8_t*>(block);
    Halves x[Lanes];
    for (int i = 0; i < Lanes; ++i) x[i] = Enter(LoadBE64(p + 8 * i));
#pragma GCC unroll 9
    for (int n = 0; n < Steps; ++n) {
        const int s = Decrypt ? Steps - 1 - n : n;
        const int j = s % Lanes, t = (s + 1) % Lanes;
        Halves f{x[j].l ^ kC[static_cast<std::size_t>(s)].l, x[j].r ^ kC[static_cast<std::size_t>(s)].r};
        Encrypt16(f, keys[s % Keys]);
        x[t].l ^= f.l;
        x[t].r ^= f.r;
    }
    for (int i = 0; i < Lanes; ++i) StoreBE64(p + 8 * i, Leave(x[i]));
}

// ---- DESX ----

// RSA Data Security's substitution table for deriving the post-whitening key, as given with the DESX
// description RSA released for reimplementation (M. Riordan, sci.crypt, 1 March 1994; R. Outerbridge's
// public-domain DESX of 2 March 1994 carries the same table and the test vector in des.vec).
constexpr std::uint8_t kDesxSubstitution[256] = {
    0xBD, 0x56, 0xEA, 0xF2, 0xA2, 0xF1, 0xAC, 0x2A, 0xB0, 0x93, 0xD1, 0x9C, 0x1B, 0x33, 0xFD, 0xD0,
    0x30, 0x04, 0xB6, 0xDC, 0x7D, 0xDF, 0x32, 0x4B, 0xF7, 0xCB, 0x45, 0x9B, 0x31, 0xBB, 0x21, 0x5A,
    0x41, 0x9F, 0xE1, 0xD9, 0x4A, 0x4D, 0x9E, 0xDA, 0xA0, 0x68, 0x2C, 0xC3, 0x27, 0x5F, 0x80, 0x36,
    0x3E, 0xEE, 0xFB, 0x95, 0x1A, 0xFE, 0xCE, 0xA8, 0x34, 0xA9, 0x13, 0xF0, 0xA6, 0x3F, 0xD8, 0x0C,
    0x78, 0x24, 0xAF, 0x23, 0x52, 0xC1, 0x67, 0x17, 0xF5, 0x66, 0x90, 0xE7, 0xE8, 0x07, 0xB8, 0x60,
    0x48, 0xE6, 0x1E, 0x53, 0xF3, 0x92, 0xA4, 0x72, 0x8C, 0x08, 0x15, 0x6E, 0x86, 0x00, 0x84, 0xFA,
    0xF4, 0x7F, 0x8A, 0x42, 0x19, 0xF6, 0xDB, 0xCD, 0x14, 0x8D, 0x50, 0x12, 0xBA, 0x3C, 0x06, 0x4E,
    0xEC, 0xB3, 0x35, 0x11, 0xA1, 0x88, 0x8E, 0x2B, 0x94, 0x99, 0xB7, 0x71, 0x74, 0xD3, 0xE4, 0xBF,
    0x3A, 0xDE, 0x96, 0x0E, 0xBC, 0x0A, 0xED, 0x77, 0xFC, 0x37, 0x6B, 0x03, 0x79, 0x89, 0x62, 0xC6,
    0xD7, 0xC0, 0xD2, 0x7C, 0x6A, 0x8B, 0x22, 0xA3, 0x5B, 0x05, 0x5D, 0x02, 0x75, 0xD5, 0x61, 0xE3,
    0x18, 0x8F, 0x55, 0x51, 0xAD, 0x1F, 0x0B, 0x5E, 0x85, 0xE5, 0xC2, 0x57, 0x63, 0xCA, 0x3D, 0x6C,
    0xB4, 0xC5, 0xCC, 0x70, 0xB2, 0x91, 0x59, 0x0D, 0x47, 0x20, 0xC8, 0x4F, 0x58, 0xE0, 0x01, 0xE2,
    0x16, 0x38, 0xC4, 0x6F, 0x3B, 0x0F, 0x65, 0x46, 0xBE, 0x7E, 0x2D, 0x7B, 0x82, 0xF9, 0x40, 0xB5,
    0x1D, 0x73, 0xF8, 0xEB, 0x26, 0xC7, 0x87, 0x97, 0x25, 0x54, 0xB1, 0x28, 0xAA, 0x98, 0x9D, 0xA5,
    0x64, 0x6D, 0x7A, 0xD4, 0x10, 0x81, 0x44, 0xEF, 0x49, 0xD6, 0xAE, 0x2E, 0xDD, 0x76, 0x5C, 0x2F,
    0xA7, 0x1C, 0xC9, 0x09, 0x69, 0x9A, 0x83, 0xCF, 0x29, 0x39, 0xB9, 0xE9, 0x4C, 0xFF, 0x43, 0xAB,
};

} // namespace

// ---- TCipher_1DES ----

const std::uint32_t* TCipher_1DES::Schedule(int i) {
    return reinterpret_cast<const u32*>(UserData() + i * kScheduleBytes);
}

void TCipher_1DES::KeyDES(const void* key, std::int32_t& size, int count) {
    BeginKeying(size);
    std::uint8_t padded[24] = {};
    if (size > 0) std::memcpy(padded, key, static_cast<std::size_t>(size));
    for (int i = 0; i < count; ++i)
        MakeSchedule(padded + 8 * i, reinterpret_cast<u32*>(UserData() + i * kScheduleBytes));
    SecureZero(padded, sizeof(padded));
}

void TCipher_1DES::Init(const void* key, std::int32_t size, const void* vector) {
    KeyDES(key, size, 1);
    EndKeying(vector);
}

void TCipher_1DES::EncryptBlock(void* block) {
    Halves h = Enter(LoadBE64(block));
    Encrypt16(h, Schedule(0));
    StoreBE64(block, Leave(h));
}

void TCipher_1DES::DecryptBlock(void* block) {
    Halves h = Enter(LoadBE64(block));
    Decrypt16(h, Schedule(0));
    StoreBE64(block, Leave(h));
}

// ---- TCipher_2DES ----

void TCipher_2DES::Init(const void* key, std::int32_t size, const void* vector) {
    KeyDES(key, size, 2);
    EndKeying(vector);
}

void TCipher_2DES::EncryptBlock(void* block) {
    Halves h = Enter(LoadBE64(block));
    Encrypt16(h, Schedule(0));
    Decrypt16(h, Schedule(1));
    Encrypt16(h, Schedule(0));
    StoreBE64(block, Leave(h));
}

void TCipher_2DES::DecryptBlock(void* block) {
    Halves h = Enter(LoadBE64(block));
    Decrypt16(h, Schedule(0));
    Encrypt16(h, Schedule(1));
    Decrypt16(h, Schedule(0));
    StoreBE64(block, Leave(h));
}

// ---- TCipher_3DES ----

void TCipher_3DES::Init(const void* key, std::int32_t size, const void* vector) {
    KeyDES(key, size, 3);
    EndKeying(vector);
}

void TCipher_3DES::EncryptBlock(void* block) {
    Halves h = Enter(LoadBE64(block));
    Encrypt16(h, Schedule(0));
    Decrypt16(h, Schedule(1));
    Encrypt16(h, Schedule(2));
    StoreBE64(block, Leave(h));
}

void TCipher_3DES::DecryptBlock(void* block) {
    Halves h = Enter(LoadBE64(block));
    Decrypt16(h, Schedule(2));
    Encrypt16(h, Schedule(1));
    Decrypt16(h, Schedule(0));
    StoreBE64(block, Leave(h));
}

// ---- The wide-block classes ----

void TCipher_2DDES::EncryptBlock(void* block) {
    const u32* const keys[2] = {Schedule(0), Schedule(1)};
    WideBlock<2, false>(block, keys);
}

void TCipher_2DDES::DecryptBlock(void* block) {
    const u32* const keys[2] = {Schedule(0), Schedule(1)};
    WideBlock<2, true>(block, keys);
}

void TCipher_3DDES::EncryptBlock(void* block) {
    const u32* const keys[3] = {Schedule(0), Schedule(1), Schedule(2)};
    WideBlock<2, false>(block, keys);
}

void TCipher_3DDES::DecryptBlock(void* block) {
    const u32* const keys[3] = {Schedule(0), Schedule(1), Schedule(2)};
    WideBlock<2, true>(block, keys);
}

void TCipher_3TDES::EncryptBlock(void* block) {
    const u32* const keys[3] = {Schedule(0), Schedule(1), Schedule(2)};
    WideBlock<3, false>(block, keys);
}

void TCipher_3TDES::DecryptBlock(void* block) {
    const u32* const keys[3] = {Schedule(0), Schedule(1), Schedule(2)};
    WideBlock<3, true>(block, keys);
}

// ---- TCipher_DESX ----

std::uint64_t* TCipher_DESX::Whitening() {
    return reinterpret_cast<u64*>(UserData() + kScheduleBytes);
}

void TCipher_DESX::PostWhitening(const std::uint8_t desKey[8], const std::uint8_t preWhitening[8],
                                 std::uint8_t out[8]) {
    // RSA's one-way function: an 8-byte register, shifted one byte to the left per input byte, takes in its
    // last byte the table entry of its first two bytes' XOR, XORed with the input byte; the DES key is fed
    // first, then the pre-whitening key.
    std::uint8_t w[8] = {};
    auto feed = [&w](std::uint8_t b) {
        const std::uint8_t t = kDesxSubstitution[w[0] ^ w[1]];
        std::memmove(w, w + 1, 7);
        w[7] = static_cast<std::uint8_t>(t ^ b);
    };
    for (int i = 0; i < 8; ++i) feed(desKey[i]);
    for (int i = 0; i < 8; ++i) feed(preWhitening[i]);
    std::memcpy(out, w, 8);
    SecureZero(w, sizeof(w));
}

void TCipher_DESX::Init(const void* key, std::int32_t size, const void* vector) {
    KeyDES(key, size, 1);
    std::uint8_t padded[16] = {}, post[8];
    if (size > 0) std::memcpy(padded, key, static_cast<std::size_t>(size));
    PostWhitening(padded, padded + 8, post);
    Whitening()[0] = LoadBE64(padded + 8);
    Whitening()[1] = LoadBE64(post);
    SecureZero(padded, sizeof(padded));
    SecureZero(post, sizeof(post));
    EndKeying(vector);
}

void TCipher_DESX::EncryptBlock(void* block) {
    Halves h = Enter(LoadBE64(block) ^ Whitening()[0]);
    Encrypt16(h, Schedule(0));
    StoreBE64(block, Leave(h) ^ Whitening()[1]);
}

void TCipher_DESX::DecryptBlock(void* block) {
    Halves h = Enter(LoadBE64(block) ^ Whitening()[1]);
    Decrypt16(h, Schedule(0));
    StoreBE64(block, Leave(h) ^ Whitening()[0]);
}

} // namespace torvane::crypto
