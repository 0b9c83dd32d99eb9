#pragma once
// TCipher_Q128: the library's 128-bit block / 128-bit key slot named Q128.
//
// No published definition of a cipher named Q128 could be found (the NESSIE candidate "Q" of 2000 is a
// different, later cipher with other key sizes and a known linear weakness). So that the slot holds a
// sound, well-analysed and checkable cipher, this class is Speck128/128 (R. Beaulieu et al., "The SIMON
// and SPECK Families of Lightweight Block Ciphers", IACR ePrint 2013/404): 32 ARX rounds on two 64-bit
// words, with the key schedule of that paper. Byte order is the one of the designers' implementation
// guide: bytes 0-7 hold y and bytes 8-15 hold x, both little-endian; key bytes 0-7 are k0, 8-15 are l0.
//
// Additions, rotations and XORs only: constant time.

#include "crypto/cipher/Cipher.h"

namespace torvane::crypto {

// Keys shorter than 16 bytes are padded with zero bytes.
class TCipher_Q128 final : public TCipher {
    TORVANE_CIPHER_CLASS();

public:
    TCipher_Q128() : TCipher(&ClassInfo) {}

    void Init(const void* key, std::int32_t size, const void* vector) override;
    void EncryptBlock(void* block) override;
    void DecryptBlock(void* block) override;
};

} // namespace torvane::crypto
