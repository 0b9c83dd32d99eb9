#pragma once
// THash_CRC32: the standard reflected CRC-32 (polynomial EDB88320 in reflected form, as in ISO 3309,
// zlib and PNG). Register FFFFFFFF at Start, complemented by Finish; the digest is the register, least
// significant byte first.

#include "crypto/hash/XORChecksum.h"

#include <cstddef>

namespace torvane::crypto {

class THash_CRC32 : public THash_XOR32 {
    TORVANE_HASH_CLASS()
public:
    void Start() override;
    void Update(const void* data, std::int64_t length) override;
    void Finish() override;

    // The CRC update on its own, for callers that keep a register themselves: returns the register after
    // the bytes (no initial or final complement).
    static std::uint32_t UpdateRegister(std::uint32_t crc, const std::uint8_t* data, std::size_t length);
};

} // namespace torvane::crypto
