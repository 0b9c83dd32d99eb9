#pragma once
// THash_Square: a 128-bit hash built on the Square block cipher in the Miyaguchi-Preneel mode,
//
//     H(i) = E[H(i-1)](M(i)) xor M(i) xor H(i-1),
//
// one of the schemes that Preneel, Govaerts and Vandewalle found secure and that Black, Rogaway and
// Shrimpton proved collision resistant in the ideal-cipher model. Square's key and block are both 16
// bytes, so the chaining value keys the cipher directly. The message is padded with MD strengthening: an
// 80 byte, zero bytes up to 8 bytes short of a block, then the message length in bits as 64 bits, least
// significant byte first, so that no message is a padded form of another. The initial value is the first
// 16 bytes of the fractional part of pi (24 3F 6A 88 ...), a constant nobody chose for its value. With
// 128 bits of digest, collisions cost about 2^64 work: a check value, not a signature hash.
//
// The construction is this program's own choice; nothing stored depends on it.

#include "crypto/cipher/Square.h"
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
    // The cipher's keys and output for the block in hand. They live here rather than on the stack so that
    // they are wiped once, in Finish and the destructor, instead of after every block.
    square::RoundKeys keys_ = {};
    std::uint8_t output_[16] = {};
    std::uint64_t count_ = 0;
    std::uint8_t digest_[16] = {};
};

} // namespace torvane::crypto
