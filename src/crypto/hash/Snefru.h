#pragma once
// Snefru (R. C. Merkle, 1990) with 8 passes and a 256-bit digest, in this program's own byte order: block
// words and the bit count are taken least significant byte first, so the digests differ from the usual
// Snefru-256 values. Certificates store these digests, so the byte order is part of the file format.

#include "crypto/hash/Hash.h"

#include <cstdint>

namespace torvane::crypto {

namespace snefru {
extern const std::uint32_t SBoxes[16][256];
} // namespace snefru

class THash_Snefru : public THash {
    TORVANE_HASH_CLASS()
public:
    THash_Snefru() = default;
    ~THash_Snefru() override;

    void Start() override;
    void Update(const void* data, std::int64_t length) override;
    void Finish() override;
    std::uint8_t* DigestBytes() override { return digest_; }

protected:
    void Transform(const std::uint8_t* block);

    // Bytes fed since Start. 64 bits, where the original kept 32: with 32 bits the length in the last
    // block is wrong from 4 GiB on; below that both give the same digest.
    std::uint64_t count_ = 0;

private:
    // Words 0..7 are the chaining value, 8..15 receive each input block.
    std::uint32_t block_[16] = {};
    std::uint8_t buffer_[32] = {};
    std::uint8_t digest_[32] = {};
    std::int32_t passes_ = 8;
};

} // namespace torvane::crypto
