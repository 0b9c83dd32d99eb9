#include "crypto/cipher/Shark.h"

#include "crypto/Wipe.h"
#include "crypto/cipher/Field1F5.h"
#include "crypto/cipher/WordIO.h"

#include <bit>
#include <cstring>
#include <utility>

namespace torvane::crypto {

TORVANE_DEFINE_CIPHER_CLASS(TCipher_Shark, nullptr, 8, 16, 2 * (shark::kRounds + 1) * sizeof(std::uint64_t));

// Where the paper's constants were not at hand, these take their place:
// - S-box: as in the paper, inversion in GF(2^8) modulo x^8 + x^7 + x^6 + x^5 + x^4 + x^2 + 1 followed by
//   an affine map; the affine map is Square's (its designers' next cipher, which builds its S-box the
//   same way).
// - Diffusion: the MDS matrix of a Reed-Solomon code over that field, as in the paper; the code's
//   generator is fixed below.
// - Key schedule: as in the paper, the cipher encrypts the extended key in CFB mode; its seed round keys
//   are taken from the fractional part of pi.
namespace shark {
namespace {

using u64 = std::uint64_t;
using gf1f5::Mul;

// The diffusion matrix: the redundancy part of the systematic generator matrix [I | B] of the
// Reed-Solomon code of length 16 and dimension 8 over GF(2^8), generator g(x) = (x - 1)(x - a)...(x - a^7)
// with a = x (02). Row i of B holds the coefficients of x^(8+i) mod g(x). The code has minimum distance 9,
// so every square submatrix of B is regular and theta has the full branch number 9.
Matrix MakeDiffusion() {
    std::uint8_t g[9] = {1}; // low degree first
    std::uint8_t root = 1;
    for (int k = 0; k < 8; ++k) {
        // g := g * (x + root)
        std::uint8_t next[9] = {};
        for (int i = 0; i < 9; ++i) {
            if (i > 0) next[i] ^= g[i - 1];
            next[i] ^= Mul(g[i], root);
        }
        std::memcpy(g, next, sizeof g);
        root = Mul(root, 2);
    }
    Matrix m{};
    std::uint8_t r[8] = {}; // x^(8+i) mod g, starting from x^8 mod g = g - x^8
    for (int i = 0; i < 8; ++i) r[i] = g[i];
    for (int i = 0; i < 8; ++i) {
        for (int j = 0; j < 8; ++j) m[i][j] = r[j];
        // r := r * x mod g
        const std::uint8_t top = r[7];
        for (int j = 7; j > 0; --j) r[j] = static_cast<std::uint8_t>(r[j - 1] ^ Mul(top, g[j]));
        r[0] = Mul(top, g[0]);
    }
    return m;
}

Matrix Invert(Matrix a) {
    Matrix inv{};
    for (int i = 0; i < 8; ++i) inv[i][i] = 1;
    for (int col = 0; col < 8; ++col) {
        int pivot = col;
        while (a[pivot][col] == 0) ++pivot; // an MDS matrix always has one
        std::swap(a[pivot], a[col]);
        std::swap(inv[pivot], inv[col]);
        const auto f = gf1f5::Inverse(a[col][col]);
        for (int j = 0; j < 8; ++j) {
            a[col][j] = Mul(a[col][j], f);
            inv[col][j] = Mul(inv[col][j], f);
        }
        for (int r = 0; r < 8; ++r) {
            if (r == col || a[r][col] == 0) continue;
            const auto e = a[r][col];
            for (int j = 0; j < 8; ++j) {
                a[r][j] ^= Mul(e, a[col][j]);
                inv[r][j] ^= Mul(e, inv[col][j]);
            }
        }
    }
    return inv;
}

u64 Apply(const Matrix& m, u64 v) {
    u64 r = 0;
    for (int i = 0; i < 8; ++i) {
        const auto b = static_cast<std::uint8_t>(v >> (8 * i));
        for (int j = 0; j < 8; ++j) r ^= u64(Mul(b, m[i][j])) << (8 * j);
    }
    return r;
}

// Tables for the rounds: Enc[i][x] is theta of a block holding S(x) in byte i, Dec[i][x] theta^-1 of a
// block holding S^-1(x) in byte i. Bytes are numbered from the least significant end of the word.
struct Tables {
    gf1f5::SBoxPair Box;
    Matrix Theta, ThetaInv;
    u64 Enc[8][256];
    u64 Dec[8][256];
};

const Tables& GetTables() {
    static const Tables t = [] {
        Tables r{};
        r.Box = gf1f5::MakeSBox();
        r.Theta = MakeDiffusion();
        r.ThetaInv = Invert(r.Theta);
        for (int i = 0; i < 8; ++i)
            for (int x = 0; x < 256; ++x) {
                r.Enc[i][x] = Apply(r.Theta, u64(r.Box.S[x]) << (8 * i));
                r.Dec[i][x] = Apply(r.ThetaInv, u64(r.Box.SInv[x]) << (8 * i));
            }
        return r;
    }();
    return t;
}

inline u64 TableRound(const u64 (&table)[8][256], u64 v) {
    return table[0][v & 0xFF] ^ table[1][(v >> 8) & 0xFF] ^ table[2][(v >> 16) & 0xFF] ^
           table[3][(v >> 24) & 0xFF] ^ table[4][(v >> 32) & 0xFF] ^ table[5][(v >> 40) & 0xFF] ^
           table[6][(v >> 48) & 0xFF] ^ table[7][(v >> 56) & 0xFF];
}

// Written out: the compilers leave the loop form as a loop, and this runs once per block.
inline u64 Substitute(const std::array<std::uint8_t, 256>& box, u64 v) {
    return u64(box[v & 0xFF]) | u64(box[(v >> 8) & 0xFF]) << 8 | u64(box[(v >> 16) & 0xFF]) << 16 |
           u64(box[(v >> 24) & 0xFF]) << 24 | u64(box[(v >> 32) & 0xFF]) << 32 |
           u64(box[(v >> 40) & 0xFF]) << 40 | u64(box[(v >> 48) & 0xFF]) << 48 | u64(box[v >> 56]) << 56;
}

// Encryption: add K1; five rounds of S-boxes, diffusion and the next key; a last round of S-boxes and K7.
u64 Encrypt(const u64* k, u64 v) {
    const auto& t = GetTables();
    v ^= k[0];
    for (int r = 1; r < kRounds; ++r) v = TableRound(t.Enc, v) ^ k[r];
    return Substitute(t.Box.S, v) ^ k[kRounds];
}

// With theta^-1 carried over the key additions: add K7; five inverse table rounds with theta^-1(K6) ...
// theta^-1(K2); inverse S-boxes and K1. The decryption keys are stored in that order and form.
u64 Decrypt(const u64* d, u64 v) {
    const auto& t = GetTables();
    v ^= d[0];
    for (int r = 1; r < kRounds; ++r) v = TableRound(t.Dec, v) ^ d[r];
    return Substitute(t.Box.SInv, v) ^ d[kRounds];
}

// Seed keys of the key schedule: the fractional part of pi, 64 bits per round key.
constexpr u64 kSeedKeys[kRounds + 1] = {0x243F6A8885A308D3, 0x13198A2E03707344, 0xA4093822299F31D0,
                                        0x082EFA98EC4E6C89, 0x452821E638D01377, 0xBE5466CF34E90C6C,
                                        0xC0AC29B7C97C50DD};

} // namespace

const Matrix& Diffusion() {
    return GetTables().Theta;
}
const Matrix& InverseDiffusion() {
    return GetTables().ThetaInv;
}

} // namespace shark

void TCipher_Shark::Init(const void* key, std::int32_t size, const void* vector) {
    BeginKeying(size);
    std::uint8_t k[16] = {};
    if (size > 0) std::memcpy(k, key, static_cast<std::size_t>(size));
    // As in the paper, the cipher makes its own round keys: the key, repeated to the 56 bytes of the seven
    // round keys, is encrypted in 64-bit CFB mode (starting from zero) under the fixed seed keys. CFB
    // under a fixed key is a bijection, so distinct keys give distinct round key sets.
    std::uint64_t* e = EncryptKeys();
    std::uint64_t feedback = 0;
    for (int r = 0; r <= shark::kRounds; ++r) {
        std::uint8_t chunk[8];
        for (int i = 0; i < 8; ++i) chunk[i] = k[(8 * r + i) % 16];
        feedback = wordio::LoadLE64(chunk) ^ shark::Encrypt(shark::kSeedKeys, feedback);
        e[r] = feedback;
        SecureZero(chunk, sizeof chunk);
    }
    std::uint64_t* d = DecryptKeys();
    d[0] = e[shark::kRounds];
    for (int r = 1; r < shark::kRounds; ++r)
        d[r] = shark::Apply(shark::InverseDiffusion(), e[shark::kRounds - r]);
    d[shark::kRounds] = e[0];
    SecureZero(k, sizeof k);
    EndKeying(vector);
}

// Block byte i is word byte i counted from the least significant end, on every host.
void TCipher_Shark::EncryptBlock(void* block) {
    auto* p = static_cast<std::uint8_t*>(block);
    wordio::StoreLE64(p, shark::Encrypt(EncryptKeys(), wordio::LoadLE64(p)));
}

void TCipher_Shark::DecryptBlock(void* block) {
    auto* p = static_cast<std::uint8_t*>(block);
    wordio::StoreLE64(p, shark::Decrypt(DecryptKeys(), wordio::LoadLE64(p)));
}

} // namespace torvane::crypto
