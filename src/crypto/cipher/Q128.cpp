#include "crypto/cipher/Q128.h"

#include "crypto/common/Bits.h"
#include "crypto/common/Wipe.h"

#include <cstring>

namespace torvane::crypto {

namespace {

using common::LoadLE64;
using common::Rotl;
using common::Rotr;
using common::StoreLE64;

constexpr int kRounds = 32;

} // namespace

// UserData: the 32 round keys.
TORVANE_DEFINE_CIPHER_CLASS(TCipher_Q128, nullptr, 16, 16, 8 * kRounds);

void TCipher_Q128::Init(const void* key, std::int32_t size, const void* vector) {
    BeginKeying(size);
    std::uint8_t k[16] = {};
    if (size > 0) std::memcpy(k, key, static_cast<std::size_t>(size));
    auto* rk = reinterpret_cast<std::uint64_t*>(UserData());
    // The key schedule reuses the round function with the round index as key (ePrint 2013/404, 4.2).
    std::uint64_t a = LoadLE64(k), b = LoadLE64(k + 8);
    for (int i = 0; i < kRounds; ++i) {
        rk[i] = a;
        b = (Rotr(b, 8) + a) ^ static_cast<std::uint64_t>(i);
        a = Rotl(a, 3) ^ b;
    }
    SecureZero(k, sizeof k);
    SecureZero(&a, sizeof a);
    SecureZero(&b, sizeof b);
    EndKeying(vector);
}

void TCipher_Q128::EncryptBlock(void* block) {
    auto* p = static_cast<std::uint8_t*>(block);
    const auto* rk = reinterpret_cast<const std::uint64_t*>(UserData());
    std::uint64_t y = LoadLE64(p), x = LoadLE64(p + 8);
    for (int i = 0; i < kRounds; ++i) {
        x = (Rotr(x, 8) + y) ^ rk[i];
        y = Rotl(y, 3) ^ x;
    }
    StoreLE64(p, y);
    StoreLE64(p + 8, x);
}

void TCipher_Q128::DecryptBlock(void* block) {
    auto* p = static_cast<std::uint8_t*>(block);
    const auto* rk = reinterpret_cast<const std::uint64_t*>(UserData());
    std::uint64_t y = LoadLE64(p), x = LoadLE64(p + 8);
    for (int i = kRounds - 1; i >= 0; --i) {
        y = Rotr(y ^ x, 3);
        x = Rotl((x ^ rk[i]) - y, 8);
    }
    StoreLE64(p, y);
    StoreLE64(p + 8, x);
}

} // namespace torvane::crypto
