#include "crypto/cipher/Rijndael.h"

#include "crypto/common/Bits.h"
#include "crypto/common/Wipe.h"

#include <array>
#include <bit>
#include <cstring>

namespace torvane::crypto {

using namespace common;

struct TCipher_Rijndael::Schedule {
    std::uint32_t Encrypt[60]; // (Nr + 1) round keys of four words
    std::uint32_t Decrypt[60]; // the equivalent inverse cipher's round keys (FIPS 197, 5.3.5)
    std::int32_t Rounds;
};

TORVANE_DEFINE_CIPHER_CLASS(TCipher_Rijndael, nullptr, 16, 32, sizeof(TCipher_Rijndael::Schedule));

namespace {

// Multiplication in GF(2^8) modulo x^8 + x^4 + x^3 + x + 1 (FIPS 197, 4.2).
constexpr std::uint8_t Mul(std::uint8_t a, std::uint8_t b) {
    std::uint8_t r = 0;
    while (b) {
        if (b & 1) r ^= a;
        a = static_cast<std::uint8_t>((a << 1) ^ ((a & 0x80) ? 0x1B : 0));
        b >>= 1;
    }
    return r;
}

struct Tables {
    std::uint8_t S[256], InvS[256];
    std::uint32_t Te[4][256], Td[4][256];
};

// The S-box is the multiplicative inverse in GF(2^8) followed by the affine map of FIPS 197, 5.1.1; the
// round tables combine it with MixColumns (5.1.3) and InvMixColumns (5.3.3).
constexpr Tables MakeTables() {
    Tables t{};
    for (int x = 0; x < 256; ++x) {
        std::uint8_t inv = 0;
        if (x) {
            // x^254 = x^-1
            std::uint8_t p = 1, base = static_cast<std::uint8_t>(x);
            for (int e = 254; e; e >>= 1) {
                if (e & 1) p = Mul(p, base);
                base = Mul(base, base);
            }
            inv = p;
        }
        const std::uint8_t s = inv ^ common::Rotl(inv, 1) ^ common::Rotl(inv, 2) ^ common::Rotl(inv, 3) ^
                               common::Rotl(inv, 4) ^ 0x63;
        t.S[x] = s;
        t.InvS[s] = static_cast<std::uint8_t>(x);
    }
    for (int x = 0; x < 256; ++x) {
        const std::uint8_t s = t.S[x], i = t.InvS[x];
        const std::uint32_t e =
            std::uint32_t(Mul(s, 2)) << 24 | std::uint32_t(s) << 16 | std::uint32_t(s) << 8 | Mul(s, 3);
        const std::uint32_t d = std::uint32_t(Mul(i, 14)) << 24 | std::uint32_t(Mul(i, 9)) << 16 |
                                std::uint32_t(Mul(i, 13)) << 8 | Mul(i, 11);
        for (int r = 0; r < 4; ++r) {
            t.Te[r][x] = common::Rotr(e, 8 * r);
            t.Td[r][x] = common::Rotr(d, 8 * r);
        }
    }
    return t;
}

alignas(64) constexpr Tables T = MakeTables();

inline std::uint32_t SubWord(std::uint32_t w) {
    return std::uint32_t(T.S[w >> 24]) << 24 | std::uint32_t(T.S[(w >> 16) & 0xFF]) << 16 |
           std::uint32_t(T.S[(w >> 8) & 0xFF]) << 8 | T.S[w & 0xFF];
}

inline std::uint32_t InvMixColumn(std::uint32_t w) {
    // Td applies InvSubBytes first; feeding it S[x] cancels that and leaves InvMixColumns alone.
    return T.Td[0][T.S[w >> 24]] ^ T.Td[1][T.S[(w >> 16) & 0xFF]] ^ T.Td[2][T.S[(w >> 8) & 0xFF]] ^
           T.Td[3][T.S[w & 0xFF]];
}

// One full round (SubBytes, ShiftRows, MixColumns, AddRoundKey) from state s into state t.
inline void EncRound(std::uint32_t s0, std::uint32_t s1, std::uint32_t s2, std::uint32_t s3,
                     std::uint32_t& t0, std::uint32_t& t1, std::uint32_t& t2, std::uint32_t& t3,
                     const std::uint32_t* rk) {
    const auto& Te = T.Te;
    t0 = Te[0][s0 >> 24] ^ Te[1][(s1 >> 16) & 0xFF] ^ Te[2][(s2 >> 8) & 0xFF] ^ Te[3][s3 & 0xFF] ^ rk[0];
    t1 = Te[0][s1 >> 24] ^ Te[1][(s2 >> 16) & 0xFF] ^ Te[2][(s3 >> 8) & 0xFF] ^ Te[3][s0 & 0xFF] ^ rk[1];
    t2 = Te[0][s2 >> 24] ^ Te[1][(s3 >> 16) & 0xFF] ^ Te[2][(s0 >> 8) & 0xFF] ^ Te[3][s1 & 0xFF] ^ rk[2];
    t3 = Te[0][s3 >> 24] ^ Te[1][(s0 >> 16) & 0xFF] ^ Te[2][(s1 >> 8) & 0xFF] ^ Te[3][s2 & 0xFF] ^ rk[3];
}

// One round of the equivalent inverse cipher.
inline void DecRound(std::uint32_t s0, std::uint32_t s1, std::uint32_t s2, std::uint32_t s3,
                     std::uint32_t& t0, std::uint32_t& t1, std::uint32_t& t2, std::uint32_t& t3,
                     const std::uint32_t* rk) {
    const auto& Td = T.Td;
    t0 = Td[0][s0 >> 24] ^ Td[1][(s3 >> 16) & 0xFF] ^ Td[2][(s2 >> 8) & 0xFF] ^ Td[3][s1 & 0xFF] ^ rk[0];
    t1 = Td[0][s1 >> 24] ^ Td[1][(s0 >> 16) & 0xFF] ^ Td[2][(s3 >> 8) & 0xFF] ^ Td[3][s2 & 0xFF] ^ rk[1];
    t2 = Td[0][s2 >> 24] ^ Td[1][(s1 >> 16) & 0xFF] ^ Td[2][(s0 >> 8) & 0xFF] ^ Td[3][s3 & 0xFF] ^ rk[2];
    t3 = Td[0][s3 >> 24] ^ Td[1][(s2 >> 16) & 0xFF] ^ Td[2][(s1 >> 8) & 0xFF] ^ Td[3][s0 & 0xFF] ^ rk[3];
}

} // namespace

TCipher_Rijndael::Schedule& TCipher_Rijndael::K() {
    return *reinterpret_cast<Schedule*>(UserData());
}

int TCipher_Rijndael::Rounds() {
    return K().Rounds;
}

void TCipher_Rijndael::Init(const void* key, std::int32_t size, const void* vector) {
    BeginKeying(size);
    Schedule& k = K();
    const int nk = size <= 16 ? 4 : size <= 24 ? 6 : 8;
    const int nr = nk + 6;
    k.Rounds = nr;
    std::uint8_t padded[32] = {};
    if (size > 0) std::memcpy(padded, key, static_cast<std::size_t>(size));

    // Key expansion, FIPS 197, 5.2.
    std::uint32_t* w = k.Encrypt;
    for (int i = 0; i < nk; ++i) w[i] = LoadBE32(padded + 4 * i);
    std::uint32_t rcon = 0x01;
    for (int i = nk; i < 4 * (nr + 1); ++i) {
        std::uint32_t temp = w[i - 1];
        if (i % nk == 0) {
            temp = SubWord(common::Rotl(temp, 8)) ^ (rcon << 24);
            rcon = Mul(static_cast<std::uint8_t>(rcon), 2);
        } else if (nk > 6 && i % nk == 4) {
            temp = SubWord(temp);
        }
        w[i] = w[i - nk] ^ temp;
    }

    // Decryption keys in reverse round order, the inner ones passed through InvMixColumns.
    std::uint32_t* d = k.Decrypt;
    for (int r = 0; r <= nr; ++r)
        for (int c = 0; c < 4; ++c) {
            const std::uint32_t v = w[4 * (nr - r) + c];
            d[4 * r + c] = (r == 0 || r == nr) ? v : InvMixColumn(v);
        }
    SecureZero(padded, sizeof padded);
    EndKeying(vector);
}

void TCipher_Rijndael::EncryptBlock(void* block) {
    auto* b = static_cast<std::uint8_t*>(block);
    const Schedule& k = K();
    const std::uint32_t* rk = k.Encrypt;
    std::uint32_t s0 = LoadBE32(b) ^ rk[0], s1 = LoadBE32(b + 4) ^ rk[1];
    std::uint32_t s2 = LoadBE32(b + 8) ^ rk[2], s3 = LoadBE32(b + 12) ^ rk[3];
    // Two rounds per pass without copying the state between them; Nr - 1 is odd, so one round follows.
    std::uint32_t t0, t1, t2, t3;
    for (int r = 1; r < k.Rounds - 1; r += 2, rk += 8) {
        EncRound(s0, s1, s2, s3, t0, t1, t2, t3, rk + 4);
        EncRound(t0, t1, t2, t3, s0, s1, s2, s3, rk + 8);
    }
    EncRound(s0, s1, s2, s3, t0, t1, t2, t3, rk + 4);
    s0 = t0;
    s1 = t1;
    s2 = t2;
    s3 = t3;
    rk += 8;
    // The last round has no MixColumns: pick the plain S-box byte out of the round tables, which hold it
    // in every position but one.
    const auto last = [](std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d) {
        return (T.Te[3][a >> 24] & 0xFF000000) ^ (T.Te[0][(b >> 16) & 0xFF] & 0x00FF0000) ^
               (T.Te[0][(c >> 8) & 0xFF] & 0x0000FF00) ^ (T.Te[1][d & 0xFF] & 0x000000FF);
    };
    StoreBE32x4(b, last(s0, s1, s2, s3) ^ rk[0], last(s1, s2, s3, s0) ^ rk[1], last(s2, s3, s0, s1) ^ rk[2],
                last(s3, s0, s1, s2) ^ rk[3]);
}

void TCipher_Rijndael::DecryptBlock(void* block) {
    auto* b = static_cast<std::uint8_t*>(block);
    const Schedule& k = K();
    const std::uint32_t* rk = k.Decrypt;
    std::uint32_t s0 = LoadBE32(b) ^ rk[0], s1 = LoadBE32(b + 4) ^ rk[1];
    std::uint32_t s2 = LoadBE32(b + 8) ^ rk[2], s3 = LoadBE32(b + 12) ^ rk[3];
    // Two rounds per pass without copying the state between them; Nr - 1 is odd, so one round follows.
    std::uint32_t t0, t1, t2, t3;
    for (int r = 1; r < k.Rounds - 1; r += 2, rk += 8) {
        DecRound(s0, s1, s2, s3, t0, t1, t2, t3, rk + 4);
        DecRound(t0, t1, t2, t3, s0, s1, s2, s3, rk + 8);
    }
    DecRound(s0, s1, s2, s3, t0, t1, t2, t3, rk + 4);
    s0 = t0;
    s1 = t1;
    s2 = t2;
    s3 = t3;
    rk += 8;
    const auto last = [](std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d) {
        return std::uint32_t(T.InvS[a >> 24]) << 24 | std::uint32_t(T.InvS[(b >> 16) & 0xFF]) << 16 |
               std::uint32_t(T.InvS[(c >> 8) & 0xFF]) << 8 | T.InvS[d & 0xFF];
    };
    StoreBE32x4(b, last(s0, s3, s2, s1) ^ rk[0], last(s1, s0, s3, s2) ^ rk[1], last(s2, s1, s0, s3) ^ rk[2],
                last(s3, s2, s1, s0) ^ rk[3]);
}

} // namespace torvane::crypto
