#pragma once
// The RIPEMD family of Dobbertin, Bosselaers and Preneel ("RIPEMD-160: A Strengthened Version of
// RIPEMD", 1996): RIPEMD-128 and RIPEMD-160 and their double-width extensions RIPEMD-256 and RIPEMD-320.

#include "crypto/hash/MD4.h"

namespace torvane::crypto {

class THash_RipeMD128 : public THash_MD4 {
    TORVANE_HASH_CLASS()
protected:
    void Transform(const std::uint8_t* block) override;
    void TransformBlocks(const std::uint8_t* blocks, std::size_t count) override;
};

class THash_RipeMD160 : public THash_MD4 {
    TORVANE_HASH_CLASS()
protected:
    void Transform(const std::uint8_t* block) override;
    void TransformBlocks(const std::uint8_t* blocks, std::size_t count) override;
};

class THash_RipeMD256 : public THash_MD4 {
    TORVANE_HASH_CLASS()
public:
    void Start() override;

protected:
    void Transform(const std::uint8_t* block) override;
    void TransformBlocks(const std::uint8_t* blocks, std::size_t count) override;
};

class THash_RipeMD320 : public THash_MD4 {
    TORVANE_HASH_CLASS()
protected:
    void Transform(const std::uint8_t* block) override;
    void TransformBlocks(const std::uint8_t* blocks, std::size_t count) override;
};

} // namespace torvane::crypto
