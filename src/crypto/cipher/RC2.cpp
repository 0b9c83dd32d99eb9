#include "crypto/cipher/RC2.h"

#include "crypto/common/Bits.h"
#include "crypto/common/Wipe.h"

#include <cstring>
#include <string>

namespace torvane::crypto {

TORVANE_DEFINE_CIPHER_CLASS(TCipher_RC2, nullptr, 8, 128, 128);

namespace {

// PITABLE, RFC 2268 section 2: a permutation of 0..255 derived from the digits of pi.
constexpr std::uint8_t PiTable[256] = {
    0xd9, 0x78, 0xf9, 0xc4, 0x19, 0xdd, 0xb5, 0xed, 0x28, 0xe9, 0xfd, 0x79, 0x4a, 0xa0, 0xd8, 0x9d,
    0xc6, 0x7e, 0x37, 0x83, 0x2b, 0x76, 0x53, 0x8e, 0x62, 0x4c, 0x64, 0x88, 0x44, 0x8b, 0xfb, 0xa2,
    0x17, 0x9a, 0x59, 0xf5, 0x87, 0xb3, 0x4f, 0x13, 0x61, 0x45, 0x6d, 0x8d, 0x09, 0x81, 0x7d, 0x32,
    0xbd, 0x8f, 0x40, 0xeb, 0x86, 0xb7, 0x7b, 0x0b, 0xf0, 0x95, 0x21, 0x22, 0x5c, 0x6b, 0x4e, 0x82,
    0x54, 0xd6, 0x65, 0x93, 0xce, 0x60, 0xb2, 0x1c, 0x73, 0x56, 0xc0, 0x14, 0xa7, 0x8c, 0xf1, 0xdc,
    0x12, 0x75, 0xca, 0x1f, 0x3b, 0xbe, 0xe4, 0xd1, 0x42, 0x3d, 0xd4, 0x30, 0xa3, 0x3c, 0xb6, 0x26,
    0x6f, 0xbf, 0x0e, 0xda, 0x46, 0x69, 0x07, 0x57, 0x27, 0xf2, 0x1d, 0x9b, 0xbc, 0x94, 0x43, 0x03,
    0xf8, 0x11, 0xc7, 0xf6, 0x90, 0xef, 0x3e, 0xe7, 0x06, 0xc3, 0xd5, 0x2f, 0xc8, 0x66, 0x1e, 0xd7,
    0x08, 0xe8, 0xea, 0xde, 0x80, 0x52, 0xee, 0xf7, 0x84, 0xaa, 0x72, 0xac, 0x35, 0x4d, 0x6a, 0x2a,
    0x96, 0x1a, 0xd2, 0x71, 0x5a, 0x15, 0x49, 0x74, 0x4b, 0x9f, 0xd0, 0x5e, 0x04, 0x18, 0xa4, 0xec,
    0xc2, 0xe0, 0x41, 0x6e, 0x0f, 0x51, 0xcb, 0xcc, 0x24, 0x91, 0xaf, 0x50, 0xa1, 0xf4, 0x70, 0x39,
    0x99, 0x7c, 0x3a, 0x85, 0x23, 0xb8, 0xb4, 0x7a, 0xfc, 0x02, 0x36, 0x5b, 0x25, 0x55, 0x97, 0x31,
    0x2d, 0x5d, 0xfa, 0x98, 0xe3, 0x8a, 0x92, 0xae, 0x05, 0xdf, 0x29, 0x10, 0x67, 0x6c, 0xba, 0xc9,
    0xd3, 0x00, 0xe6, 0xcf, 0xe1, 0x9e, 0xa8, 0x2c, 0x63, 0x16, 0x01, 0x3f, 0x58, 0xe2, 0x89, 0xa9,
    0x0d, 0x38, 0x34, 0x1b, 0xab, 0x33, 0xff, 0xb0, 0xbb, 0x48, 0x0c, 0x5f, 0xb9, 0xb1, 0xcd, 0x2e,
    0xc5, 0xf3, 0xdb, 0x47, 0xe5, 0xa5, 0x9c, 0x77, 0x0a, 0xa6, 0x20, 0x68, 0xfe, 0x7f, 0xc1, 0xad,
};

} // namespace

TCipher_RC2::TCipher_RC2() : TCipher(&ClassInfo), K_(reinterpret_cast<std::uint16_t*>(UserData())) {}

void TCipher_RC2::Init(const void* key, std::int32_t size, const void* vector) {
    BeginKeying(size);
    Expand(key, size, 8 * (size > 0 ? size : 1));
    EndKeying(vector);
}

void TCipher_RC2::InitEffective(const void* key, std::int32_t size, std::int32_t effectiveBits,
                                const void* vector) {
    if (effectiveBits < 1 || effectiveBits > 1024)
        throw ECipherException("RC2 effective key length must be 1 to 1024 bits, not " +
                                   std::to_string(effectiveBits),
                               ECipherException::KeySize);
    BeginKeying(size);
    Expand(key, size, effectiveBits);
    EndKeying(vector);
}

void TCipher_RC2::Expand(const void* key, std::int32_t size, std::int32_t effectiveBits) {
    // RFC 2268 section 2, on the byte view L[0..127] of the key buffer.
    std::uint8_t L[128] = {};
    int T = size;
    if (T > 0)
        std::memcpy(L, key, static_cast<std::size_t>(T));
    else
        T = 1; // the one-byte key 00
    const int T8 = (effectiveBits + 7) / 8;
    const auto TM = static_cast<std::uint8_t>(0xFF >> (8 * T8 - effectiveBits));
    for (int i = T; i < 128; ++i) L[i] = PiTable[static_cast<std::uint8_t>(L[i - 1] + L[i - T])];
    L[128 - T8] = PiTable[L[128 - T8] & TM];
    for (int i = 127 - T8; i >= 0; --i) L[i] = PiTable[L[i + 1] ^ L[i + T8]];
    for (int i = 0; i < 64; ++i) K_[i] = static_cast<std::uint16_t>(L[2 * i] | L[2 * i + 1] << 8);
    SecureZero(L, sizeof(L));
}

void TCipher_RC2::EncryptBlock(void* block) {
    auto* p = static_cast<std::uint8_t*>(block);
    const std::uint16_t* K = K_;
    std::uint16_t R0 = static_cast<std::uint16_t>(p[0] | p[1] << 8),
                  R1 = static_cast<std::uint16_t>(p[2] | p[3] << 8),
                  R2 = static_cast<std::uint16_t>(p[4] | p[5] << 8),
                  R3 = static_cast<std::uint16_t>(p[6] | p[7] << 8);
    // Five mixing rounds, a mashing round, six mixing rounds, a mashing round, five mixing rounds.
    int j = 0;
    auto mix = [&] {
        R0 = common::Rotl(static_cast<std::uint16_t>(R0 + K[j] + (R3 & R2) + (~R3 & R1)), 1);
        R1 = common::Rotl(static_cast<std::uint16_t>(R1 + K[j + 1] + (R0 & R3) + (~R0 & R2)), 2);
        R2 = common::Rotl(static_cast<std::uint16_t>(R2 + K[j + 2] + (R1 & R0) + (~R1 & R3)), 3);
        R3 = common::Rotl(static_cast<std::uint16_t>(R3 + K[j + 3] + (R2 & R1) + (~R2 & R0)), 5);
        j += 4;
    };
    auto mash = [&] {
        R0 = static_cast<std::uint16_t>(R0 + K[R3 & 63]);
        R1 = static_cast<std::uint16_t>(R1 + K[R0 & 63]);
        R2 = static_cast<std::uint16_t>(R2 + K[R1 & 63]);
        R3 = static_cast<std::uint16_t>(R3 + K[R2 & 63]);
    };
    mix(), mix(), mix(), mix(), mix();
    mash();
    mix(), mix(), mix(), mix(), mix(), mix();
    mash();
    mix(), mix(), mix(), mix(), mix();
    const std::uint16_t out[4] = {R0, R1, R2, R3};
    for (int i = 0; i < 4; ++i) {
        p[2 * i] = static_cast<std::uint8_t>(out[i]);
        p[2 * i + 1] = static_cast<std::uint8_t>(out[i] >> 8);
    }
}

void TCipher_RC2::DecryptBlock(void* block) {
    auto* p = static_cast<std::uint8_t*>(block);
    const std::uint16_t* K = K_;
    std::uint16_t R0 = static_cast<std::uint16_t>(p[0] | p[1] << 8),
                  R1 = static_cast<std::uint16_t>(p[2] | p[3] << 8),
                  R2 = static_cast<std::uint16_t>(p[4] | p[5] << 8),
                  R3 = static_cast<std::uint16_t>(p[6] | p[7] << 8);
    int j = 60;
    auto rmix = [&] {
        R3 = static_cast<std::uint16_t>(common::Rotr(R3, 5) - K[j + 3] - (R2 & R1) - (~R2 & R0));
        R2 = static_cast<std::uint16_t>(common::Rotr(R2, 3) - K[j + 2] - (R1 & R0) - (~R1 & R3));
        R1 = static_cast<std::uint16_t>(common::Rotr(R1, 2) - K[j + 1] - (R0 & R3) - (~R0 & R2));
        R0 = static_cast<std::uint16_t>(common::Rotr(R0, 1) - K[j] - (R3 & R2) - (~R3 & R1));
        j -= 4;
    };
    auto rmash = [&] {
        R3 = static_cast<std::uint16_t>(R3 - K[R2 & 63]);
        R2 = static_cast<std::uint16_t>(R2 - K[R1 & 63]);
        R1 = static_cast<std::uint16_t>(R1 - K[R0 & 63]);
        R0 = static_cast<std::uint16_t>(R0 - K[R3 & 63]);
    };
    rmix(), rmix(), rmix(), rmix(), rmix();
    rmash();
    rmix(), rmix(), rmix(), rmix(), rmix(), rmix();
    rmash();
    rmix(), rmix(), rmix(), rmix(), rmix();
    const std::uint16_t out[4] = {R0, R1, R2, R3};
    for (int i = 0; i < 4; ++i) {
        p[2 * i] = static_cast<std::uint8_t>(out[i]);
        p[2 * i + 1] = static_cast<std::uint8_t>(out[i] >> 8);
    }
}

} // namespace torvane::crypto
