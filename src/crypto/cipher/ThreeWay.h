#pragma once
// 3-Way (J. Daemen, R. Govaerts, J. Vandewalle, "A New Approach to Block Cipher Design", FSE 1993, and
// Daemen's thesis, 1995): 11 rounds on three 32-bit words, each round a key addition with a round
// constant, the linear mixing theta, the bit permutations pi_1 / pi_2 and the nonlinear gamma. The 12-byte
// block holds the words a0 a1 a2 in this order, each big-endian; Daemen's listings print them a2 a1 a0.
//
// No table look-ups: constant time.

#include "crypto/cipher/Cipher.h"

namespace torvane::crypto {

// Keys shorter than 12 bytes are padded with zero bytes.
class TCipher_3Way final : public TCipher {
    TORVANE_CIPHER_CLASS();

public:
    TCipher_3Way() : TCipher(&ClassInfo) {}

    void Init(const void* key, std::int32_t size, const void* vector) override;
    void EncryptBlock(void* block) override;
    void DecryptBlock(void* block) override;
};

} // namespace torvane::crypto
