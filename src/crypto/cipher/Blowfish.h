#pragma once
// Blowfish (B. Schneier, "Description of a New Variable-Length Key, 64-Bit Block Cipher (Blowfish)", Fast
// Software Encryption 1993): 16 Feistel rounds, key-dependent S-boxes, keys of 1 to 56 bytes.

#include "crypto/cipher/Cipher.h"

#include <array>
#include <cstdint>

namespace torvane::crypto {

class TCipher_Blowfish final : public TCipher {
    TORVANE_CIPHER_CLASS()
public:
    TCipher_Blowfish() : TCipher(&ClassInfo) {}

    // Keys shorter than 56 bytes are used cyclically, as Schneier defines; an empty key counts as one zero
    // byte. The S-boxes are key-dependent: table look-ups are not cache-timing safe.
    void Init(const void* key, std::int32_t size, const void* vector) override;
    void EncryptBlock(void* block) override;
    void DecryptBlock(void* block) override;

    // The hexadecimal digits of pi's fraction as 32-bit words (18 for the P-array, then 4 x 256 for the
    // S-boxes), computed once on first use.
    static const std::array<std::uint32_t, 18 + 4 * 256>& PiWords();

private:
    struct Schedule;
    Schedule& K();
};

} // namespace torvane::crypto
