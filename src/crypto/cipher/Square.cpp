#include "crypto/cipher/Square.h"

#include "crypto/Wipe.h"
#include "crypto/cipher/Field1F5.h"

#include <cstring>

namespace torvane::crypto {

TORVANE_DEFINE_CIPHER_CLASS(TCipher_Square, nullptr, 16, 16, 2 * sizeof(square::RoundKeys));

namespace square {
namespace {

using u32 = std::uint32_t;
using gf1f5::Mul;

// theta multiplies each row, as a polynomial a0 + a1 x + a2 x^2 + a3 x^3, by c(x) = 2 + x + x^2 + 3x^3
// modulo x^4 + 1; d(x) = E + 9x + Dx^2 + Bx^3 is its inverse.
constexpr std::uint8_t kC[4] = {2, 1, 1, 3};
constexpr std::uint8_t kD[4] = {0x0E, 0x09, 0x0D, 0x0B};

struct Tables {
    std::uint8_t S[256];
    std::uint8_t SInv[256];
    u32 Enc[256]; // theta(pi(gamma)) contribution of byte x coming from row 0
    u32 Dec[256]; // theta^-1(pi(gamma^-1)) likewise
    u32 Mix[256]; // theta of a row holding x in byte 0, for the round keys
};

constexpr Tables MakeTables() {
    Tables t{};
    const auto boxes = gf1f5::MakeSBox();
    for (unsigned x = 0; x < 256; ++x) {
        t.S[x] = boxes.S[x];
        t.SInv[x] = boxes.SInv[x];
    }
    for (unsigned x = 0; x < 256; ++x) {
        u32 e = 0, d = 0;
        for (int j = 0; j < 4; ++j) {
            e |= u32(Mul(kC[j], t.S[x])) << (8 * j);
            d |= u32(Mul(kD[j], t.SInv[x])) << (8 * j);
        }
        t.Enc[x] = e;
        t.Dec[x] = d;
        u32 m = 0;
        for (int j = 0; j < 4; ++j) m |= u32(Mul(kC[j], x)) << (8 * j);
        t.Mix[x] = m;
    }
    return t;
}

constexpr Tables kTables = MakeTables();

constexpr u32 Rotl(u32 x, int n) {
    return n ? (x << n) | (x >> (32 - n)) : x;
}

u32 Load32(const std::uint8_t* p) {
    return u32(p[0]) | (u32(p[1]) << 8) | (u32(p[2]) << 16) | (u32(p[3]) << 24);
}

void Store32(std::uint8_t* p, u32 v) {
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
    p[2] = std::uint8_t(v >> 16);
    p[3] = std::uint8_t(v >> 24);
}

// theta of one row: byte k of the input contributes its multiples in the column rotated by k bytes.
u32 Theta(u32 row) {
    return kTables.Mix[row & 0xFF] ^ Rotl(kTables.Mix[(row >> 8) & 0xFF], 8) ^
           Rotl(kTables.Mix[(row >> 16) & 0xFF], 16) ^ Rotl(kTables.Mix[row >> 24], 24);
}

// One table round: out row i gathers byte i of every input row (the transposition pi), each through the
// S-box and its column of the row polynomial; row k's contribution is the table word rotated by k bytes.
inline void TableRound(const u32* table, const u32 (&in)[4], u32 (&out)[4], const u32 (&key)[4]) {
    for (int i = 0; i < 4; ++i) {
        const int s = 8 * i;
        out[i] = table[(in[0] >> s) & 0xFF] ^ Rotl(table[(in[1] >> s) & 0xFF], 8) ^
                 Rotl(table[(in[2] >> s) & 0xFF], 16) ^ Rotl(table[(in[3] >> s) & 0xFF], 24) ^ key[i];
    }
}

inline void LastRound(const std::uint8_t* box, const u32 (&in)[4], u32 (&out)[4], const u32 (&key)[4]) {
    for (int i = 0; i < 4; ++i) {
        const int s = 8 * i;
        out[i] = (u32(box[(in[0] >> s) & 0xFF]) | (u32(box[(in[1] >> s) & 0xFF]) << 8) |
                  (u32(box[(in[2] >> s) & 0xFF]) << 16) | (u32(box[(in[3] >> s) & 0xFF]) << 24)) ^
                 key[i];
    }
}

} // namespace

// The paper defines Square[k] = rho[k^8] ... rho[k^1] sigma[k^0] theta^-1 with rho[k] = sigma[k] pi
// gamma theta. Carrying theta over each key addition turns this into: add theta(k^0); seven table rounds
// with the keys theta(k^t); a last round of gamma and pi with k^8. The keys are stored in that form.
void ExpandKey(const std::uint8_t* key, RoundKeys& encrypt, RoundKeys* decrypt) {
    u32 k[kRounds + 1][4];
    for (int i = 0; i < 4; ++i) k[0][i] = Load32(key + 4 * i);
    std::uint8_t constant = 1;
    for (int t = 1; t <= kRounds; ++t) {
        // Row 0 takes row 3 rotated one byte to the left and the round constant x^(t-1).
        const u32 rotated = (k[t - 1][3] >> 8) | (k[t - 1][3] << 24);
        k[t][0] = k[t - 1][0] ^ rotated ^ constant;
        k[t][1] = k[t - 1][1] ^ k[t][0];
        k[t][2] = k[t - 1][2] ^ k[t][1];
        k[t][3] = k[t - 1][3] ^ k[t][2];
        constant = Mul(constant, 2);
    }
    for (int t = 0; t < kRounds; ++t)
        for (int i = 0; i < 4; ++i) encrypt[t][i] = Theta(k[t][i]);
    for (int i = 0; i < 4; ++i) encrypt[kRounds][i] = k[kRounds][i];
    if (decrypt) {
        // Inverse order: k^8, then k^7 ... k^1 after each inverse table round, last theta(k^0).
        for (int i = 0; i < 4; ++i) (*decrypt)[0][i] = k[kRounds][i];
        for (int t = 1; t < kRounds; ++t)
            for (int i = 0; i < 4; ++i) (*decrypt)[t][i] = k[kRounds - t][i];
        for (int i = 0; i < 4; ++i) (*decrypt)[kRounds][i] = encrypt[0][i];
    }
    SecureZero(k, sizeof k);
}

void EncryptBlock(const RoundKeys& keys, const std::uint8_t* in, std::uint8_t* out) {
    u32 a[4], b[4];
    for (int i = 0; i < 4; ++i) a[i] = Load32(in + 4 * i) ^ keys[0][i];
    for (int t = 1; t < kRounds; t += 2) {
        TableRound(kTables.Enc, a, b, keys[t]);
        if (t + 1 < kRounds)
            TableRound(kTables.Enc, b, a, keys[t + 1]);
        else
            LastRound(kTables.S, b, a, keys[t + 1]);
    }
    for (int i = 0; i < 4; ++i) Store32(out + 4 * i, a[i]);
}

void DecryptBlock(const RoundKeys& keys, const std::uint8_t* in, std::uint8_t* out) {
    u32 a[4], b[4];
    for (int i = 0; i < 4; ++i) a[i] = Load32(in + 4 * i) ^ keys[0][i];
    for (int t = 1; t < kRounds; t += 2) {
        TableRound(kTables.Dec, a, b, keys[t]);
        if (t + 1 < kRounds)
            TableRound(kTables.Dec, b, a, keys[t + 1]);
        else
            LastRound(kTables.SInv, b, a, keys[t + 1]);
    }
    for (int i = 0; i < 4; ++i) Store32(out + 4 * i, a[i]);
}

} // namespace square

square::RoundKeys& TCipher_Square::EncryptKeys() {
    return *reinterpret_cast<square::RoundKeys*>(UserData());
}

square::RoundKeys& TCipher_Square::DecryptKeys() {
    return *reinterpret_cast<square::RoundKeys*>(UserData() + sizeof(square::RoundKeys));
}

void TCipher_Square::Init(const void* key, std::int32_t size, const void* vector) {
    BeginKeying(size);
    std::uint8_t k[16] = {};
    if (size > 0) std::memcpy(k, key, static_cast<std::size_t>(size));
    square::ExpandKey(k, EncryptKeys(), &DecryptKeys());
    SecureZero(k, sizeof k);
    EndKeying(vector);
}

void TCipher_Square::EncryptBlock(void* block) {
    auto* p = static_cast<std::uint8_t*>(block);
    square::EncryptBlock(EncryptKeys(), p, p);
}

void TCipher_Square::DecryptBlock(void* block) {
    auto* p = static_cast<std::uint8_t*>(block);
    square::DecryptBlock(DecryptKeys(), p, p);
}

} // namespace torvane::crypto
