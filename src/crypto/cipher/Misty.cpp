#include "crypto/cipher/Misty.h"

#include "crypto/common/Bits.h"
#include "crypto/common/Wipe.h"

#include <cstring>
#include <string_view>

namespace torvane::crypto {

using namespace common;

struct TCipher_Misty::Schedule {
    // EK[0..7]: the key's 16-bit words K1..K8; EK[8..15]: K'1..K'8 = FI(Ki, Ki+1) (RFC 2994, 2.2). The
    // split halves of K'i used by FI are taken at the point of use.
    std::uint32_t EK[16];
};

TORVANE_DEFINE_CIPHER_CLASS(TCipher_Misty, nullptr, 8, 16, sizeof(TCipher_Misty::Schedule));

namespace {

// One output bit of an S-box in algebraic normal form, written as in the paper: terms joined by '+', each
// term "1" or a product of variables "xN".
constexpr unsigned EvalAnf(std::string_view anf, unsigned x) {
    unsigned bit = 0;
    std::size_t i = 0;
    while (i < anf.size()) {
        unsigned term = 1;
        while (i < anf.size() && anf[i] != '+') {
            if (anf[i] == 'x') {
                term &= (x >> (anf[i + 1] - '0')) & 1;
                i += 2;
            } else {
                ++i; // blanks and the constant "1"
            }
        }
        bit ^= term;
        ++i;
    }
    return bit;
}

// Matsui, "New Block Encryption Algorithm MISTY", section 4.2: the logic of S7 and S9 (x0 and y0 are the
// least significant bits).
constexpr std::string_view S7Anf[7] = {
    "x0 + x1x3 + x0x3x4 + x1x5 + x0x2x5 + x4x5 + x0x1x6 + x2x6 + x0x5x6 + x3x5x6 + 1",
    "x0x2 + x0x4 + x3x4 + x1x5 + x2x4x5 + x6 + x0x6 + x3x6 + x2x3x6 + x1x4x6 + x0x5x6 + 1",
    "x1x2 + x0x2x3 + x4 + x1x4 + x0x1x4 + x0x5 + x0x4x5 + x3x4x5 + x1x6 + x3x6 + x0x3x6 + x4x6 + x2x4x6",
    "x0 + x1 + x0x1x2 + x0x3 + x2x4 + x1x4x5 + x2x6 + x1x3x6 + x0x4x6 + x5x6 + 1",
    "x2x3 + x0x4 + x1x3x4 + x5 + x2x5 + x1x2x5 + x0x3x5 + x1x6 + x1x5x6 + x4x5x6 + 1",
    "x0 + x1 + x2 + x0x1x2 + x0x3 + x1x2x3 + x1x4 + x0x2x4 + x0x5 + x0x1x5 + x3x5 + x0x6 + x2x5x6",
    "x0x1 + x3 + x0x3 + x2x3x4 + x0x5 + x2x5 + x3x5 + x1x3x5 + x1x6 + x1x2x6 + x0x3x6 + x4x6 + x2x5x6",
};

constexpr std::string_view S9Anf[9] = {
    "x0x4 + x0x5 + x1x5 + x1x6 + x2x6 + x2x7 + x3x7 + x3x8 + x4x8 + 1",
    "x0x2 + x3 + x1x3 + x2x3 + x3x4 + x4x5 + x0x6 + x2x6 + x7 + x0x8 + x3x8 + x5x8 + 1",
    "x0x1 + x1x3 + x4 + x0x4 + x2x4 + x3x4 + x4x5 + x0x6 + x5x6 + x1x7 + x3x7 + x8",
    "x0 + x1x2 + x2x4 + x5 + x1x5 + x3x5 + x4x5 + x5x6 + x1x7 + x6x7 + x2x8 + x4x8",
    "x1 + x0x3 + x2x3 + x0x5 + x3x5 + x6 + x2x6 + x4x6 + x5x6 + x6x7 + x2x8 + x7x8",
    "x2 + x0x3 + x1x4 + x3x4 + x1x6 + x4x6 + x7 + x3x7 + x5x7 + x6x7 + x0x8 + x7x8",
    "x0x1 + x3 + x1x4 + x2x5 + x4x5 + x2x7 + x5x7 + x8 + x0x8 + x4x8 + x6x8 + x7x8 + 1",
    "x1 + x0x1 + x1x2 + x2x3 + x0x4 + x5 + x1x6 + x3x6 + x0x7 + x4x7 + x6x7 + x1x8 + 1",
    "x0 + x0x1 + x1x2 + x4 + x0x5 + x2x5 + x3x6 + x5x6 + x0x7 + x0x8 + x3x8 + x6x8 + 1",
};

template <typename T, std::size_t N, std::size_t Bits>
constexpr std::array<T, N> MakeSBox(const std::string_view (&anf)[Bits]) {
    std::array<T, N> box{};
    for (unsigned x = 0; x < N; ++x) {
        unsigned y = 0;
        for (std::size_t b = 0; b < Bits; ++b) y |= EvalAnf(anf[b], x) << b;
        box[x] = static_cast<T>(y);
    }
    return box;
}

constexpr auto S7Box = MakeSBox<std::uint8_t, 128>(S7Anf);
constexpr auto S9Box = MakeSBox<std::uint16_t, 512>(S9Anf);

inline std::uint32_t FI(std::uint32_t in, std::uint32_t key) {
    std::uint32_t d9 = in >> 7, d7 = in & 0x7F;
    d9 = S9Box[d9] ^ d7;
    d7 = S7Box[d7] ^ (d9 & 0x7F);
    d7 ^= key >> 9;
    d9 ^= key & 0x1FF;
    d9 = S9Box[d9] ^ d7;
    return (d7 << 9) | d9;
}

// FO and FL of RFC 2994, section 2.3, for round k (0-based); K'i sits at EK[8 + i].
inline std::uint32_t FO(std::uint32_t in, int k, const std::uint32_t* ek) {
    std::uint32_t t0 = in >> 16, t1 = in & 0xFFFF;
    t0 ^= ek[k];
    t0 = FI(t0, ek[(k + 5) % 8 + 8]);
    t0 ^= t1;
    t1 ^= ek[(k + 2) % 8];
    t1 = FI(t1, ek[(k + 1) % 8 + 8]);
    t1 ^= t0;
    t0 ^= ek[(k + 7) % 8];
    t0 = FI(t0, ek[(k + 3) % 8 + 8]);
    t0 ^= t1;
    t1 ^= ek[(k + 4) % 8];
    return (t1 << 16) | t0;
}

inline std::uint32_t FL(std::uint32_t in, int k, const std::uint32_t* ek) {
    std::uint32_t d0 = in >> 16, d1 = in & 0xFFFF;
    if (k % 2 == 0) {
        d1 ^= d0 & ek[k / 2];
        d0 ^= d1 | ek[(k / 2 + 6) % 8 + 8];
    } else {
        d1 ^= d0 & ek[((k - 1) / 2 + 2) % 8 + 8];
        d0 ^= d1 | ek[((k - 1) / 2 + 4) % 8];
    }
    return (d0 << 16) | d1;
}

inline std::uint32_t FLInv(std::uint32_t in, int k, const std::uint32_t* ek) {
    std::uint32_t d0 = in >> 16, d1 = in & 0xFFFF;
    if (k % 2 == 0) {
        d0 ^= d1 | ek[(k / 2 + 6) % 8 + 8];
        d1 ^= d0 & ek[k / 2];
    } else {
        d0 ^= d1 | ek[((k - 1) / 2 + 4) % 8];
        d1 ^= d0 & ek[((k - 1) / 2 + 2) % 8 + 8];
    }
    return (d0 << 16) | d1;
}

} // namespace

const std::array<std::uint8_t, 128>& TCipher_Misty::S7() {
    return S7Box;
}
const std::array<std::uint16_t, 512>& TCipher_Misty::S9() {
    return S9Box;
}

TCipher_Misty::Schedule& TCipher_Misty::K() {
    return *reinterpret_cast<Schedule*>(UserData());
}

void TCipher_Misty::Init(const void* key, std::int32_t size, const void* vector) {
    BeginKeying(size);
    std::uint8_t padded[16] = {};
    if (size > 0) std::memcpy(padded, key, static_cast<std::size_t>(size));
    std::uint32_t* ek = K().EK;
    for (int i = 0; i < 8; ++i) ek[i] = std::uint32_t(padded[2 * i]) << 8 | padded[2 * i + 1];
    for (int i = 0; i < 8; ++i) ek[i + 8] = FI(ek[i], ek[(i + 1) % 8]);
    SecureZero(padded, sizeof padded);
    EndKeying(vector);
}

void TCipher_Misty::EncryptBlock(void* block) {
    auto* b = static_cast<std::uint8_t*>(block);
    const std::uint32_t* ek = K().EK;
    std::uint32_t d0 = LoadBE32(b), d1 = LoadBE32(b + 4);
    for (int r = 0; r < 8; r += 2) {
        d0 = FL(d0, r, ek);
        d1 = FL(d1, r + 1, ek);
        d1 ^= FO(d0, r, ek);
        d0 ^= FO(d1, r + 1, ek);
    }
    d0 = FL(d0, 8, ek);
    d1 = FL(d1, 9, ek);
    StoreBE32x2(b, d1, d0);
}

void TCipher_Misty::DecryptBlock(void* block) {
    auto* b = static_cast<std::uint8_t*>(block);
    const std::uint32_t* ek = K().EK;
    std::uint32_t d1 = LoadBE32(b), d0 = LoadBE32(b + 4);
    d0 = FLInv(d0, 8, ek);
    d1 = FLInv(d1, 9, ek);
    for (int r = 6; r >= 0; r -= 2) {
        d0 ^= FO(d1, r + 1, ek);
        d1 ^= FO(d0, r, ek);
        d0 = FLInv(d0, r, ek);
        d1 = FLInv(d1, r + 1, ek);
    }
    StoreBE32x2(b, d0, d1);
}

} // namespace torvane::crypto
