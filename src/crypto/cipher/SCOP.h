#pragma once
// TCipher_SCOP: the library's stream cipher slot of 48-byte keys, coded in 128-byte blocks.
//
// SCOP itself (S. V. Maltchev, P. T. Antonov, "The SCOP Stream Cipher", sci.crypt.research, December
// 1997) was not available to us beyond its abstract, so this class does not claim SCOP's output. It
// generates its key stream with ChaCha20 (D. J. Bernstein 2008; RFC 8439), a well-analysed stream
// cipher whose state fits the slot exactly: the 48 key bytes (zero-padded) fill state words 4 to 15,
// that is the 256-bit key, a 64-bit block counter (words 12-13) and a 64-bit nonce (words 14-15).
// Each 128-byte block is XORed with the next two ChaCha20 blocks, so encryption and decryption are the
// same operation; the keyed state is kept and Rewind returns to it.
//
// Additions, rotations and XORs only: constant time.

#include "crypto/cipher/Cipher.h"

namespace torvane::crypto {

class TCipher_SCOP final : public TCipher {
    TORVANE_CIPHER_CLASS();

public:
    TCipher_SCOP() : TCipher(&ClassInfo) {}

    void Init(const void* key, std::int32_t size, const void* vector) override;
    void EncryptBlock(void* block) override;
    void DecryptBlock(void* block) override { EncryptBlock(block); }
    void Rewind() override;
};

} // namespace torvane::crypto
