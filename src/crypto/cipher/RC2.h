#pragma once
// RC2 (Rivest; RFC 2268): a 64-bit block of four 16-bit words, 1..128 key bytes, and an "effective key
// length" T1 that caps the strength of the expanded key. This class uses T1 = 8 * key length (the whole
// key counts; a 128-byte key gives T1 = 1024), the convention of most RC2 users.
// Not cache-timing safe: the mashing rounds index the key table by data (K[R & 63]).

#include "crypto/cipher/Cipher.h"

namespace torvane::crypto {

class TCipher_RC2 final : public TCipher {
    TORVANE_CIPHER_CLASS()
public:
    TCipher_RC2();
    // Keys with T1 = 8 * key length. An empty key is the one-byte key 00 (RFC 2268 needs T >= 1).
    void Init(const void* key, std::int32_t size, const void* vector) override;
    // Keys with another effective key length, 1..1024 bits (RFC 2268's T1); anything else throws
    // ECipherException code 2. Published vectors use T1 values other than 8 * key length.
    void InitEffective(const void* key, std::int32_t size, std::int32_t effectiveBits, const void* vector);
    void EncryptBlock(void* block) override;
    void DecryptBlock(void* block) override;

private:
    void Expand(const void* key, std::int32_t size, std::int32_t effectiveBits);
    std::uint16_t* K_; // K[0..63], in UserData
};

} // namespace torvane::crypto
