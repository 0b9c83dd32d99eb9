#pragma once
// THash_XOR16 and THash_XOR32: rotate-and-XOR checksums, and the bases of the CRC classes.

#include "crypto/hash/Hash.h"

namespace torvane::crypto {

// A 16-bit register: for each byte, rotate left by 5, then XOR the byte into the low 8 bits.
class THash_XOR16 : public THash {
    TORVANE_HASH_CLASS()
public:
    ~THash_XOR16() override;
    void Start() override;
    void Update(const void* data, std::int64_t length) override;
    void Finish() override;
    std::uint8_t* DigestBytes() override { return digest_; }

protected:
    std::uint16_t CRC = 0; // the register
    std::uint8_t digest_[2] = {};
};

// A 32-bit register over 16-bit words (low byte first): for each word, rotate left by 5, then XOR the
// word into the low 16 bits. Input of odd length ends with a word whose high byte is 0. A byte left over
// by an Update of odd length waits for the next Update, so the result does not depend on how the input is
// split.
class THash_XOR32 : public THash {
    TORVANE_HASH_CLASS()
public:
    ~THash_XOR32() override;
    void Start() override;
    void Update(const void* data, std::int64_t length) override;
    void Finish() override;
    std::uint8_t* DigestBytes() override { return digest_; }

protected:
    std::uint32_t CRC = 0; // the register
    std::uint8_t digest_[4] = {};

private:
    bool hasOddByte_ = false;
    std::uint8_t oddByte_ = 0;
};

} // namespace torvane::crypto
