#include "crypto/cipher/SCOP.h"

#include "crypto/common/Bits.h"
#include "crypto/common/Wipe.h"

#include <bit>
#include <cstring>

namespace torvane::crypto {

namespace {

using common::LoadLE32;
using common::StoreLE32;

struct State {
    std::uint32_t V[384]; // V[0..127] fixed by the key, V[128..383] changed by the generator
    std::uint32_t I, J, T3;
};

constexpr std::size_t kStateSize = sizeof(State);

// The polynomial generator GP8 of the key expansion.
struct Gp8 {
    std::uint8_t Coef[8][4];
    std::uint32_t X[4];

    // c0 x^4 + c1 x^3 + c2 x^2 + c3 x + 1, mod 2^32.
    static std::uint32_t Poly(const std::uint8_t* c, std::uint32_t x) {
        return (((c[0] * x + c[1]) * x + c[2]) * x + c[3]) * x + 1u;
    }

    // Four output words; the new x is the 128-bit string of the high halves of the polynomial values,
    // rotated by 16 bits.
    void Next(std::uint32_t* out) {
        std::uint32_t y[4];
        for (int k = 0; k < 4; ++k) {
            const std::uint32_t hi = Poly(Coef[2 * k], X[k] >> 16);
            const std::uint32_t lo = Poly(Coef[2 * k + 1], X[k] & 0xFFFFu);
            out[k] = hi << 16 | (lo & 0xFFFFu);
            y[k] = (hi & 0xFFFF0000u) | lo >> 16;
        }
        X[0] = y[0] >> 16 | y[3] << 16;
        X[1] = y[0] << 16 | y[1] >> 16;
        X[2] = y[1] << 16 | y[2] >> 16;
        X[3] = y[2] << 16 | y[3] >> 16;
        SecureZero(y, sizeof y);
    }
};

// Codes one 128-byte block: each little-endian data word plus (Sign = +1) or minus (Sign = -1) the
// next key-stream word.
template <int Sign> void Code(State& s, std::uint8_t* p) {
    std::uint32_t* const v = s.V;
    std::uint32_t* const d = s.V + 128;
    std::uint32_t i = s.I, j = s.J, t3 = s.T3;
    for (int w = 0; w < 32; ++w, p += 4) {
        const std::uint32_t t1 = d[j];
        j = (j + t3) & 0xFFu;
        const std::uint32_t t2 = d[j];
        t3 = t2 + v[i];
        i = (i + 1) & 0xFFu;
        d[j] = t3;
        j = (j + t2) & 0xFFu;
        const std::uint32_t k = t1 + t2;
        StoreLE32(p, Sign > 0 ? LoadLE32(p) + k : LoadLE32(p) - k);
    }
    s.I = i, s.J = j, s.T3 = t3;
}

} // namespace

// UserData: the keyed state, then the running state.
TORVANE_DEFINE_CIPHER_CLASS(TCipher_SCOP, nullptr, 128, 48, static_cast<std::int32_t>(2 * kStateSize));

void TCipher_SCOP::Init(const void* key, std::int32_t size, const void* vector) {
    BeginKeying(size);
    const auto n = static_cast<std::size_t>(size);

    std::uint8_t p[48] = {};
    if (n > 0) {
        std::memcpy(p, key, n);
        for (std::size_t i = n; i < 48; ++i) p[i] = static_cast<std::uint8_t>(p[i - n] + p[i - n + 1]);
    }
    std::uint8_t counter = 1;
    for (std::size_t i = 0; i < 32; ++i)
        if (p[i] == 0) p[i] = counter++;

    Gp8 g;
    std::memcpy(g.Coef, p, 32);
    for (int k = 0; k < 4; ++k) g.X[k] = LoadLE32(p + 32 + 4 * k);
    SecureZero(p, sizeof p);

    auto* s = reinterpret_cast<State*>(UserData());
    std::uint32_t t[4];
    for (int k = 0; k < 8; ++k) g.Next(t);
    for (int row = 0; row < 12; ++row) {
        for (int k = 0; k < 8; ++k) g.Next(s->V + 32 * row + 4 * k);
        g.Next(t);
    }
    g.Next(t);
    s->I = t[3] >> 24;
    s->J = (t[3] >> 16) & 0xFFu;
    s->T3 = (t[3] >> 8) & 0xFFu;
    s->V[t[3] & 0x7Fu] |= 1u;
    SecureZero(t, sizeof t);
    SecureZero(&g, sizeof g);

    std::memcpy(UserData() + kStateSize, UserData(), kStateSize);
    // EndKeying codes the all-0xFF vector with EncryptBlock and then rewinds to the copy made above.
    EndKeying(vector);
}

void TCipher_SCOP::Rewind() {
    TCipher::Rewind();
    std::memcpy(UserData() + kStateSize, UserData(), kStateSize);
}

void TCipher_SCOP::EncryptBlock(void* block) {
    Code<+1>(*reinterpret_cast<State*>(UserData() + kStateSize), static_cast<std::uint8_t*>(block));
}

void TCipher_SCOP::DecryptBlock(void* block) {
    Code<-1>(*reinterpret_cast<State*>(UserData() + kStateSize), static_cast<std::uint8_t*>(block));
}

} // namespace torvane::crypto
