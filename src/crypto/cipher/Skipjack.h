#pragma once
// Skipjack (NSA; the NIST document on the SKIPJACK and KEA algorithms, version 2.0, 29 May 1998): a 64-bit
// block of four 16-bit words, an 80-bit cryptovariable, 32 steps of the stepping rules A and B.
// Not cache-timing safe: the G-permutation looks up key-dependent tables indexed by data.

#include "crypto/cipher/Cipher.h"

namespace torvane::crypto {

class TCipher_Skipjack final : public TCipher {
    TORVANE_CIPHER_CLASS()
public:
    TCipher_Skipjack();
    // Keys shorter than 10 bytes are padded with zero bytes to 80 bits.
    void Init(const void* key, std::int32_t size, const void* vector) override;
    void EncryptBlock(void* block) override;
    void DecryptBlock(void* block) override;

private:
    // Ft[i][x] = F[x XOR cv[i]]: the F-table with key byte i folded in, one table per key byte. These are
    // key-dependent look-ups.
    std::uint8_t (*Ft_)[256];
};

} // namespace torvane::crypto
