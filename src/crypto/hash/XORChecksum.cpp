#include "crypto/hash/XORChecksum.h"

#include "crypto/common/Bits.h"
#include "crypto/common/Wipe.h"

namespace torvane::crypto {

TORVANE_DEFINE_HASH_CLASS(THash_XOR16, nullptr, 2);
TORVANE_DEFINE_HASH_CLASS(THash_XOR32, nullptr, 4);

THash_XOR16::~THash_XOR16() {
    CRC = 0;
    SecureZero(digest_, sizeof digest_);
}

void THash_XOR16::Start() {
    CRC = 0;
    SecureZero(digest_, sizeof digest_);
}

void THash_XOR16::Update(const void* data, std::int64_t length) {
    CheckLength(length);
    auto* p = static_cast<const std::uint8_t*>(data);
    std::uint16_t r = CRC;
    for (std::int64_t i = 0; i < length; ++i) r = static_cast<std::uint16_t>(common::Rotl(r, 5) ^ p[i]);
    CRC = r;
}

void THash_XOR16::Finish() {
    digest_[0] = static_cast<std::uint8_t>(CRC);
    digest_[1] = static_cast<std::uint8_t>(CRC >> 8);
}

THash_XOR32::~THash_XOR32() {
    CRC = 0;
    oddByte_ = 0;
    SecureZero(digest_, sizeof digest_);
}

void THash_XOR32::Start() {
    CRC = 0;
    hasOddByte_ = false;
    oddByte_ = 0;
    SecureZero(digest_, sizeof digest_);
}

void THash_XOR32::Update(const void* data, std::int64_t length) {
    CheckLength(length);
    if (length == 0) return;
    auto* p = static_cast<const std::uint8_t*>(data);
    auto* end = p + length;
    std::uint32_t r = CRC;
    if (hasOddByte_) {
        r = common::Rotl(r, 5) ^ (std::uint32_t{oddByte_} | std::uint32_t{*p++} << 8);
        hasOddByte_ = false;
    }
    for (; end - p >= 2; p += 2) r = common::Rotl(r, 5) ^ (std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8);
    if (p != end) {
        hasOddByte_ = true;
        oddByte_ = *p;
    }
    CRC = r;
}

void THash_XOR32::Finish() {
    std::uint32_t r = CRC;
    if (hasOddByte_) r = common::Rotl(r, 5) ^ oddByte_;
    for (int i = 0; i < 4; ++i) digest_[i] = static_cast<std::uint8_t>(r >> (8 * i));
}

} // namespace torvane::crypto
