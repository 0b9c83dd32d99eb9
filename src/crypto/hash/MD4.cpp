#include "crypto/hash/MD4.h"

#include "crypto/common/Bits.h"
#include "crypto/common/Wipe.h"
#include "crypto/hash/BlockBuffer.h"

#include <algorithm>

namespace torvane::crypto {

TORVANE_DEFINE_HASH_CLASS(THash_MD4, nullptr, 16);

namespace {

using common::LoadLE32;
using common::Rotl;

inline std::uint32_t F(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
    return z ^ (x & (y ^ z));
}
inline std::uint32_t G(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
    return (x & y) | (z & (x | y));
}
inline std::uint32_t H(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
    return x ^ y ^ z;
}

// Message words are read from the block where they are used; the step adds them (and the constant) to a
// before the round function, which leaves one addition after it on the critical path. Round 2's majority
// is split into two disjoint parts, (b & c) + (d & (b ^ c)), that can be added one after the other.
#define X(k) LoadLE32(block + 4 * (k))
#define MD4_R1(a, b, c, d, k, s) a = Rotl(a + X(k) + F(b, c, d), s)
#define MD4_R2(a, b, c, d, k, s) a = Rotl(a + X(k) + 0x5A827999u + (b & c) + (d & (b ^ c)), s)
#define MD4_R3(a, b, c, d, k, s) a = Rotl(a + X(k) + 0x6ED9EBA1u + H(b, c, d), s)

// RFC 1320, section 3.4.
inline void Compress(std::uint32_t* state, const std::uint8_t* block) {
    std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];

    MD4_R1(a, b, c, d, 0, 3);
    MD4_R1(d, a, b, c, 1, 7);
    MD4_R1(c, d, a, b, 2, 11);
    MD4_R1(b, c, d, a, 3, 19);
    MD4_R1(a, b, c, d, 4, 3);
    MD4_R1(d, a, b, c, 5, 7);
    MD4_R1(c, d, a, b, 6, 11);
    MD4_R1(b, c, d, a, 7, 19);
    MD4_R1(a, b, c, d, 8, 3);
    MD4_R1(d, a, b, c, 9, 7);
    MD4_R1(c, d, a, b, 10, 11);
    MD4_R1(b, c, d, a, 11, 19);
    MD4_R1(a, b, c, d, 12, 3);
    MD4_R1(d, a, b, c, 13, 7);
    MD4_R1(c, d, a, b, 14, 11);
    MD4_R1(b, c, d, a, 15, 19);

    MD4_R2(a, b, c, d, 0, 3);
    MD4_R2(d, a, b, c, 4, 5);
    MD4_R2(c, d, a, b, 8, 9);
    MD4_R2(b, c, d, a, 12, 13);
    MD4_R2(a, b, c, d, 1, 3);
    MD4_R2(d, a, b, c, 5, 5);
    MD4_R2(c, d, a, b, 9, 9);
    MD4_R2(b, c, d, a, 13, 13);
    MD4_R2(a, b, c, d, 2, 3);
    MD4_R2(d, a, b, c, 6, 5);
    MD4_R2(c, d, a, b, 10, 9);
    MD4_R2(b, c, d, a, 14, 13);
    MD4_R2(a, b, c, d, 3, 3);
    MD4_R2(d, a, b, c, 7, 5);
    MD4_R2(c, d, a, b, 11, 9);
    MD4_R2(b, c, d, a, 15, 13);

    MD4_R3(a, b, c, d, 0, 3);
    MD4_R3(d, a, b, c, 8, 9);
    MD4_R3(c, d, a, b, 4, 11);
    MD4_R3(b, c, d, a, 12, 15);
    MD4_R3(a, b, c, d, 2, 3);
    MD4_R3(d, a, b, c, 10, 9);
    MD4_R3(c, d, a, b, 6, 11);
    MD4_R3(b, c, d, a, 14, 15);
    MD4_R3(a, b, c, d, 1, 3);
    MD4_R3(d, a, b, c, 9, 9);
    MD4_R3(c, d, a, b, 5, 11);
    MD4_R3(b, c, d, a, 13, 15);
    MD4_R3(a, b, c, d, 3, 3);
    MD4_R3(d, a, b, c, 11, 9);
    MD4_R3(c, d, a, b, 7, 11);
    MD4_R3(b, c, d, a, 15, 15);

    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
}

#undef X
#undef MD4_R1
#undef MD4_R2
#undef MD4_R3

} // namespace

THash_MD4::~THash_MD4() {
    SecureZero(State, sizeof State);
    SecureZero(Buffer, sizeof Buffer);
    SecureZero(digest_, sizeof digest_);
    Count = 0;
}

void THash_MD4::Start() {
    static constexpr std::uint32_t kInitial[10] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476,
                                                   0xC3D2E1F0, 0x76543210, 0xFEDCBA98, 0x89ABCDEF,
                                                   0x01234567, 0x3C2D1E0F};
    std::copy(std::begin(kInitial), std::end(kInitial), State);
    Count = 0;
    SecureZero(Buffer, sizeof Buffer);
    SecureZero(digest_, sizeof digest_);
}

void THash_MD4::Update(const void* data, std::int64_t length) {
    CheckLength(length);
    BufferBlocks(Buffer, Count, static_cast<const std::uint8_t*>(data), static_cast<std::uint64_t>(length),
                 [this](const std::uint8_t* blocks, std::size_t count) { TransformBlocks(blocks, count); });
}

void THash_MD4::Finish() {
    std::uint8_t tail[2 * kBlockSize] = {};
    const auto used = static_cast<std::size_t>(Count % kBlockSize);
    std::memcpy(tail, Buffer, used);
    tail[used] = PaddingByte();
    const std::size_t total = used + 1 + 8 <= kBlockSize ? kBlockSize : 2 * kBlockSize;
    const std::uint64_t bitCount = Count << 3;
    if (BigEndianLength())
        common::StoreBE64(tail + total - 8, bitCount);
    else
        common::StoreLE64(tail + total - 8, bitCount);
    TransformBlocks(tail, total / kBlockSize);
    StoreDigest();
    SecureZero(tail, sizeof tail);
    SecureZero(Buffer, sizeof Buffer);
}

void THash_MD4::StoreDigest() {
    const auto words = static_cast<std::size_t>(DigestLength()) / 4;
    for (std::size_t i = 0; i < words; ++i) common::StoreLE32(digest_ + 4 * i, State[i]);
}

void THash_MD4::Transform(const std::uint8_t* block) {
    Compress(State, block);
}

void THash_MD4::TransformBlocks(const std::uint8_t* blocks, std::size_t count) {
    for (; count != 0; --count, blocks += kBlockSize) Compress(State, blocks);
}

} // namespace torvane::crypto
