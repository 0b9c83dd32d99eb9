#pragma once
// The two 16-bit CRCs of the library. Neither has a final step; the digest is the register, low byte
// first.

#include "crypto/hash/XORChecksum.h"

namespace torvane::crypto {

// Register FFFF at Start; each byte b: register := ((register * 256 + b) mod 65536) XOR T[register div
// 256], T the non-reflected table of the polynomial 1021. The byte enters at the low end of the register,
// so this is not CRC-16/CCITT-FALSE: "123456789" gives A69D.
class THash_CRC16_CCITT : public THash_XOR16 {
    TORVANE_HASH_CLASS()
public:
    void Start() override;
    void Update(const void* data, std::int64_t length) override;
};

// Register 0 at Start; each byte b: register := (register div 256) XOR T[(register XOR b) mod 256], T the
// reflected table of the polynomial 8005. "123456789" gives BB3D.
class Thash_CRC16_Standard : public THash_XOR16 {
    TORVANE_HASH_CLASS()
public:
    void Update(const void* data, std::int64_t length) override;
};

} // namespace torvane::crypto
