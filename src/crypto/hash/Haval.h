#pragma once
// HAVAL (Zheng, Pieprzyk, Seberry, "HAVAL - a one-way hashing algorithm with variable length of output",
// AUSCRYPT '92, LNCS 718): 1024-bit blocks, eight 32-bit chaining words, 3 to 5 passes, digests of 128 to
// 256 bits. THash_Haval256 carries the whole algorithm; the shorter classes differ only in digest length
// (which selects the output folding and the default pass count).

#include "crypto/hash/Hash.h"

#include <cstdint>

namespace torvane::crypto {

class THash_Haval256 : public THash {
    TORVANE_HASH_CLASS()
public:
    THash_Haval256() = default;
    ~THash_Haval256() override;

    // Passes over each block, 3 to 5. Start replaces any other value by the default for the digest size
    // (3 up to 160 bits, 4 up to 224 bits, else 5), so a new object hashes with the default.
    std::int32_t Passes = 0;

    void Start() override;
    void Update(const void* data, std::int64_t length) override;
    void Finish() override;
    std::uint8_t* DigestBytes() override { return digest_; }

protected:
    void Transform(const std::uint8_t* block);

private:
    std::uint32_t state_[8] = {};
    std::uint64_t count_ = 0; // bytes fed since Start
    std::uint8_t buffer_[128] = {};
    std::uint8_t digest_[32] = {};
    std::int32_t passes_ = 5; // the count in force since Start
};

class THash_Haval224 final : public THash_Haval256 {
    TORVANE_HASH_CLASS()
};

class THash_Haval192 final : public THash_Haval256 {
    TORVANE_HASH_CLASS()
};

class THash_Haval160 final : public THash_Haval256 {
    TORVANE_HASH_CLASS()
};

class THash_Haval128 final : public THash_Haval256 {
    TORVANE_HASH_CLASS()
};

} // namespace torvane::crypto
