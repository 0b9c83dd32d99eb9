#pragma once
// MISTY1 (M. Matsui, "New Block Encryption Algorithm MISTY", Fast Software Encryption 1997; RFC 2994):
// eight rounds of nested Feistel functions FO/FI with FL layers, 64-bit block, 128-bit key.
//
// Keys shorter than 16 bytes are padded with zero bytes. S7 and S9 are derived at compile time from the
// Boolean equations of Matsui's paper (section 4.2); the S-box look-ups are indexed by key-dependent
// values: not cache-timing safe.

#include "crypto/cipher/Cipher.h"

#include <array>

namespace torvane::crypto {

class TCipher_Misty final : public TCipher {
    TORVANE_CIPHER_CLASS()
public:
    TCipher_Misty() : TCipher(&ClassInfo) {}

    void Init(const void* key, std::int32_t size, const void* vector) override;
    void EncryptBlock(void* block) override;
    void DecryptBlock(void* block) override;

    static const std::array<std::uint8_t, 128>& S7();
    static const std::array<std::uint16_t, 512>& S9();

private:
    struct Schedule;
    Schedule& K();
};

} // namespace torvane::crypto
