#pragma once
// A stand-in key hash with the digest lengths that matter to the cipher framework (SHA-1's 20 bytes,
// CRC-32's 4), so that key setup and key checks are tested without depending on the hash classes.

#include "crypto/hash/Hash.h"

#include <cstring>
#include <memory>

namespace torvane::test {

template <int N> class FakeDigest final : public crypto::THash {
public:
    static const crypto::THashClassInfo ClassInfo;
    crypto::THashClass ClassType() const override { return &ClassInfo; }
    void Start() override {
        std::memset(d_, 0x5A, N);
        n_ = 0;
    }
    void Update(const void* data, std::int64_t length) override {
        for (std::int64_t i = 0; i < length; ++i, ++n_) {
            auto& b = d_[n_ % N];
            b = static_cast<std::uint8_t>(b * 31 + static_cast<const std::uint8_t*>(data)[i] + 7);
        }
    }
    void Finish() override {
        for (int i = 0; i < N; ++i) d_[i] ^= static_cast<std::uint8_t>(n_ + i);
    }
    std::uint8_t* DigestBytes() override { return d_; }

private:
    std::uint8_t d_[N] = {};
    std::int64_t n_ = 0;
};
template <int N>
const crypto::THashClassInfo FakeDigest<N>::ClassInfo{
    "THash_Fake", nullptr, N,
    []() -> std::unique_ptr<crypto::THash> { return std::make_unique<FakeDigest<N>>(); }};
using Fake20 = FakeDigest<20>;
using Fake4 = FakeDigest<4>;

} // namespace torvane::test
