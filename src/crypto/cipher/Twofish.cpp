#include "crypto/cipher/Twofish.h"

#include "crypto/common/Bits.h"
#include "crypto/common/Wipe.h"

#include <bit>
#include <cstring>

namespace torvane::crypto {

using namespace common;

struct TCipher_Twofish::Schedule {
    std::uint32_t S[4][256]; // g's four key-dependent S-boxes, each already multiplied by its MDS column
    std::uint32_t K[40];     // whitening and round subkeys
};

TORVANE_DEFINE_CIPHER_CLASS(TCipher_Twofish, nullptr, 16, 32, sizeof(TCipher_Twofish::Schedule));

namespace {

// Multiplication in GF(2^8) modulo the given polynomial.
constexpr std::uint8_t GfMul(std::uint8_t a, std::uint8_t b, unsigned poly) {
    unsigned r = 0, x = a;
    while (b) {
        if (b & 1) r ^= x;
        x <<= 1;
        if (x & 0x100) x ^= poly;
        b >>= 1;
    }
    return static_cast<std::uint8_t>(r);
}

constexpr unsigned MdsPoly = 0x169; // v(x) = x^8 + x^6 + x^5 + x^3 + 1, section 4.2
constexpr unsigned RsPoly = 0x14D;  // w(x) = x^8 + x^6 + x^3 + x^2 + 1, section 4.3

constexpr std::uint8_t Mds[4][4] = {
    {0x01, 0xEF, 0x5B, 0x5B}, {0x5B, 0xEF, 0xEF, 0x01}, {0xEF, 0x5B, 0x01, 0xEF}, {0xEF, 0x01, 0xEF, 0x5B}};

constexpr std::uint8_t Rs[4][8] = {{0x01, 0xA4, 0x55, 0x87, 0x5A, 0x58, 0xDB, 0x9E},
                                   {0xA4, 0x56, 0x82, 0xF3, 0x1E, 0xC6, 0x68, 0xE5},
                                   {0x02, 0xA1, 0xFC, 0xC1, 0x47, 0xAE, 0x3D, 0x19},
                                   {0xA4, 0x55, 0x87, 0x5A, 0x58, 0xDB, 0x9E, 0x03}};

// The 4-bit S-boxes t0..t3 of q0 and q1, section 4.3.5.
constexpr std::uint8_t QT[2][4][16] = {
    {{0x8, 0x1, 0x7, 0xD, 0x6, 0xF, 0x3, 0x2, 0x0, 0xB, 0x5, 0x9, 0xE, 0xC, 0xA, 0x4},
     {0xE, 0xC, 0xB, 0x8, 0x1, 0x2, 0x3, 0x5, 0xF, 0x4, 0xA, 0x6, 0x7, 0x0, 0x9, 0xD},
     {0xB, 0xA, 0x5, 0xE, 0x6, 0xD, 0x9, 0x0, 0xC, 0x8, 0xF, 0x3, 0x2, 0x4, 0x7, 0x1},
     {0xD, 0x7, 0xF, 0x4, 0x1, 0x2, 0x6, 0xE, 0x9, 0xB, 0x3, 0x0, 0x8, 0x5, 0xC, 0xA}},
    {{0x2, 0x8, 0xB, 0xD, 0xF, 0x7, 0x6, 0xE, 0x3, 0x1, 0x9, 0x4, 0x0, 0xA, 0xC, 0x5},
     {0x1, 0xE, 0x2, 0xB, 0x4, 0xC, 0x3, 0x7, 0x6, 0xD, 0xA, 0x5, 0xF, 0x9, 0x0, 0x8},
     {0x4, 0xC, 0x7, 0x5, 0x1, 0x6, 0x9, 0xA, 0x0, 0xE, 0xD, 0x8, 0x2, 0xB, 0x3, 0xF},
     {0xB, 0x9, 0x5, 0x1, 0xC, 0x3, 0xD, 0xE, 0x6, 0x4, 0x7, 0xF, 0x2, 0x0, 0x8, 0xA}}};

constexpr std::uint8_t Ror4(std::uint8_t x) {
    return static_cast<std::uint8_t>(((x >> 1) | (x << 3)) & 0xF);
}

// The permutations q0 and q1 built from the 4-bit S-boxes as in section 4.3.5.
constexpr std::uint8_t QCompute(int which, std::uint8_t x) {
    const auto& t = QT[which];
    std::uint8_t a = x >> 4, b = x & 0xF;
    std::uint8_t a1 = a ^ b, b1 = static_cast<std::uint8_t>((a ^ Ror4(b) ^ (a << 3)) & 0xF);
    std::uint8_t a2 = t[0][a1], b2 = t[1][b1];
    std::uint8_t a3 = a2 ^ b2, b3 = static_cast<std::uint8_t>((a2 ^ Ror4(b2) ^ (a2 << 3)) & 0xF);
    return static_cast<std::uint8_t>(t[3][b3] << 4 | t[2][a3]);
}

struct Tables {
    std::uint8_t Q[2][256];
    std::uint32_t M[4][256]; // M[j][y]: byte y times MDS column j, as a word (z0 in the low byte)
};

constexpr Tables MakeTables() {
    Tables t{};
    for (int x = 0; x < 256; ++x) {
        t.Q[0][x] = QCompute(0, static_cast<std::uint8_t>(x));
        t.Q[1][x] = QCompute(1, static_cast<std::uint8_t>(x));
        for (int j = 0; j < 4; ++j) {
            std::uint32_t w = 0;
            for (int i = 0; i < 4; ++i)
                w |= std::uint32_t(GfMul(Mds[i][j], static_cast<std::uint8_t>(x), MdsPoly)) << (8 * i);
            t.M[j][x] = w;
        }
    }
    return t;
}

constexpr Tables T = MakeTables();

inline std::uint8_t Q0(std::uint32_t x) {
    return T.Q[0][x & 0xFF];
}
inline std::uint8_t Q1(std::uint32_t x) {
    return T.Q[1][x & 0xFF];
}

// The chain of q permutations and key bytes of h (section 4.3.2) for byte position j of the input, before
// the MDS multiply. l holds the k words of L.
std::uint8_t HByte(int j, std::uint8_t y, const std::uint32_t* l, int k) {
    const auto lb = [&](int i) { return static_cast<std::uint8_t>(Byte(l[i], j)); };
    // Which permutation each stage applies to each byte position (figure 2).
    static constexpr int Stage4[4] = {1, 0, 0, 1}, Stage3[4] = {1, 1, 0, 0}, Stage2[4] = {0, 1, 0, 1},
                         Stage1[4] = {0, 0, 1, 1}, Stage0[4] = {1, 0, 1, 0};
    if (k == 4) y = T.Q[Stage4[j]][y] ^ lb(3);
    if (k >= 3) y = T.Q[Stage3[j]][y] ^ lb(2);
    y = T.Q[Stage2[j]][y] ^ lb(1);
    y = T.Q[Stage1[j]][y] ^ lb(0);
    return T.Q[Stage0[j]][y];
}

std::uint32_t H(std::uint32_t x, const std::uint32_t* l, int k) {
    std::uint32_t z = 0;
    for (int j = 0; j < 4; ++j) z ^= T.M[j][HByte(j, static_cast<std::uint8_t>(Byte(x, j)), l, k)];
    return z;
}

} // namespace

TCipher_Twofish::Schedule& TCipher_Twofish::K() {
    return *reinterpret_cast<Schedule*>(UserData());
}

void TCipher_Twofish::Init(const void* key, std::int32_t size, const void* vector) {
    BeginKeying(size);
    Schedule& ks = K();
    const int n = size <= 16 ? 16 : size <= 24 ? 24 : 32;
    const int k = n / 8;
    std::uint8_t m[32] = {};
    if (size > 0) std::memcpy(m, key, static_cast<std::size_t>(size));

    std::uint32_t me[4], mo[4], s[4];
    for (int i = 0; i < k; ++i) {
        me[i] = LoadLE32(m + 8 * i);
        mo[i] = LoadLE32(m + 8 * i + 4);
        // S_i = RS times the key bytes m[8i..8i+7]; the vector S lists them in reverse order.
        std::uint32_t w = 0;
        for (int r = 0; r < 4; ++r) {
            std::uint8_t acc = 0;
            for (int c = 0; c < 8; ++c) acc ^= GfMul(Rs[r][c], m[8 * i + c], RsPoly);
            w |= std::uint32_t(acc) << (8 * r);
        }
        s[k - 1 - i] = w;
    }

    constexpr std::uint32_t rho = 0x01010101;
    for (std::uint32_t i = 0; i < 20; ++i) {
        const std::uint32_t a = H(2 * i * rho, me, k);
        const std::uint32_t b = common::Rotl(H((2 * i + 1) * rho, mo, k), 8);
        ks.K[2 * i] = a + b;
        ks.K[2 * i + 1] = common::Rotl(a + 2 * b, 9);
    }
    for (int j = 0; j < 4; ++j)
        for (int x = 0; x < 256; ++x) ks.S[j][x] = T.M[j][HByte(j, static_cast<std::uint8_t>(x), s, k)];

    SecureZero(m, sizeof m);
    SecureZero(me, sizeof me);
    SecureZero(mo, sizeof mo);
    SecureZero(s, sizeof s);
    EndKeying(vector);
}

namespace {

struct G {
    const std::uint32_t (&S)[4][256];
    std::uint32_t operator()(std::uint32_t x) const {
        return S[0][x & 0xFF] ^ S[1][(x >> 8) & 0xFF] ^ S[2][(x >> 16) & 0xFF] ^ S[3][x >> 24];
    }
    // g(ROL(x, 8)) without the rotation.
    std::uint32_t Rotated(std::uint32_t x) const {
        return S[0][x >> 24] ^ S[1][x & 0xFF] ^ S[2][(x >> 8) & 0xFF] ^ S[3][(x >> 16) & 0xFF];
    }
};

} // namespace

void TCipher_Twofish::EncryptBlock(void* block) {
    auto* b = static_cast<std::uint8_t*>(block);
    const Schedule& ks = K();
    const std::uint32_t* k = ks.K;
    const G g{ks.S};
    std::uint32_t r0 = LoadLE32(b) ^ k[0], r1 = LoadLE32(b + 4) ^ k[1];
    std::uint32_t r2 = LoadLE32(b + 8) ^ k[2], r3 = LoadLE32(b + 12) ^ k[3];
    for (int r = 0; r < 16; r += 2) {
        std::uint32_t t0 = g(r0), t1 = g.Rotated(r1);
        r2 = common::Rotr(r2 ^ (t0 + t1 + k[2 * r + 8]), 1);
        r3 = common::Rotl(r3, 1) ^ (t0 + 2 * t1 + k[2 * r + 9]);
        t0 = g(r2);
        t1 = g.Rotated(r3);
        r0 = common::Rotr(r0 ^ (t0 + t1 + k[2 * r + 10]), 1);
        r1 = common::Rotl(r1, 1) ^ (t0 + 2 * t1 + k[2 * r + 11]);
    }
    // The last round's exchange is undone, so the halves come out swapped.
    StoreLE32x4(b, r2 ^ k[4], r3 ^ k[5], r0 ^ k[6], r1 ^ k[7]);
}

void TCipher_Twofish::DecryptBlock(void* block) {
    auto* b = static_cast<std::uint8_t*>(block);
    const Schedule& ks = K();
    const std::uint32_t* k = ks.K;
    const G g{ks.S};
    std::uint32_t r2 = LoadLE32(b) ^ k[4], r3 = LoadLE32(b + 4) ^ k[5];
    std::uint32_t r0 = LoadLE32(b + 8) ^ k[6], r1 = LoadLE32(b + 12) ^ k[7];
    for (int r = 14; r >= 0; r -= 2) {
        std::uint32_t t0 = g(r2), t1 = g.Rotated(r3);
        r0 = common::Rotl(r0, 1) ^ (t0 + t1 + k[2 * r + 10]);
        r1 = common::Rotr(r1 ^ (t0 + 2 * t1 + k[2 * r + 11]), 1);
        t0 = g(r0);
        t1 = g.Rotated(r1);
        r2 = common::Rotl(r2, 1) ^ (t0 + t1 + k[2 * r + 8]);
        r3 = common::Rotr(r3 ^ (t0 + 2 * t1 + k[2 * r + 9]), 1);
    }
    StoreLE32x4(b, r0 ^ k[0], r1 ^ k[1], r2 ^ k[2], r3 ^ k[3]);
}

} // namespace torvane::crypto
