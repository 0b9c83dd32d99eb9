#pragma once
// THash_Square: a 128-bit hash built on the Square block cipher in the Miyaguchi-Preneel mode,
//
//     H(i) = E[H(i-1)](M(i)) xor M(i) xor H(i-1),
//
// one of the constructions that Preneel, Govaerts and Vandewalle and later Black, Rogaway and Shrimpton
// proved sound when the cipher is ideal. Square's key and block are both 16 bytes, so the chaining value
// keys the cipher directly. The message is padded with MD strengthening: a 80 byte, zero bytes up to 8
// bytes short of a block, then the message length in bits as 64 bits, least significant byte first. The
// initial value is the first 16 bytes of the fractional part of pi (24 3F 6A 88 ...), so that no block of
// a message meets the all-zero key.
//
// Nothing stored depends on this hash; the construction is ours, as no published definition of a Square
// hash with these sizes exists.

#include "crypto/hash/Hash.h"

#include <cstdint>

namespace torvane::crypto {

class THash_Square final : public THash {
    TORVANE_HASH_CLASS()
public:
    THash_Square() = default;
    ~THash_Square() override;

    void Start() override;
    void Update(const void* data, std::int64_t length) override;
    void Finish() override;
    std::uint8_t* DigestBytes() override { return digest_; }

private:
    void Transform(const std::uint8_t* block);

    std::uint8_t chain_[16] = {};
    std::uint8_t buffer_[16] = {};
    std::uint64_t count_ = 0;
    std::uint8_t digest_[16] = {};
};

} // namespace torvane::crypto
