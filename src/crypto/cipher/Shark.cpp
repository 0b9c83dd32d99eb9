#include "crypto/cipher/Shark.h"

#include "crypto/cipher/Field1F5.h"
#include "crypto/common/Bits.h"
#include "crypto/common/Wipe.h"

#include <bit>
#include <cstring>
#include <utility>

namespace torvane::crypto {

TORVANE_DEFINE_CIPHER_CLASS(TCipher_Shark, nullptr, 8, 16, 2 * (shark::kRounds + 1) * sizeof(std::uint64_t));

// The definition followed here is SHARK as its designers describe it and as the published validation
// data (crypto/data/block/shark.vec) pins it down:
// - S-box: inversion in GF(2^8) modulo x^8 + x^7 + x^6 + x^5 + x^4 + x^2 + 1 followed by an affine map;
//   the affine map is the same as Square's, so both ciphers have the same S-box.
// - Diffusion: the redundancy part of the systematic Reed-Solomon code over that field with generator
//   g(x) = (x - a)(x - a^2)...(x - a^8), a = x (02).
// - Rounds: key addition, then five rounds of S-boxes, diffusion and key addition, then S-boxes and the
//   last key addition. This equals six full rounds (each ending in the diffusion) followed by the inverse
//   diffusion as an output transformation: carrying that inverse over the last round key gives this form.
// - Key schedule: the key, repeated to the 56 bytes of the seven round keys, is encrypted in 64-bit CFB
//   mode from a zero vector under seed round keys that come from the cipher's own tables (theta of S(i)
//   in the first byte, for i = 0..6); the last of the keys so made is put through the inverse diffusion.
namespace shark {
namespace {

using u64 = std::uint64_t;
using gf1f5::Mul;

// The diffusion matrix: the redundancy part of the systematic generator matrix of the Reed-Solomon code
// of length 16 and dimension 8 over GF(2^8), generator g(x) = (x - a)(x - a^2)...(x - a^8) with a = x
// (02). Output byte j of theta takes input byte i with the coefficient of x^(7-i) in x^(15-j) mod g(x)
// (bytes in block order). The code has minimum distance 9, so every square submatrix is regular and theta
// has the full branch number 9.
Matrix MakeDiffusion() {
    std::uint8_t g[9] = {1}; // low degree first
    std::uint8_t root = 2;
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
    std::uint8_t r[8] = {}; // x^(8+n) mod g, starting from x^8 mod g = g - x^8
    for (int i = 0; i < 8; ++i) r[i] = g[i];
    for (int n = 0; n < 8; ++n) {
        // x^(8+n) mod g is the row for output byte j = 7 - n; its coefficient of x^k goes with input byte 7 -
        // k
        for (int k = 0; k < 8; ++k) m[7 - k][7 - n] = r[k];
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

// Seed keys of the key schedule: theta of S(i) in the first byte of the block for the first six, and the
// seventh with the inverse diffusion carried over it as for every last round key, which leaves S(6) alone.
const std::array<u64, kRounds + 1>& SeedKeys() {
    static const std::array<u64, kRounds + 1> seed = [] {
        const auto& t = GetTables();
        std::array<u64, kRounds + 1> k{};
        for (int i = 0; i < kRounds; ++i) k[i] = t.Enc[0][i];
        k[kRounds] = t.Box.S[kRounds];
        return k;
    }();
    return seed;
}

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
    // The cipher makes its own round keys: the key, repeated to the 56 bytes of the seven round keys, is
    // encrypted in 64-bit CFB mode (from a zero vector) under the seed keys. CFB under a fixed key is a
    // bijection, so distinct 16-byte keys give distinct round key sets.
    const auto* k = static_cast<const std::uint8_t*>(key);
    std::uint64_t* e = EncryptKeys();
    std::uint64_t feedback = 0;
    for (int r = 0; r <= shark::kRounds; ++r) {
        std::uint8_t chunk[8] = {};
        if (size > 0)
            for (int i = 0; i < 8; ++i) chunk[i] = k[(8 * r + i) % size];
        feedback = common::LoadLE64(chunk) ^ shark::Encrypt(shark::SeedKeys().data(), feedback);
        e[r] = feedback;
        SecureZero(chunk, sizeof chunk);
    }
    e[shark::kRounds] = shark::Apply(shark::InverseDiffusion(), e[shark::kRounds]);
    std::uint64_t* d = DecryptKeys();
    d[0] = e[shark::kRounds];
    for (int r = 1; r < shark::kRounds; ++r)
        d[r] = shark::Apply(shark::InverseDiffusion(), e[shark::kRounds - r]);
    d[shark::kRounds] = e[0];
    EndKeying(vector);
}

// Block byte i is word byte i counted from the least significant end, on every host.
void TCipher_Shark::EncryptBlock(void* block) {
    auto* p = static_cast<std::uint8_t*>(block);
    common::StoreLE64(p, shark::Encrypt(EncryptKeys(), common::LoadLE64(p)));
}

void TCipher_Shark::DecryptBlock(void* block) {
    auto* p = static_cast<std::uint8_t*>(block);
    common::StoreLE64(p, shark::Decrypt(DecryptKeys(), common::LoadLE64(p)));
}

} // namespace torvane::crypto
