#include "crypto/cipher/TEA.h"

#include "crypto/common/Bits.h"
#include "crypto/common/Wipe.h"

#include <cstring>

namespace torvane::crypto {

using namespace common;

TORVANE_DEFINE_CIPHER_CLASS(TCipher_TEA, nullptr, 8, 16, 16);
TORVANE_DEFINE_CIPHER_CLASS(TCipher_TEAN, &TCipher_TEA::ClassInfo, 8, 16, 16);

namespace {
constexpr std::uint32_t Delta = 0x9E3779B9; // (sqrt(5) - 1) * 2^31, from the TEA paper
constexpr int Cycles = 32;
} // namespace

void TCipher_TEA::Init(const void* key, std::int32_t size, const void* vector) {
    BeginKeying(size);
    std::uint8_t padded[16] = {};
    if (size > 0) std::memcpy(padded, key, static_cast<std::size_t>(size));
    auto* k = reinterpret_cast<std::uint32_t*>(UserData());
    for (int i = 0; i < 4; ++i) k[i] = LoadBE32(padded + 4 * i);
    SecureZero(padded, sizeof padded);
    EndKeying(vector);
}

void TCipher_TEA::EncryptBlock(void* block) {
    auto* b = static_cast<std::uint8_t*>(block);
    const std::uint32_t* k = KeyWords();
    const std::uint32_t k0 = k[0], k1 = k[1], k2 = k[2], k3 = k[3];
    std::uint32_t v0 = LoadBE32(b), v1 = LoadBE32(b + 4), sum = 0;
    for (int i = 0; i < Cycles; ++i) {
        sum += Delta;
        v0 += ((v1 << 4) + k0) ^ (v1 + sum) ^ ((v1 >> 5) + k1);
        v1 += ((v0 << 4) + k2) ^ (v0 + sum) ^ ((v0 >> 5) + k3);
    }
    StoreBE32x2(b, v0, v1);
}

void TCipher_TEA::DecryptBlock(void* block) {
    auto* b = static_cast<std::uint8_t*>(block);
    const std::uint32_t* k = KeyWords();
    const std::uint32_t k0 = k[0], k1 = k[1], k2 = k[2], k3 = k[3];
    std::uint32_t v0 = LoadBE32(b), v1 = LoadBE32(b + 4), sum = Delta * Cycles;
    for (int i = 0; i < Cycles; ++i) {
        v1 -= ((v0 << 4) + k2) ^ (v0 + sum) ^ ((v0 >> 5) + k3);
        v0 -= ((v1 << 4) + k0) ^ (v1 + sum) ^ ((v1 >> 5) + k1);
        sum -= Delta;
    }
    StoreBE32x2(b, v0, v1);
}

void TCipher_TEAN::EncryptBlock(void* block) {
    auto* b = static_cast<std::uint8_t*>(block);
    const std::uint32_t* k = KeyWords();
    std::uint32_t v0 = LoadBE32(b), v1 = LoadBE32(b + 4), sum = 0;
    for (int i = 0; i < Cycles; ++i) {
        v0 += (((v1 << 4) ^ (v1 >> 5)) + v1) ^ (sum + k[sum & 3]);
        sum += Delta;
        v1 += (((v0 << 4) ^ (v0 >> 5)) + v0) ^ (sum + k[(sum >> 11) & 3]);
    }
    StoreBE32x2(b, v0, v1);
}

void TCipher_TEAN::DecryptBlock(void* block) {
    auto* b = static_cast<std::uint8_t*>(block);
    const std::uint32_t* k = KeyWords();
    std::uint32_t v0 = LoadBE32(b), v1 = LoadBE32(b + 4), sum = Delta * Cycles;
    for (int i = 0; i < Cycles; ++i) {
        v1 -= (((v0 << 4) ^ (v0 >> 5)) + v0) ^ (sum + k[(sum >> 11) & 3]);
        sum -= Delta;
        v0 -= (((v1 << 4) ^ (v1 >> 5)) + v1) ^ (sum + k[sum & 3]);
    }
    StoreBE32x2(b, v0, v1);
}

} // namespace torvane::crypto
