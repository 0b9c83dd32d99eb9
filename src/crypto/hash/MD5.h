#pragma once
// THash_MD5: MD5 (RFC 1321).

#include "crypto/hash/MD4.h"

namespace torvane::crypto {

class THash_MD5 : public THash_MD4 {
    TORVANE_HASH_CLASS()
protected:
    void Transform(const std::uint8_t* block) override;
    void TransformBlocks(const std::uint8_t* blocks, std::size_t count) override;
};

} // namespace torvane::crypto
