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

// SHA-1 compresses on the fastest path this processor offers: its SHA extensions, else the portable code
// compiled for the bit-manipulation instructions BMI1 and BMI2 (x86), else the portable code, which every
// build has. Tests select each path to compare it with the portable one, and benchmarks to measure it; the
// selection is process-wide.
enum class TSha1Path { Portable, Bmi2, Extensions };
bool Sha1PathAvailable(TSha1Path path);
TSha1Path Sha1Path();
// A path this processor lacks selects the portable one.
void SelectSha1Path(TSha1Path path);
TSha1Path FastestSha1Path();

class THash_SHA1 : public THash_SHA {
    TORVANE_HASH_CLASS()
public:
    void Start() override;
};

} // namespace torvane::crypto
