#pragma once
// The Sapphire II hash: the Sapphire II stream cipher's state machine, started in a fixed state, encrypts
// the message (the cipher bytes are dropped); the digest is drawn from the cipher bytes of a closing
// sequence. THash_Sapphire320 gives 40 bytes; its descendants run the same machine and draw fewer.
// Certificates store Sapphire II-320 digests, so every byte of this definition is part of the file
// format.

#include "crypto/hash/Hash.h"
#include "crypto/hash/SapphireCore.h"

#include <cstdint>

namespace torvane::crypto {

class THash_Sapphire320 : public THash {
    TORVANE_HASH_CLASS()
public:
    THash_Sapphire320() = default;
    ~THash_Sapphire320() override;

    void Start() override;
    void Update(const void* data, std::int64_t length) override;
    void Finish() override;
    std::uint8_t* DigestBytes() override { return digest_; }

protected:
    // Bytes fed since Start. 64 bits, where the original kept 32: the closing block stores the bit count
    // in 64 bits, but a 32-bit count wraps at 4 GiB. Below that the digests are the same.
    std::uint64_t count_ = 0;

private:
    sapphire::State state_{};
    std::uint8_t digest_[40] = {};
};

class THash_Sapphire288 final : public THash_Sapphire320 {
    TORVANE_HASH_CLASS()
};

class THash_Sapphire256 final : public THash_Sapphire320 {
    TORVANE_HASH_CLASS()
};

class THash_Sapphire224 final : public THash_Sapphire320 {
    TORVANE_HASH_CLASS()
};

class THash_Sapphire192 final : public THash_Sapphire320 {
    TORVANE_HASH_CLASS()
};

class THash_Sapphire160 final : public THash_Sapphire320 {
    TORVANE_HASH_CLASS()
};

class THash_Sapphire128 final : public THash_Sapphire320 {
    TORVANE_HASH_CLASS()
};

} // namespace torvane::crypto
