#pragma once
// GOST 28147-89 (RFC 5830): a 32-round Feistel cipher on two 32-bit halves with a 256-bit key. The
// standard leaves the eight 4-bit substitution boxes to the user; this class uses the "test parameters"
// of GOST R 34.11-94 (RFC 4357, id-GostR3411-94-TestParamSet), the set other libraries use, so that
// their results can confirm ours. Halves and key words are little-endian.
//
// The substitution is done through four 8-bit tables indexed by data and key material: not cache-timing
// safe.

#include "crypto/cipher/Cipher.h"

namespace torvane::crypto {

// Keys shorter than 32 bytes are padded with zero bytes.
class TCipher_Gost final : public TCipher {
    TORVANE_CIPHER_CLASS();

public:
    TCipher_Gost() : TCipher(&ClassInfo) {}

    void Init(const void* key, std::int32_t size, const void* vector) override;
    void EncryptBlock(void* block) override;
    void DecryptBlock(void* block) override;
};

} // namespace torvane::crypto
