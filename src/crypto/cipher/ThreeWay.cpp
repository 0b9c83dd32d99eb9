#include "crypto/cipher/ThreeWay.h"

#include "crypto/common/Bits.h"
#include "crypto/common/Wipe.h"

#include <array>
#include <bit>
#include <cstring>

namespace torvane::crypto {

// UserData: the encryption key (3 words), the decryption key theta(mu(k)) (3 words).
TORVANE_DEFINE_CIPHER_CLASS(TCipher_3Way, nullptr, 12, 12, 24);

namespace {

using common::LoadBE32;
using common::Rotl;
using common::StoreBE32;

constexpr int kRounds = 11;

// Round constants: a 16-bit shift register with feedback 0x11011, started at 0x0B0B for encryption and
// 0xB1B1 for decryption (Daemen's reference listing).
constexpr std::array<std::uint32_t, kRounds + 1> RoundConstants(std::uint32_t start) {
    std::array<std::uint32_t, kRounds + 1> r{};
    for (auto& c : r) {
        c = start;
        start <<= 1;
        if (start & 0x10000) start ^= 0x11011;
    }
    return r;
}

constexpr auto kEncRc = RoundConstants(0x0B0B);
constexpr auto kDecRc = RoundConstants(0xB1B1);

inline std::uint32_t Reverse(std::uint32_t x) {
    x = (x & 0x55555555u) << 1 | (x >> 1 & 0x55555555u);
    x = (x & 0x33333333u) << 2 | (x >> 2 & 0x33333333u);
    x = (x & 0x0F0F0F0Fu) << 4 | (x >> 4 & 0x0F0F0F0Fu);
    return __builtin_bswap32(x);
}

// mu: the 96-bit state read backwards.
inline void Mu(std::uint32_t* a) {
    const std::uint32_t t = Reverse(a[0]);
    a[1] = Reverse(a[1]);
    a[0] = Reverse(a[2]);
    a[2] = t;
}

inline void Gamma(std::uint32_t* a) {
    const std::uint32_t b0 = a[0] ^ (a[1] | ~a[2]);
    const std::uint32_t b1 = a[1] ^ (a[2] | ~a[0]);
    const std::uint32_t b2 = a[2] ^ (a[0] | ~a[1]);
    a[0] = b0, a[1] = b1, a[2] = b2;
}

// theta of the reference listing XORs thirteen shifted words into each word. The six shifts by 16 of
// the three words add up to the 16-bit rotation of a0 ^ a1 ^ a2, common to all three outputs, and a
// left and a right shift by 24 / 8 of the same word form a rotation, which leaves seven terms a word.
inline void Theta(std::uint32_t* a) {
    const std::uint32_t a0 = a[0], a1 = a[1], a2 = a[2];
    const std::uint32_t c = Rotl(a0 ^ a1 ^ a2, 16);
    a[0] = a0 ^ c ^ Rotl(a2, 8) ^ (a2 >> 8) ^ (a1 >> 24) ^ (a0 << 24) ^ (a0 << 8);
    a[1] = a1 ^ c ^ Rotl(a0, 8) ^ (a0 >> 8) ^ (a2 >> 24) ^ (a1 << 24) ^ (a1 << 8);
    a[2] = a2 ^ c ^ Rotl(a1, 8) ^ (a1 >> 8) ^ (a0 >> 24) ^ (a2 << 24) ^ (a2 << 8);
}

inline void Rho(std::uint32_t* a) {
    Theta(a);
    a[0] = Rotl(a[0], 22), a[2] = Rotl(a[2], 1); // pi_1
    Gamma(a);
    a[0] = Rotl(a[0], 1), a[2] = Rotl(a[2], 22); // pi_2
}

inline void Load(const std::uint8_t* p, std::uint32_t* a) {
    a[0] = LoadBE32(p), a[1] = LoadBE32(p + 4), a[2] = LoadBE32(p + 8);
}

inline void Store(std::uint8_t* p, const std::uint32_t* a) {
    StoreBE32(p, a[0]), StoreBE32(p + 4, a[1]), StoreBE32(p + 8, a[2]);
}

// The same rounds serve both directions; only the key and the round constants differ. State and key
// are copied into locals so that the compiler can keep them in registers (a and k could alias).
inline void Rounds(std::uint32_t* state, const std::uint32_t* key,
                   const std::array<std::uint32_t, kRounds + 1>& rc) {
    std::uint32_t a[3] = {state[0], state[1], state[2]};
    const std::uint32_t k0 = key[0], k1 = key[1], k2 = key[2];
#pragma GCC unroll 11
    for (int i = 0; i < kRounds; ++i) {
        a[0] ^= k0 ^ (rc[static_cast<std::size_t>(i)] << 16);
        a[1] ^= k1;
        a[2] ^= k2 ^ rc[static_cast<std::size_t>(i)];
        Rho(a);
    }
    a[0] ^= k0 ^ (rc[kRounds] << 16);
    a[1] ^= k1;
    a[2] ^= k2 ^ rc[kRounds];
    Theta(a);
    state[0] = a[0], state[1] = a[1], state[2] = a[2];
}

} // namespace

void TCipher_3Way::Init(const void* key, std::int32_t size, const void* vector) {
    BeginKeying(size);
    std::uint8_t k[12] = {};
    if (size > 0) std::memcpy(k, key, static_cast<std::size_t>(size));
    auto* w = reinterpret_cast<std::uint32_t*>(UserData());
    Load(k, w);
    w[3] = w[0], w[4] = w[1], w[5] = w[2];
    Theta(w + 3);
    Mu(w + 3);
    SecureZero(k, sizeof k);
    EndKeying(vector);
}

void TCipher_3Way::EncryptBlock(void* block) {
    auto* p = static_cast<std::uint8_t*>(block);
    std::uint32_t a[3];
    Load(p, a);
    Rounds(a, reinterpret_cast<const std::uint32_t*>(UserData()), kEncRc);
    Store(p, a);
}

void TCipher_3Way::DecryptBlock(void* block) {
    auto* p = static_cast<std::uint8_t*>(block);
    std::uint32_t a[3];
    Load(p, a);
    Mu(a);
    Rounds(a, reinterpret_cast<const std::uint32_t*>(UserData()) + 3, kDecRc);
    Mu(a);
    Store(p, a);
}

} // namespace torvane::crypto
