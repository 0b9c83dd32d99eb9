#pragma once
// IDEA (X. Lai, J. Massey, "A Proposal for a New Block Encryption Standard", EUROCRYPT '90, and
// Lai's thesis "On the Design and Security of Block Ciphers", 1992): eight rounds of the Lai-Massey
// structure over 16-bit words and an output transformation, 128-bit key.
//
// Words are big-endian; keys shorter than 16 bytes are padded with zero bytes. Multiplication modulo
// 2^16 + 1 is computed without branches or tables, so the cipher is free of key-dependent look-ups.

#include "crypto/cipher/Cipher.h"

namespace torvane::crypto {

class TCipher_IDEA final : public TCipher {
    TORVANE_CIPHER_CLASS()
public:
    TCipher_IDEA() : TCipher(&ClassInfo) {}

    void Init(const void* key, std::int32_t size, const void* vector) override;
    void EncryptBlock(void* block) override;
    void DecryptBlock(void* block) override;

private:
    struct Schedule;
    Schedule& K();
};

} // namespace torvane::crypto
