#include "crypto/cipher/Square.h"

#include "crypto/cipher/Field1F5.h"
#include "crypto/common/Bits.h"
#include "crypto/common/Wipe.h"

#include <bit>
#include <cstring>

namespace torvane::crypto {

TORVANE_DEFINE_CIPHER_CLASS(TCipher_Square, nullptr, 16, 16, 2 * sizeof(square::RoundKeys));

namespace square {
namespace {

using u32 = std::uint32_t;
using common::Byte;
using gf1f5::Mul;

// theta multiplies each row, as a polynomial a0 + a1 x + a2 x^2 + a3 x^3, by c(x) = 2 + x + x^2 + 3x^3
// modulo x^4 + 1; d(x) = E + 9x + Dx^2 + Bx^3 is its inverse.
constexpr std::uint8_t kC[4] = {2, 1, 1, 3};
constexpr std::uint8_t kD[4] = {0x0E, 0x09, 0x0D, 0x0B};

// The round constants x^(t-1) of the key schedule, t = 1 ... 8.
constexpr std::uint8_t kRoundConstant[kRounds] = {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80};

struct Tables {
    // Te[k][x]: what byte x of input row k adds to its output row in a round, gamma, pi and theta in one
    // look-up. Te[k] is Te[0] rotated by k bytes; keeping all four makes a round sixteen look-ups and
    // XORs with no rotations. Td the same for the inverse round.
    u32 Te[4][256];
    u32 Td[4][256];
    u32 Mix[256];               // theta of a row holding x in byte 0, for the round keys
    u32 ThetaConstant[kRounds]; // theta of each round constant
    std::uint8_t SInv[256];     // the last inverse round has no theta, and no table row holds S^-1 alone
};

constexpr Tables MakeTables() {
    Tables t{};
    const auto boxes = gf1f5::MakeSBox();
    for (unsigned x = 0; x < 256; ++x) {
        u32 e = 0, d = 0, m = 0;
        for (int j = 0; j < 4; ++j) {
            e |= u32(Mul(kC[j], boxes.S[x])) << (8 * j);
            d |= u32(Mul(kD[j], boxes.SInv[x])) << (8 * j);
            m |= u32(Mul(kC[j], x)) << (8 * j);
        }
        for (int k = 0; k < 4; ++k) {
            t.Te[k][x] = common::Rotl(e, 8 * k);
            t.Td[k][x] = common::Rotl(d, 8 * k);
        }
        t.Mix[x] = m;
        t.SInv[x] = boxes.SInv[x];
    }
    for (int r = 0; r < kRounds; ++r) t.ThetaConstant[r] = t.Mix[kRoundConstant[r]];
    return t;
}

alignas(64) constexpr Tables T = MakeTables();

// theta of one row: byte k of the input contributes its multiples in the column rotated by k bytes.
u32 Theta(u32 row) {
    return T.Mix[Byte(row, 0)] ^ common::Rotl(T.Mix[Byte(row, 1)], 8) ^
           common::Rotl(T.Mix[Byte(row, 2)], 16) ^ common::Rotl(T.Mix[Byte(row, 3)], 24);
}

// One table round from state s into state o: output row i gathers byte i of every input row (the
// transposition pi), each through the S-box and its column of the row polynomial.
inline void Round(const u32 (&t)[4][256], u32 s0, u32 s1, u32 s2, u32 s3, u32& o0, u32& o1, u32& o2, u32& o3,
                  const u32* key) {
    o0 = t[0][Byte(s0, 0)] ^ t[1][Byte(s1, 0)] ^ t[2][Byte(s2, 0)] ^ t[3][Byte(s3, 0)] ^ key[0];
    o1 = t[0][Byte(s0, 1)] ^ t[1][Byte(s1, 1)] ^ t[2][Byte(s2, 1)] ^ t[3][Byte(s3, 1)] ^ key[1];
    o2 = t[0][Byte(s0, 2)] ^ t[1][Byte(s1, 2)] ^ t[2][Byte(s2, 2)] ^ t[3][Byte(s3, 2)] ^ key[2];
    o3 = t[0][Byte(s0, 3)] ^ t[1][Byte(s1, 3)] ^ t[2][Byte(s2, 3)] ^ t[3][Byte(s3, 3)] ^ key[3];
}

// Seven table rounds from the state s, keys[1] ... keys[7], two per pass so that no state is copied.
inline void TableRounds(const u32 (&t)[4][256], const RoundKeys& keys, u32& s0, u32& s1, u32& s2, u32& s3) {
    u32 t0, t1, t2, t3;
    for (int r = 1; r < kRounds - 1; r += 2) {
        Round(t, s0, s1, s2, s3, t0, t1, t2, t3, keys[r]);
        Round(t, t0, t1, t2, t3, s0, s1, s2, s3, keys[r + 1]);
    }
    Round(t, s0, s1, s2, s3, t0, t1, t2, t3, keys[kRounds - 1]);
    s0 = t0;
    s1 = t1;
    s2 = t2;
    s3 = t3;
}

} // namespace

// The paper defines Square[k] = rho[k^8] ... rho[k^1] sigma[k^0] theta^-1 with rho[k] = sigma[k] pi
// gamma theta. Carrying theta over each key addition turns this into: add theta(k^0); seven table rounds
// with the keys theta(k^t); a last round of gamma and pi with k^8. The inverse runs the same way with
// theta^-1 in its tables: add k^8; seven inverse table rounds with the plain keys k^7 ... k^1; a last
// round of gamma^-1 and pi with theta(k^0), the only key theta reaches there.
//
// theta is linear and commutes with rotating a row, so the theta(k^t) follow the same recursion as the
// k^t, from theta(k^0) and the theta of each round constant: four row thetas per key instead of
// thirty-two, which matters to THash_Square, which sets up a key for every block.
void ExpandKey(const std::uint8_t* key, RoundKeys& encrypt, RoundKeys* decrypt) {
    // k^t and theta(k^t). They are not wiped: the caller's round keys hold the same (k^8 is the last
    // encryption key, and the schedule runs backwards from it), and the caller wipes those.
    u32 k[4], m[4];
    for (int i = 0; i < 4; ++i) {
        k[i] = common::LoadLE32(key + 4 * i);
        m[i] = Theta(k[i]);
    }
    for (int t = 0; t < kRounds; ++t) {
        for (int i = 0; i < 4; ++i) encrypt[t][i] = m[i];
        // Row 0 takes row 3 rotated one byte to the left and the round constant.
        k[0] ^= common::Rotr(k[3], 8) ^ kRoundConstant[t];
        m[0] ^= common::Rotr(m[3], 8) ^ T.ThetaConstant[t];
        for (int i = 1; i < 4; ++i) {
            k[i] ^= k[i - 1];
            m[i] ^= m[i - 1];
        }
        if (decrypt)
            for (int i = 0; i < 4; ++i) (*decrypt)[kRounds - 1 - t][i] = k[i];
    }
    for (int i = 0; i < 4; ++i) encrypt[kRounds][i] = k[i];
    if (decrypt)
        for (int i = 0; i < 4; ++i) (*decrypt)[kRounds][i] = encrypt[0][i];
}

void EncryptBlock(const RoundKeys& keys, const std::uint8_t* in, std::uint8_t* out) {
    using common::LoadLE32;
    u32 s0 = LoadLE32(in) ^ keys[0][0], s1 = LoadLE32(in + 4) ^ keys[0][1];
    u32 s2 = LoadLE32(in + 8) ^ keys[0][2], s3 = LoadLE32(in + 12) ^ keys[0][3];
    TableRounds(T.Te, keys, s0, s1, s2, s3);
    // The last round has no theta: Te[k - 1] holds the plain S-box byte in byte k (c(x) has 1 there), so
    // the masks pick gamma's output out of the round tables without a table of its own.
    const auto last = [](int i, u32 a, u32 b, u32 c, u32 d) {
        return (T.Te[3][Byte(a, i)] & 0x000000FF) ^ (T.Te[0][Byte(b, i)] & 0x0000FF00) ^
               (T.Te[1][Byte(c, i)] & 0x00FF0000) ^ (T.Te[2][Byte(d, i)] & 0xFF000000);
    };
    const u32* k = keys[kRounds];
    common::StoreLE32x4(out, last(0, s0, s1, s2, s3) ^ k[0], last(1, s0, s1, s2, s3) ^ k[1],
                        last(2, s0, s1, s2, s3) ^ k[2], last(3, s0, s1, s2, s3) ^ k[3]);
}

void DecryptBlock(const RoundKeys& keys, const std::uint8_t* in, std::uint8_t* out) {
    using common::LoadLE32;
    u32 s0 = LoadLE32(in) ^ keys[0][0], s1 = LoadLE32(in + 4) ^ keys[0][1];
    u32 s2 = LoadLE32(in + 8) ^ keys[0][2], s3 = LoadLE32(in + 12) ^ keys[0][3];
    TableRounds(T.Td, keys, s0, s1, s2, s3);
    const auto last = [](int i, u32 a, u32 b, u32 c, u32 d) {
        return u32(T.SInv[Byte(a, i)]) | u32(T.SInv[Byte(b, i)]) << 8 | u32(T.SInv[Byte(c, i)]) << 16 |
               u32(T.SInv[Byte(d, i)]) << 24;
    };
    const u32* k = keys[kRounds];
    common::StoreLE32x4(out, last(0, s0, s1, s2, s3) ^ k[0], last(1, s0, s1, s2, s3) ^ k[1],
                        last(2, s0, s1, s2, s3) ^ k[2], last(3, s0, s1, s2, s3) ^ k[3]);
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
