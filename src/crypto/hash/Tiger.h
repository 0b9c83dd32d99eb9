#pragma once
// THash_Tiger: Tiger of Anderson and Biham ("Tiger: A Fast New Hash Function", FSE 1996), with the
// original padding (a 0x01 byte after the message) and a selectable number of passes.

#include "crypto/hash/MD4.h"

namespace torvane::crypto {

class THash_Tiger : public THash_MD4 {
    TORVANE_HASH_CLASS()
public:
    static constexpr std::int32_t kDefaultRounds = 3;
    static constexpr std::int32_t kMinRounds = 3;
    static constexpr std::int32_t kMaxRounds = 32;

    // Number of passes of the compression function. Starts at 0; Start replaces a value outside 3..32 by
    // the designers' 3.
    std::int32_t Rounds() const { return rounds_; }
    void SetRounds(std::int32_t rounds) { rounds_ = rounds; }

    void Start() override;

protected:
    void Transform(const std::uint8_t* block) override;
    void TransformBlocks(const std::uint8_t* blocks, std::size_t count) override;
    std::uint8_t PaddingByte() const override { return 0x01; }
    void StoreDigest() override;

private:
    std::int32_t rounds_ = 0;
};

} // namespace torvane::crypto
