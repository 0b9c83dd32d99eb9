#pragma once
// TEA (D. Wheeler, R. Needham, "TEA, a Tiny Encryption Algorithm", Fast Software Encryption 1994) and its
// extended variant XTEA (R. Needham, D. Wheeler, "Tea extensions", 1997), both with 32 cycles.
//
// Byte order: the block is read as two big-endian 32-bit words (v0 from bytes 0-3) and the key as four
// big-endian words (k0 from bytes 0-3), the convention of the published vectors in tea.vec. Keys shorter
// than 16 bytes are padded with zero bytes. Neither cipher uses table look-ups.

#include "crypto/cipher/Cipher.h"

namespace torvane::crypto {

class TCipher_TEA : public TCipher {
    TORVANE_CIPHER_CLASS()
public:
    TCipher_TEA() : TCipher(&ClassInfo) {}

    void Init(const void* key, std::int32_t size, const void* vector) override;
    void EncryptBlock(void* block) override;
    void DecryptBlock(void* block) override;

protected:
    explicit TCipher_TEA(TCipherClass cls) : TCipher(cls) {}
    const std::uint32_t* KeyWords() { return reinterpret_cast<const std::uint32_t*>(UserData()); }
};

class TCipher_TEAN final : public TCipher_TEA {
    TORVANE_CIPHER_CLASS()
public:
    TCipher_TEAN() : TCipher_TEA(&ClassInfo) {}

    void EncryptBlock(void* block) override;
    void DecryptBlock(void* block) override;
};

} // namespace torvane::crypto
