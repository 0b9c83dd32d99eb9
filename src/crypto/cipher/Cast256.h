#pragma once
// CAST-256 (Adams, Gilchrist; RFC 2612): a 128-bit block, keys of up to 256 bits, 12 quad-rounds on the
// four 8x32 S-boxes of CAST-128.
// Not cache-timing safe: the S-box look-ups are indexed by key-mixed data.

#include "crypto/cipher/Cipher.h"

namespace torvane::crypto {

class TCipher_Cast256 final : public TCipher {
    TORVANE_CIPHER_CLASS()
public:
    TCipher_Cast256();
    // RFC 2612 pads every key to 256 bits with zero bits; keys of any byte length up to 32, the empty key
    // included, are padded the same way.
    void Init(const void* key, std::int32_t size, const void* vector) override;
    void EncryptBlock(void* block) override;
    void DecryptBlock(void* block) override;

private:
    std::uint32_t* Km_; // 48 masking keys (12 quad-rounds of 4), in UserData
    std::uint32_t* Kr_; // 48 rotation keys, each 0..31, behind them
};

} // namespace torvane::crypto
