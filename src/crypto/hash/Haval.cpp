#include "crypto/hash/Haval.h"

#include "crypto/common/Bits.h"
#include "crypto/common/Wipe.h"
#include "crypto/hash/BlockBuffer.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace torvane::crypto {

TORVANE_DEFINE_HASH_CLASS(THash_Haval256, nullptr, 32);
TORVANE_DEFINE_HASH_CLASS(THash_Haval224, &THash_Haval256::ClassInfo, 28);
TORVANE_DEFINE_HASH_CLASS(THash_Haval192, &THash_Haval256::ClassInfo, 24);
TORVANE_DEFINE_HASH_CLASS(THash_Haval160, &THash_Haval256::ClassInfo, 20);
TORVANE_DEFINE_HASH_CLASS(THash_Haval128, &THash_Haval256::ClassInfo, 16);

namespace {

using common::LoadLE32;
using common::Rotr;
using common::StoreLE32;
using common::StoreLE64;
using u32 = std::uint32_t;

constexpr int kVersion = 1; // HAVAL version written into the last block

// The paper's Boolean functions F1..F5 (arguments x6 ... x0), each regrouped from its sum of products so
// that fewer operations remain; F1 = x1x4 + x2x5 + x3x6 + x0x1 + x0 and so on.
template <int Pass> constexpr u32 F(u32 x6, u32 x5, u32 x4, u32 x3, u32 x2, u32 x1, u32 x0) {
    if constexpr (Pass == 0) {
        return (x1 & (x0 ^ x4)) ^ (x2 & x5) ^ (x3 & x6) ^ x0;
    } else if constexpr (Pass == 1) {
        // x1x2x3 + x2x4x5 + x1x2 + x1x4 + x2x6 + x3x5 + x4x5 + x0x2 + x0
        return (x2 & ((x1 & ~x3) ^ (x4 & x5) ^ x6 ^ x0)) ^ (x4 & (x1 ^ x5)) ^ (x3 & x5) ^ x0;
    } else if constexpr (Pass == 2) {
        // x1x2x3 + x1x4 + x2x5 + x3x6 + x0x3 + x0
        return (x3 & ((x1 & x2) ^ x6 ^ x0)) ^ (x1 & x4) ^ (x2 & x5) ^ x0;
    } else if constexpr (Pass == 3) {
        // x1x2x3 + x2x4x5 + x3x4x6 + x1x4 + x2x6 + x3x4 + x3x5 + x3x6 + x4x5 + x4x6 + x0x4 + x0
        return (x4 & ((x5 & ~x2) ^ (x3 & ~x6) ^ x1 ^ x6 ^ x0)) ^ (x3 & ((x1 & x2) ^ x5 ^ x6)) ^ (x2 & x6) ^
               x0;
    } else {
        // x1x4 + x2x5 + x3x6 + x0x1x2x3 + x0x5 + x0
        return (x0 & ~((x1 & x2 & x3) ^ x5)) ^ (x1 & x4) ^ (x2 & x5) ^ (x3 & x6);
    }
}

// The input permutations phi(passes, pass): which of x0..x6 takes the place of x6, x5, ..., x0.
constexpr int kPhi[3][5][7] = {
    {{1, 0, 3, 5, 6, 2, 4}, {4, 2, 1, 0, 5, 3, 6}, {6, 1, 2, 3, 4, 5, 0}},
    {{2, 6, 1, 4, 5, 3, 0}, {3, 5, 2, 0, 1, 6, 4}, {1, 4, 3, 6, 0, 2, 5}, {6, 4, 0, 5, 2, 1, 3}},
    {{3, 4, 1, 0, 5, 2, 6},
     {6, 2, 1, 0, 3, 4, 5},
     {2, 6, 0, 4, 3, 1, 5},
     {1, 5, 3, 2, 0, 4, 6},
     {2, 5, 0, 6, 4, 3, 1}},
};

// The order in which each pass takes the 32 words of a block.
constexpr int kOrder[5][32] = {
    {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15,
     16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31},
    {5,  14, 26, 18, 11, 28, 7,  16, 0,  23, 20, 22, 1, 10, 4,  8,
     30, 3,  21, 9,  17, 24, 29, 6,  19, 12, 15, 13, 2, 25, 31, 27},
    {19, 9,  4, 20, 28, 17, 8,  22, 29, 14, 25, 12, 24, 30, 16, 26,
     31, 15, 7, 3,  1,  0,  18, 27, 13, 6,  21, 10, 23, 11, 5,  2},
    {24, 4,  0,  14, 2, 7,  28, 23, 26, 6,  30, 20, 18, 25, 19, 3,
     22, 11, 31, 21, 8, 27, 12, 9,  1,  29, 5,  15, 17, 10, 16, 13},
    {27, 3, 21, 26, 17, 11, 20, 29, 19, 0,  12, 7,  13, 8, 31, 10,
     5,  9, 14, 30, 18, 6,  28, 24, 2,  23, 16, 22, 4,  1, 25, 15},
};

// The fractional part of pi: its first eight words are the initial chaining value, the next 128 the
// constants of passes 2 to 5 (pass 1 adds none).
constexpr u32 kInitial[8] = {0x243F6A88, 0x85A308D3, 0x13198A2E, 0x03707344,
                             0xA4093822, 0x299F31D0, 0x082EFA98, 0xEC4E6C89};

constexpr u32 kConst[5][32] = {
    {},
    {0x452821E6, 0x38D01377, 0xBE5466CF, 0x34E90C6C, 0xC0AC29B7, 0xC97C50DD, 0x3F84D5B5, 0xB5470917,
     0x9216D5D9, 0x8979FB1B, 0xD1310BA6, 0x98DFB5AC, 0x2FFD72DB, 0xD01ADFB7, 0xB8E1AFED, 0x6A267E96,
     0xBA7C9045, 0xF12C7F99, 0x24A19947, 0xB3916CF7, 0x0801F2E2, 0x858EFC16, 0x636920D8, 0x71574E69,
     0xA458FEA3, 0xF4933D7E, 0x0D95748F, 0x728EB658, 0x718BCD58, 0x82154AEE, 0x7B54A41D, 0xC25A59B5},
    {0x9C30D539, 0x2AF26013, 0xC5D1B023, 0x286085F0, 0xCA417918, 0xB8DB38EF, 0x8E79DCB0, 0x603A180E,
     0x6C9E0E8B, 0xB01E8A3E, 0xD71577C1, 0xBD314B27, 0x78AF2FDA, 0x55605C60, 0xE65525F3, 0xAA55AB94,
     0x57489862, 0x63E81440, 0x55CA396A, 0x2AAB10B6, 0xB4CC5C34, 0x1141E8CE, 0xA15486AF, 0x7C72E993,
     0xB3EE1411, 0x636FBC2A, 0x2BA9C55D, 0x741831F6, 0xCE5C3E16, 0x9B87931E, 0xAFD6BA33, 0x6C24CF5C},
    {0x7A325381, 0x28958677, 0x3B8F4898, 0x6B4BB9AF, 0xC4BFE81B, 0x66282193, 0x61D809CC, 0xFB21A991,
     0x487CAC60, 0x5DEC8032, 0xEF845D5D, 0xE98575B1, 0xDC262302, 0xEB651B88, 0x23893E81, 0xD396ACC5,
     0x0F6D6FF3, 0x83F44239, 0x2E0B4482, 0xA4842004, 0x69C8F04A, 0x9E1F9B5E, 0x21C66842, 0xF6E96C9A,
     0x670C9C61, 0xABD388F0, 0x6A51A0D2, 0xD8542F68, 0x960FA728, 0xAB5133A3, 0x6EEF0B6C, 0x137A3BE4},
    {0xBA3BF050, 0x7EFB2A98, 0xA1F1651D, 0x39AF0176, 0x66CA593E, 0x82430E88, 0x8CEE8619, 0x456F9FB4,
     0x7D84A5C3, 0x3B8B5EBE, 0xE06F75D8, 0x85C12073, 0x401A449F, 0x56C16AA6, 0x4ED3AA62, 0x363F7706,
     0x1BFEDF72, 0x429B023D, 0x37D0D724, 0xD00A1248, 0xDB0FEAD3, 0x49F1C09B, 0x075372C9, 0x80991B7B,
     0x25D479D8, 0xF6E8DEF7, 0xE3FE501A, 0xB6794C3B, 0x976CE0BD, 0x04C006BA, 0xC1A94FB6, 0x409F60C4},
};

// One step: the register that plays x7 takes the new value; the registers rotate by one place per step,
// so step s sees x_k in t[(k - s) mod 8]. Everything is a compile-time index, which keeps t in registers.
template <int Passes, int Pass, int S> inline void Step(u32 (&t)[8], const u32 (&w)[32]) {
    constexpr int r = S & 7;
    const u32 x[7] = {t[(8 - r) & 7],  t[(9 - r) & 7],  t[(10 - r) & 7], t[(11 - r) & 7],
                      t[(12 - r) & 7], t[(13 - r) & 7], t[(14 - r) & 7]};
    constexpr auto& p = kPhi[Passes - 3][Pass];
    const u32 f = F<Pass>(x[p[0]], x[p[1]], x[p[2]], x[p[3]], x[p[4]], x[p[5]], x[p[6]]);
    u32& x7 = t[(15 - r) & 7];
    x7 = Rotr(f, 7) + Rotr(x7, 11) + w[kOrder[Pass][S]] + kConst[Pass][S];
}

template <int Passes, int Pass, int... S>
inline void RunPass(u32 (&t)[8], const u32 (&w)[32], std::integer_sequence<int, S...>) {
    (Step<Passes, Pass, S>(t, w), ...);
}

template <int Passes, int... P>
void Compress(u32 (&state)[8], const std::uint8_t* block, std::integer_sequence<int, P...>) {
    u32 w[32];
    for (int i = 0; i < 32; ++i) w[i] = LoadLE32(block + 4 * i);
    u32 t[8];
    std::memcpy(t, state, sizeof t);
    (RunPass<Passes, P>(t, w, std::make_integer_sequence<int, 32>()), ...);
    for (int i = 0; i < 8; ++i) state[i] += t[i];
}

// Folds the eight words into the shorter digests, as the paper's output tailoring prescribes.
void Tailor(u32 (&d)[8], int bits) {
    switch (bits) {
    case 128: {
        d[0] +=
            Rotr((d[7] & 0x000000FF) | (d[6] & 0xFF000000) | (d[5] & 0x00FF0000) | (d[4] & 0x0000FF00), 8);
        d[1] +=
            Rotr((d[7] & 0x0000FF00) | (d[6] & 0x000000FF) | (d[5] & 0xFF000000) | (d[4] & 0x00FF0000), 16);
        d[2] +=
            Rotr((d[7] & 0x00FF0000) | (d[6] & 0x0000FF00) | (d[5] & 0x000000FF) | (d[4] & 0xFF000000), 24);
        d[3] += (d[7] & 0xFF000000) | (d[6] & 0x00FF0000) | (d[5] & 0x0000FF00) | (d[4] & 0x000000FF);
        break;
    }
    case 160: {
        d[0] += Rotr((d[7] & 0x3F) | (d[6] & (0x7Fu << 25)) | (d[5] & (0x3Fu << 19)), 19);
        d[1] += Rotr((d[7] & (0x3Fu << 6)) | (d[6] & 0x3F) | (d[5] & (0x7Fu << 25)), 25);
        d[2] += (d[7] & (0x7Fu << 12)) | (d[6] & (0x3Fu << 6)) | (d[5] & 0x3F);
        d[3] += ((d[7] & (0x3Fu << 19)) | (d[6] & (0x7Fu << 12)) | (d[5] & (0x3Fu << 6))) >> 6;
        d[4] += ((d[7] & (0x7Fu << 25)) | (d[6] & (0x3Fu << 19)) | (d[5] & (0x7Fu << 12))) >> 12;
        break;
    }
    case 192: {
        d[0] += Rotr((d[7] & 0x1F) | (d[6] & (0x3Fu << 26)), 26);
        d[1] += (d[7] & (0x1Fu << 5)) | (d[6] & 0x1F);
        d[2] += ((d[7] & (0x3Fu << 10)) | (d[6] & (0x1Fu << 5))) >> 5;
        d[3] += ((d[7] & (0x1Fu << 16)) | (d[6] & (0x3Fu << 10))) >> 10;
        d[4] += ((d[7] & (0x1Fu << 21)) | (d[6] & (0x1Fu << 16))) >> 16;
        d[5] += ((d[7] & (0x3Fu << 26)) | (d[6] & (0x1Fu << 21))) >> 21;
        break;
    }
    case 224: {
        d[0] += (d[7] >> 27) & 0x1F;
        d[1] += (d[7] >> 22) & 0x1F;
        d[2] += (d[7] >> 18) & 0x0F;
        d[3] += (d[7] >> 13) & 0x1F;
        d[4] += (d[7] >> 9) & 0x0F;
        d[5] += (d[7] >> 4) & 0x1F;
        d[6] += d[7] & 0x0F;
        break;
    }
    default:
        break;
    }
}

} // namespace

