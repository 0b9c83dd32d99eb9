#include "crypto/hash/Snefru.h"

#include "crypto/Wipe.h"
#include "platform/Error.h"

#include <algorithm>
#include <cstring>

namespace torvane::crypto {

TORVANE_DEFINE_HASH_CLASS(THash_Snefru, nullptr, 32);

namespace {

using u32 = std::uint32_t;

constexpr u32 Rotr(u32 x, int n) {
    return (x >> n) | (x << (32 - n));
}

u32 Load32(const std::uint8_t* p) {
    return u32(p[0]) | (u32(p[1]) << 8) | (u32(p[2]) << 16) | (u32(p[3]) << 24);
}

// Each round of a pass rotates all sixteen words right by one of these amounts.
constexpr int kShifts[4] = {16, 8, 16, 24};

} // namespace

THash_Snefru::~THash_Snefru() {
    SecureZero(block_, sizeof block_);
    SecureZero(buffer_, sizeof buffer_);
    SecureZero(digest_, sizeof digest_);
}

void THash_Snefru::Start() {
    std::memset(block_, 0, sizeof block_);
    count_ = 0;
    SecureZero(buffer_, sizeof buffer_);
    SecureZero(digest_, sizeof digest_);
    passes_ = 8;
}

void THash_Snefru::Transform(const std::uint8_t* data) {
    u32 w[16];
    std::memcpy(w, block_, 8 * sizeof(u32));
    for (int i = 0; i < 8; ++i) w[8 + i] = Load32(data + 4 * i);
    for (int p = 0; p < passes_; ++p) {
        const u32* box0 = snefru::SBoxes[2 * p];
        const u32* box1 = snefru::SBoxes[2 * p + 1];
        for (int shift : kShifts) {
            // Words 0,1 take box 0, words 2,3 box 1, and so on alternately.
            for (int i = 0; i < 16; ++i) {
                const u32 e = ((i >> 1) & 1 ? box1 : box0)[w[i] & 0xFF];
                w[(i + 1) & 15] ^= e;
                w[(i + 15) & 15] ^= e;
            }
            for (auto& x : w) x = Rotr(x, shift);
        }
    }
    for (int i = 0; i < 8; ++i) block_[i] = w[i] ^ w[15 - i];
    SecureZero(w, sizeof w);
}

void THash_Snefru::Update(const void* data, std::int64_t length) {
    if (length < 0) throw Exception("Negative length given to THash_Snefru::Update");
    if (length == 0) return;
    auto* p = static_cast<const std::uint8_t*>(data);
    auto n = static_cast<std::uint64_t>(length);
    auto used = static_cast<std::size_t>(count_ % sizeof buffer_);
    count_ += n;
    if (used) {
        const auto take = static_cast<std::size_t>(std::min<std::uint64_t>(n, sizeof buffer_ - used));
        std::memcpy(buffer_ + used, p, take);
        p += take;
        n -= take;
        used += take;
        if (used < sizeof buffer_) return;
        Transform(buffer_);
    }
    for (; n >= sizeof buffer_; n -= sizeof buffer_, p += sizeof buffer_) Transform(p);
    if (n) std::memcpy(buffer_, p, static_cast<std::size_t>(n));
}

void THash_Snefru::Finish() {
    const auto t = static_cast<std::size_t>(count_ % sizeof buffer_);
    std::memset(buffer_ + t, 0, sizeof buffer_ - t);
    // Leftovers that reach into the length field get a block of their own.
    if (t >= 24) {
        Transform(buffer_);
        std::memset(buffer_, 0, sizeof buffer_);
    }
    const std::uint64_t bits = count_ * 8;
    for (int i = 0; i < 8; ++i) buffer_[24 + i] = std::uint8_t(bits >> (8 * i));
    Transform(buffer_);
    SecureZero(buffer_, sizeof buffer_);
    for (int i = 0; i < 8; ++i)
        for (int b = 0; b < 4; ++b) digest_[4 * i + b] = std::uint8_t(block_[i] >> (8 * b));
}

} // namespace torvane::crypto
