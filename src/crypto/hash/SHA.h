#pragma once
// THash_SHA: the Secure Hash Algorithm of FIPS 180 (1993), whose message expansion has no rotation, and
// THash_SHA1: SHA-1 of FIPS 180-1, the same with the one-bit rotation in the expansion.

#include "crypto/hash/RipeMD.h"

namespace torvane::crypto {

class THash_SHA : public THash_RipeMD160 {
    TORVANE_HASH_CLASS()
public:
    void Start() override;

protected:
    void Transform(const std::uint8_t* block) override;
    void TransformBlocks(const std::uint8_t* blocks, std::size_t count) override;
    bool BigEndianLength() const override { return true; }
    void StoreDigest() override;

    // The one-bit rotation of the message expansion: set by THash_SHA1's Start, clear for THash_SHA.
    bool Rotate = false;
};

// SHA-1 compresses with the processor's SHA extensions where they exist. Tests and benchmarks switch them
// off to exercise and measure the portable code; the setting is process-wide.
bool Sha1HardwareAvailable();
void SetSha1HardwareAllowed(bool allowed);

class THash_SHA1 : public THash_SHA {
    TORVANE_HASH_CLASS()
public:
    void Start() override;
};

} // namespace torvane::crypto