THash_Haval256::~THash_Haval256() {
    SecureZero(state_, sizeof state_);
    SecureZero(buffer_, sizeof buffer_);
    SecureZero(digest_, sizeof digest_);
}

void THash_Haval256::Start() {
    if (Passes < 3 || Passes > 5) {
        const auto n = DigestLength();
        Passes = n <= 20 ? 3 : n <= 28 ? 4 : 5;
    }
    passes_ = Passes;
    std::memcpy(state_, kInitial, sizeof state_);
    count_ = 0;
    SecureZero(buffer_, sizeof buffer_);
    SecureZero(digest_, sizeof digest_);
}

void THash_Haval256::Transform(const std::uint8_t* block) {
    switch (passes_) {
    case 3:
        Compress<3>(state_, block, std::make_integer_sequence<int, 3>());
        break;
    case 4:
        Compress<4>(state_, block, std::make_integer_sequence<int, 4>());
        break;
    default:
        Compress<5>(state_, block, std::make_integer_sequence<int, 5>());
        break;
    }
}

void THash_Haval256::Update(const void* data, std::int64_t length) {
    CheckLength(length);
    BufferBlocks(buffer_, count_, static_cast<const std::uint8_t*>(data), static_cast<std::uint64_t>(length),
                 [this](const std::uint8_t* blocks, std::size_t count) {
                     for (; count != 0; --count, blocks += sizeof buffer_) Transform(blocks);
                 });
}

void THash_Haval256::Finish() {
    const int bits = DigestLength() * 8;
    // The message is closed by a single 1 bit (the lowest bit of the next byte), then zeros up to the
    // last ten bytes of a block, which carry version, passes, digest length and the bit count.
    PadToTrailer(buffer_, static_cast<std::size_t>(count_ % sizeof buffer_), 0x01, 118,
                 [this](const std::uint8_t* block, std::size_t) { Transform(block); });
    buffer_[118] = std::uint8_t(((bits & 3) << 6) | ((passes_ & 7) << 3) | (kVersion & 7));
    buffer_[119] = std::uint8_t(bits >> 2);
    StoreLE64(buffer_ + 120, count_ * 8);
    Transform(buffer_);

    u32 d[8];
    std::memcpy(d, state_, sizeof d);
    Tailor(d, bits);
    for (int i = 0; i < 8; ++i) StoreLE32(digest_ + 4 * i, d[i]);
    // Only the digest length is the digest; the rest of the area must not leak chaining words.
    std::memset(digest_ + DigestLength(), 0, sizeof digest_ - static_cast<std::size_t>(DigestLength()));
    SecureZero(d, sizeof d);
    SecureZero(buffer_, sizeof buffer_);
}

} // namespace torvane::crypto
