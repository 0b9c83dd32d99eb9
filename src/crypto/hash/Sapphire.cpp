#include "crypto/hash/Sapphire.h"

#include "crypto/common/Wipe.h"

#include <cstring>

namespace torvane::crypto {

TORVANE_DEFINE_HASH_CLASS(THash_Sapphire320, nullptr, 40);
TORVANE_DEFINE_HASH_CLASS(THash_Sapphire288, &THash_Sapphire320::ClassInfo, 36);
TORVANE_DEFINE_HASH_CLASS(THash_Sapphire256, &THash_Sapphire320::ClassInfo, 32);
TORVANE_DEFINE_HASH_CLASS(THash_Sapphire224, &THash_Sapphire320::ClassInfo, 28);
TORVANE_DEFINE_HASH_CLASS(THash_Sapphire192, &THash_Sapphire320::ClassInfo, 24);
TORVANE_DEFINE_HASH_CLASS(THash_Sapphire160, &THash_Sapphire320::ClassInfo, 20);
TORVANE_DEFINE_HASH_CLASS(THash_Sapphire128, &THash_Sapphire320::ClassInfo, 16);

THash_Sapphire320::~THash_Sapphire320() {
    SecureZero(&state_, sizeof state_);
    SecureZero(digest_, sizeof digest_);
}

void THash_Sapphire320::Start() {
    SecureZero(digest_, sizeof digest_);
    count_ = 0;
    state_.HashInit();
}

void THash_Sapphire320::Update(const void* data, std::int64_t length) {
    CheckLength(length);
    const auto* p = static_cast<const std::uint8_t*>(data);
    count_ += static_cast<std::uint64_t>(length);
    for (std::int64_t i = 0; i < length; ++i) state_.Encrypt(p[i]);
}

void THash_Sapphire320::Finish() {
    const auto d = static_cast<std::uint8_t>(DigestLength());
    // 256 bytes that depend on the digest length stir the state before any digest byte is drawn.
    std::uint8_t x = d;
    for (int k = 255; k >= 0; --k) {
        x = static_cast<std::uint8_t>(x ^ k);
        Update(&x, 1);
    }
    // The closing block: a marker, the digest length, the starting registers and the bit count (which
    // includes the 256 stirring bytes). Only its first D bytes are fed, one per digest byte.
    std::uint8_t q[40] = {0x80, 2, 0, d, 1, 3, 5, 7, 11};
    const std::uint64_t bits = count_ * 8;
    for (int i = 0; i < 8; ++i) q[9 + i] = static_cast<std::uint8_t>(bits >> (8 * i));
    for (int i = 0; i < d; ++i) {
        Update(&q[i], 1);
        digest_[i] ^= state_.LastCipher;
    }
    SecureZero(q, sizeof q);
}

} // namespace torvane::crypto
