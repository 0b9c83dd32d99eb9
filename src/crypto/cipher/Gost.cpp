#include "crypto/cipher/Gost.h"

#include "crypto/common/Bits.h"
#include "crypto/common/Wipe.h"

#include <array>
#include <cstring>

namespace torvane::crypto {

TORVANE_DEFINE_CIPHER_CLASS(TCipher_Gost, nullptr, 8, 32, 32);

namespace {

using common::LoadLE32;
using common::StoreLE32;

// RFC 4357 section 11.2, id-GostR3411-94-TestParamSet: K1 substitutes the lowest four bits.
constexpr std::uint8_t kSBox[8][16] = {
    {4, 10, 9, 2, 13, 8, 0, 14, 6, 11, 1, 12, 7, 15, 5, 3},
    {14, 11, 4, 12, 6, 13, 15, 10, 2, 3, 8, 1, 0, 7, 5, 9},
    {5, 8, 1, 13, 10, 3, 4, 2, 14, 15, 12, 7, 6, 0, 9, 11},
    {7, 13, 10, 1, 0, 8, 9, 15, 14, 4, 6, 12, 11, 2, 5, 3},
    {6, 12, 7, 1, 5, 15, 13, 8, 4, 10, 9, 14, 0, 3, 11, 2},
    {4, 11, 10, 0, 7, 2, 1, 13, 3, 6, 8, 5, 9, 12, 15, 14},
    {13, 11, 4, 1, 3, 15, 5, 9, 0, 10, 14, 7, 6, 8, 2, 12},
    {1, 15, 13, 0, 5, 7, 10, 4, 9, 2, 3, 14, 6, 11, 8, 12},
};

// Byte i of the sum goes through S-boxes 2i and 2i+1; the tables already hold the result rotated left
// by 11, so that one round is four look-ups and three XORs.
using Table = std::array<std::array<std::uint32_t, 256>, 4>;

constexpr Table MakeTable() {
    Table t{};
    for (int i = 0; i < 4; ++i)
        for (unsigned x = 0; x < 256; ++x) {
            const std::uint32_t v =
                (static_cast<std::uint32_t>(kSBox[2 * i + 1][x >> 4]) << 4 | kSBox[2 * i][x & 15]) << (8 * i);
            t[i][x] = v << 11 | v >> 21;
        }
    return t;
}

constexpr Table kT = MakeTable();

inline std::uint32_t F(std::uint32_t x) {
    return kT[0][x & 0xFF] ^ kT[1][(x >> 8) & 0xFF] ^ kT[2][(x >> 16) & 0xFF] ^ kT[3][x >> 24];
}

} // namespace

void TCipher_Gost::Init(const void* key, std::int32_t size, const void* vector) {
    BeginKeying(size);
    std::uint8_t k[32] = {};
    if (size > 0) std::memcpy(k, key, static_cast<std::size_t>(size));
    auto* w = reinterpret_cast<std::uint32_t*>(UserData());
    for (int i = 0; i < 8; ++i) w[i] = LoadLE32(k + 4 * i);
    SecureZero(k, sizeof k);
    EndKeying(vector);
}

// Two rounds: the halves trade places implicitly by alternating which one is updated.
#define GOST_2ROUNDS(a, b)                                                                                   \
    n2 ^= F(n1 + k[a]);                                                                                      \
    n1 ^= F(n2 + k[b])

void TCipher_Gost::EncryptBlock(void* block) {
    auto* p = static_cast<std::uint8_t*>(block);
    const auto* k = reinterpret_cast<const std::uint32_t*>(UserData());
    std::uint32_t n1 = LoadLE32(p), n2 = LoadLE32(p + 4);
    // Key words K0..K7 three times, then K7..K0 (RFC 5830 section 6.1).
    for (int i = 0; i < 3; ++i) {
        GOST_2ROUNDS(0, 1);
        GOST_2ROUNDS(2, 3);
        GOST_2ROUNDS(4, 5);
        GOST_2ROUNDS(6, 7);
    }
    GOST_2ROUNDS(7, 6);
    GOST_2ROUNDS(5, 4);
    GOST_2ROUNDS(3, 2);
    GOST_2ROUNDS(1, 0);
    // The 32nd round does not swap the halves.
    StoreLE32(p, n2);
    StoreLE32(p + 4, n1);
}

void TCipher_Gost::DecryptBlock(void* block) {
    auto* p = static_cast<std::uint8_t*>(block);
    const auto* k = reinterpret_cast<const std::uint32_t*>(UserData());
    std::uint32_t n1 = LoadLE32(p), n2 = LoadLE32(p + 4);
    GOST_2ROUNDS(0, 1);
    GOST_2ROUNDS(2, 3);
    GOST_2ROUNDS(4, 5);
    GOST_2ROUNDS(6, 7);
    for (int i = 0; i < 3; ++i) {
        GOST_2ROUNDS(7, 6);
        GOST_2ROUNDS(5, 4);
        GOST_2ROUNDS(3, 2);
        GOST_2ROUNDS(1, 0);
    }
    StoreLE32(p, n2);
    StoreLE32(p + 4, n1);
}

#undef GOST_2ROUNDS

} // namespace torvane::crypto
