#pragma once
// Rijndael as standardised in FIPS 197 (AES): 128-bit block, 128-, 192- or 256-bit keys, 10, 12 or 14
// rounds.
//
// Keys of other lengths are padded with zero bytes to the next of 16, 24 or 32 bytes (an empty key becomes
// sixteen zero bytes). The implementation uses 32-bit round tables indexed by key-dependent bytes, so it is
// not cache-timing safe.

#include "crypto/cipher/Cipher.h"

namespace torvane::crypto {

class TCipher_Rijndael final : public TCipher {
    TORVANE_CIPHER_CLASS()
public:
    TCipher_Rijndael() : TCipher(&ClassInfo) {}

    void Init(const void* key, std::int32_t size, const void* vector) override;
    void EncryptBlock(void* block) override;
    void DecryptBlock(void* block) override;

    // 10, 12 or 14, by the length of the key last set.
    int Rounds();

private:
    struct Schedule;
    Schedule& K();
};

} // namespace torvane::crypto
