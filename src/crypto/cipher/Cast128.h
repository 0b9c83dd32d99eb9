#pragma once
// CAST-128 (C. Adams, RFC 2144 "The CAST-128 Encryption Algorithm", 1997): a Feistel cipher with three
// kinds of round function over fixed 8x32 S-boxes, 64-bit block, keys of up to 128 bits.
//
// Keys shorter than 16 bytes are padded with zero bytes on the right, and keys of up to 10 bytes (80 bits)
// run 12 rounds instead of 16 (RFC 2144, section 2.5); an empty key therefore runs 12 rounds on sixteen
// zero bytes. The S-box look-ups are indexed by key-dependent values: not cache-timing safe.

#include "crypto/cipher/Cipher.h"

namespace torvane::crypto {

class TCipher_Cast128 final : public TCipher {
    TORVANE_CIPHER_CLASS()
public:
    TCipher_Cast128() : TCipher(&ClassInfo) {}

    void Init(const void* key, std::int32_t size, const void* vector) override;
    void EncryptBlock(void* block) override;
    void DecryptBlock(void* block) override;

    // 12 or 16, by the length of the key last set.
    int Rounds();

private:
    struct Schedule;
    Schedule& K();
};

} // namespace torvane::crypto
