#include "crypto/hash/Snefru.h"

#include "crypto/common/Bits.h"
#include "crypto/common/Wipe.h"
#include "crypto/hash/BlockBuffer.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace torvane::crypto {

TORVANE_DEFINE_HASH_CLASS(THash_Snefru, nullptr, 32);

namespace {

using common::LoadLE32;
using common::Rotl;
using common::StoreLE64;
using u32 = std::uint32_t;

// One round of a pass: each word in turn picks an S-box entry by its low byte and XORs it into both
// neighbours; words 0,1 use the pass's first box, words 2,3 its second, and so on alternately. The
// definition then rotates all sixteen words right by 16, 8, 16 and 24 bits after the four rounds. Those
// rotations add up to 64 bits, a whole number of turns, so the words are kept unrotated here: a round
// that follows a total rotation of R bits reads the byte at bit R and rotates the entry left by R.
template <int R, int I> inline void Step(u32 (&w)[16], const u32* box0, const u32* box1) {
    const u32* box = ((I >> 1) & 1) ? box1 : box0;
    const u32 e = Rotl(box[(w[I] >> R) & 0xFF], R);
    w[(I + 1) & 15] ^= e;
    w[(I + 15) & 15] ^= e;
}

template <int R, int... I>
inline void Round(u32 (&w)[16], const u32* box0, const u32* box1, std::integer_sequence<int, I...>) {
    (Step<R, I>(w, box0, box1), ...);
}

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
    for (int i = 0; i < 8; ++i) w[8 + i] = LoadLE32(data + 4 * i);
    constexpr auto steps = std::make_integer_sequence<int, 16>();
    for (int p = 0; p < passes_; ++p) {
        const u32* box0 = snefru::SBoxes[2 * p];
        const u32* box1 = snefru::SBoxes[2 * p + 1];
        Round<0>(w, box0, box1, steps);
        Round<16>(w, box0, box1, steps);
        Round<24>(w, box0, box1, steps);
        Round<8>(w, box0, box1, steps);
    }
    for (int i = 0; i < 8; ++i) block_[i] = w[i] ^ w[15 - i];
    SecureZero(w, sizeof w);
}

void THash_Snefru::Update(const void* data, std::int64_t length) {
    CheckLength(length);
    BufferBlocks(buffer_, count_, static_cast<const std::uint8_t*>(data), static_cast<std::uint64_t>(length),
                 [this](const std::uint8_t* blocks, std::size_t count) {
                     for (; count != 0; --count, blocks += sizeof buffer_) Transform(blocks);
                 });
}

void THash_Snefru::Finish() {
    const auto t = static_cast<std::size_t>(count_ % sizeof buffer_);
    std::memset(buffer_ + t, 0, sizeof buffer_ - t);
    // Leftovers that reach into the length field get a block of their own.
    if (t >= 24) {
        Transform(buffer_);
        std::memset(buffer_, 0, sizeof buffer_);
    }
    StoreLE64(buffer_ + 24, count_ * 8);
    Transform(buffer_);
    SecureZero(buffer_, sizeof buffer_);
    for (int i = 0; i < 8; ++i)
        for (int b = 0; b < 4; ++b) digest_[4 * i + b] = std::uint8_t(block_[i] >> (8 * b));
}

} // namespace torvane::crypto
