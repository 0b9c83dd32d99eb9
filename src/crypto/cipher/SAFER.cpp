#include "crypto/cipher/SAFER.h"

#include "crypto/common/Bits.h"
#include "crypto/common/Wipe.h"

#include <array>
#include <cstring>

namespace torvane::crypto {

namespace {

struct Tables {
    std::array<std::uint8_t, 256> Exp{}; // 45^x mod 257, with 45^128 = 256 written as 0
    std::array<std::uint8_t, 256> Log{}; // its inverse
};

constexpr Tables MakeTables() {
    Tables t;
    unsigned v = 1;
    for (unsigned x = 0; x < 256; ++x) {
        t.Exp[x] = static_cast<std::uint8_t>(v & 0xFF);
        t.Log[v & 0xFF] = static_cast<std::uint8_t>(x);
        v = (v * 45) % 257;
    }
    return t;
}

constexpr Tables kT = MakeTables();

// Round key count for r rounds: two per round and one for the output transformation.
constexpr int KeyBytes(int rounds) {
    return 8 * (2 * rounds + 1);
}

} // namespace

TORVANE_DEFINE_CIPHER_CLASS(TCipher_SAFER, nullptr, 8, 16, KeyBytes(TCipher_SAFER::MaxRounds));
TORVANE_DEFINE_CIPHER_CLASS(TCipher_SAFER_K40, &TCipher_SAFER::ClassInfo, 8, 5,
                            KeyBytes(TCipher_SAFER::MaxRounds));
TORVANE_DEFINE_CIPHER_CLASS(TCipher_SAFER_SK40, &TCipher_SAFER_K40::ClassInfo, 8, 5,
                            KeyBytes(TCipher_SAFER::MaxRounds));
TORVANE_DEFINE_CIPHER_CLASS(TCipher_SAFER_K64, &TCipher_SAFER::ClassInfo, 8, 8,
                            KeyBytes(TCipher_SAFER::MaxRounds));
TORVANE_DEFINE_CIPHER_CLASS(TCipher_SAFER_SK64, &TCipher_SAFER_K64::ClassInfo, 8, 8,
                            KeyBytes(TCipher_SAFER::MaxRounds));
TORVANE_DEFINE_CIPHER_CLASS(TCipher_SAFER_K128, &TCipher_SAFER::ClassInfo, 8, 16,
                            KeyBytes(TCipher_SAFER::MaxRounds));
TORVANE_DEFINE_CIPHER_CLASS(TCipher_SAFER_SK128, &TCipher_SAFER_K128::ClassInfo, 8, 16,
                            KeyBytes(TCipher_SAFER::MaxRounds));

void TCipher_SAFER::Expand(const std::uint8_t* keyA, const std::uint8_t* keyB, int rounds, bool strengthened,
                           std::uint8_t* out) {
    // Register A starts rotated by 5 so that its first use (after the rotation by 6 of every step) is
    // the key rotated by 3, as the K-64 schedule K(i+1) = (K1 <<< 3i) + B(i+1) requires; register B
    // gives K1 itself. The ninth byte is the parity byte of the strengthened schedule.
    std::uint8_t ka[9], kb[9];
    ka[8] = kb[8] = 0;
    for (int j = 0; j < 8; ++j) {
        ka[j] = common::Rotl(keyA[j], 5);
        ka[8] ^= ka[j];
        kb[j] = keyB[j];
        kb[8] ^= kb[j];
        out[j] = keyB[j];
    }
    out += 8;
    for (int i = 1; i <= rounds; ++i) {
        for (int j = 0; j < 9; ++j) {
            ka[j] = common::Rotl(ka[j], 6);
            kb[j] = common::Rotl(kb[j], 6);
        }
        // Key bias B(i)[j] = 45^(45^(9i+j) mod 257) mod 257 (Massey 1993, section 3); keys 2i and 2i+1.
        for (int j = 0; j < 8; ++j) {
            const std::uint8_t bias = kT.Exp[kT.Exp[(18 * i + j + 1) & 0xFF]];
            out[j] = static_cast<std::uint8_t>((strengthened ? ka[(j + 2 * i - 1) % 9] : ka[j]) + bias);
        }
        out += 8;
        for (int j = 0; j < 8; ++j) {
            const std::uint8_t bias = kT.Exp[kT.Exp[(18 * i + j + 10) & 0xFF]];
            out[j] = static_cast<std::uint8_t>((strengthened ? kb[(j + 2 * i) % 9] : kb[j]) + bias);
        }
        out += 8;
    }
    SecureZero(ka, sizeof ka);
    SecureZero(kb, sizeof kb);
}

void TCipher_SAFER::ExtendKey40(const std::uint8_t* k, std::uint8_t* r) {
    // Massey's SK-40 (his announcement of 22 Oct 1995, SAFER_40.TXT): four bytes derived from the
    // five key bytes take the places of bytes 6 to 9 of the SK-64 register (the ninth being the one
    // that holds the parity byte in SK-64). The byte choices and the constants 129, 66, 36 and 24 have
    // not yet been compared with that text; where it differs, the text wins and the SK-40 and K-40
    // answers in safer.vec must be computed again.
    std::memcpy(r, k, 5);
    r[5] = static_cast<std::uint8_t>(k[0] ^ k[2] ^ 129);
    r[6] = static_cast<std::uint8_t>(k[0] ^ k[3] ^ k[4] ^ 66);
    r[7] = static_cast<std::uint8_t>(k[1] ^ k[2] ^ k[4] ^ 36);
    r[8] = static_cast<std::uint8_t>(k[1] ^ k[3] ^ 24);
}

namespace {

// The SK-40 schedule: like Expand with the strengthened selection, but with both registers taken
// from the extended 9-byte key instead of a key and its parity byte. With strengthened == false the
// same registers feed the original K selection (our K-40).
void Expand40(const std::uint8_t* key5, int rounds, bool strengthened, std::uint8_t* out) {
    std::uint8_t kb[9], ka[9];
    TCipher_SAFER::ExtendKey40(key5, kb);
    for (int j = 0; j < 9; ++j) ka[j] = common::Rotl(kb[j], 5);
    std::memcpy(out, kb, 8);
    out += 8;
    for (int i = 1; i <= rounds; ++i) {
        for (int j = 0; j < 9; ++j) {
            ka[j] = common::Rotl(ka[j], 6);
            kb[j] = common::Rotl(kb[j], 6);
        }
        for (int j = 0; j < 8; ++j)
            out[j] = static_cast<std::uint8_t>((strengthened ? ka[(j + 2 * i - 1) % 9] : ka[j]) +
                                               kT.Exp[kT.Exp[(18 * i + j + 1) & 0xFF]]);
        out += 8;
        for (int j = 0; j < 8; ++j)
            out[j] = static_cast<std::uint8_t>((strengthened ? kb[(j + 2 * i) % 9] : kb[j]) +
                                               kT.Exp[kT.Exp[(18 * i + j + 10) & 0xFF]]);
        out += 8;
    }
    SecureZero(ka, sizeof ka);
    SecureZero(kb, sizeof kb);
}

} // namespace

void TCipher_SAFER::Init(const void* key, std::int32_t size, const void* vector) {
    BeginKeying(size);
    std::uint8_t k[16] = {};
    if (size > 0) std::memcpy(k, key, static_cast<std::size_t>(size));
    Schedule(k);
    SecureZero(k, sizeof k);
    EndKeying(vector);
}

void TCipher_SAFER::Wipe() {
    TCipher::Wipe();
    rounds_ = 0;
}

// K-128 takes its odd round keys from the second key half and its even ones from the first (the
// order of the ETH toolkit, whose examples this reproduces); K-64 is K-128 with equal halves.
void TCipher_SAFER::Schedule(const std::uint8_t* key16) {
    SetRounds(10);
    Expand(key16, key16 + 8, 10, true, RoundKeys());
}

void TCipher_SAFER_K40::Schedule(const std::uint8_t* key16) {
    SetRounds(5);
    Expand40(key16, 5, false, RoundKeys());
}

void TCipher_SAFER_SK40::Schedule(const std::uint8_t* key16) {
    SetRounds(5);
    Expand40(key16, 5, true, RoundKeys());
}

void TCipher_SAFER_K64::Schedule(const std::uint8_t* key16) {
    SetRounds(6);
    Expand(key16, key16, 6, false, RoundKeys());
}

void TCipher_SAFER_SK64::Schedule(const std::uint8_t* key16) {
    SetRounds(8);
    Expand(key16, key16, 8, true, RoundKeys());
}

void TCipher_SAFER_K128::Schedule(const std::uint8_t* key16) {
    SetRounds(10);
    Expand(key16, key16 + 8, 10, false, RoundKeys());
}

void TCipher_SAFER_SK128::Schedule(const std::uint8_t* key16) {
    SetRounds(10);
    Expand(key16, key16 + 8, 10, true, RoundKeys());
}

void TCipher_SAFER::EncryptBlock(void* block) {
    auto* p = static_cast<std::uint8_t*>(block);
    const std::uint8_t* k = UserData();
    const auto& E = kT.Exp;
    const auto& L = kT.Log;
    std::uint8_t a = p[0], b = p[1], c = p[2], d = p[3], e = p[4], f = p[5], g = p[6], h = p[7], t;
    for (int r = rounds_; r > 0; --r, k += 16) {
        a = static_cast<std::uint8_t>(E[a ^ k[0]] + k[8]);
        b = static_cast<std::uint8_t>(L[static_cast<std::uint8_t>(b + k[1])] ^ k[9]);
        c = static_cast<std::uint8_t>(L[static_cast<std::uint8_t>(c + k[2])] ^ k[10]);
        d = static_cast<std::uint8_t>(E[d ^ k[3]] + k[11]);
        e = static_cast<std::uint8_t>(E[e ^ k[4]] + k[12]);
        f = static_cast<std::uint8_t>(L[static_cast<std::uint8_t>(f + k[5])] ^ k[13]);
        g = static_cast<std::uint8_t>(L[static_cast<std::uint8_t>(g + k[6])] ^ k[14]);
        h = static_cast<std::uint8_t>(E[h ^ k[7]] + k[15]);
        // Three layers of 2-PHT (x, y) -> (2x + y, x + y) with the "Armenian shuffle" between them.
        b += a, a += b, d += c, c += d, f += e, e += f, h += g, g += h;
        c += a, a += c, g += e, e += g, d += b, b += d, h += f, f += h;
        e += a, a += e, f += b, b += f, g += c, c += g, h += d, d += h;
        t = b, b = e, e = c, c = t, t = d, d = f, f = g, g = t;
    }
    p[0] = a ^ k[0];
    p[1] = static_cast<std::uint8_t>(b + k[1]);
    p[2] = static_cast<std::uint8_t>(c + k[2]);
    p[3] = d ^ k[3];
    p[4] = e ^ k[4];
    p[5] = static_cast<std::uint8_t>(f + k[5]);
    p[6] = static_cast<std::uint8_t>(g + k[6]);
    p[7] = h ^ k[7];
}

void TCipher_SAFER::DecryptBlock(void* block) {
    auto* p = static_cast<std::uint8_t*>(block);
    const std::uint8_t* k = UserData() + 16 * rounds_;
    const auto& E = kT.Exp;
    const auto& L = kT.Log;
    std::uint8_t a = p[0] ^ k[0], b = static_cast<std::uint8_t>(p[1] - k[1]),
                 c = static_cast<std::uint8_t>(p[2] - k[2]), d = p[3] ^ k[3], e = p[4] ^ k[4],
                 f = static_cast<std::uint8_t>(p[5] - k[5]), g = static_cast<std::uint8_t>(p[6] - k[6]),
                 h = p[7] ^ k[7], t;
    for (int r = rounds_; r > 0; --r) {
        k -= 16;
        t = e, e = b, b = c, c = t, t = f, f = d, d = g, g = t;
        a -= e, e -= a, b -= f, f -= b, c -= g, g -= c, d -= h, h -= d;
        a -= c, c -= a, e -= g, g -= e, b -= d, d -= b, f -= h, h -= f;
        a -= b, b -= a, c -= d, d -= c, e -= f, f -= e, g -= h, h -= g;
        a = L[static_cast<std::uint8_t>(a - k[8])] ^ k[0];
        b = static_cast<std::uint8_t>(E[b ^ k[9]] - k[1]);
        c = static_cast<std::uint8_t>(E[c ^ k[10]] - k[2]);
        d = L[static_cast<std::uint8_t>(d - k[11])] ^ k[3];
        e = L[static_cast<std::uint8_t>(e - k[12])] ^ k[4];
        f = static_cast<std::uint8_t>(E[f ^ k[13]] - k[5]);
        g = static_cast<std::uint8_t>(E[g ^ k[14]] - k[6]);
        h = L[static_cast<std::uint8_t>(h - k[15])] ^ k[7];
    }
    p[0] = a, p[1] = b, p[2] = c, p[3] = d, p[4] = e, p[5] = f, p[6] = g, p[7] = h;
}

} // namespace torvane::crypto
