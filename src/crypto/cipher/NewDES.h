#pragma once
// NewDES (R. Scott, "Wide-Open Encryption Design Offers Flexible Implementations", Cryptologia 9(1),
// January 1985; B. Schneier, Applied Cryptography, 2nd ed., section 13.2): eight double rounds and a
// final half round on the eight bytes of the block, each step XORing a byte with the image of another
// byte XOR a key byte under one fixed 256-byte substitution derived from the Declaration of
// Independence. The 15-byte key is used four times over (the 1985 schedule as published in Cryptologia;
// the 1996 revision of the schedule was not published in a citable form with examples).
//
// The substitution is indexed by data XOR key bytes: not cache-timing safe.

#include "crypto/cipher/Cipher.h"

namespace torvane::crypto {

// Keys shorter than 15 bytes are padded with zero bytes.
class TCipher_NewDES final : public TCipher {
    TORVANE_CIPHER_CLASS();

public:
    TCipher_NewDES() : TCipher(&ClassInfo) {}

    void Init(const void* key, std::int32_t size, const void* vector) override;
    void EncryptBlock(void* block) override;
    void DecryptBlock(void* block) override;
};

} // namespace torvane::crypto
