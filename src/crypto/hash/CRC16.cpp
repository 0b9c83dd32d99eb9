#include "crypto/hash/CRC16.h"

#include <array>

namespace torvane::crypto {

TORVANE_DEFINE_HASH_CLASS(THash_CRC16_CCITT, &THash_XOR16::ClassInfo, 2);
TORVANE_DEFINE_HASH_CLASS(Thash_CRC16_Standard, &THash_XOR16::ClassInfo, 2);

namespace {

constexpr std::array<std::uint16_t, 256> MakeCcittTable() {
    std::array<std::uint16_t, 256> t{};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned c = i << 8;
        for (int k = 0; k < 8; ++k) c = (c & 0x8000) ? (c << 1) ^ 0x1021 : c << 1;
        t[i] = static_cast<std::uint16_t>(c);
    }
    return t;
}

constexpr std::array<std::uint16_t, 256> MakeReflectedTable() {
    std::array<std::uint16_t, 256> t{};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned c = i;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xA001 : c >> 1;
        t[i] = static_cast<std::uint16_t>(c);
    }
    return t;
}

constexpr auto kCcittTable = MakeCcittTable();
constexpr auto kStandardTable = MakeReflectedTable();
static_assert(kStandardTable[1] == 0xC0C1);
static_assert(kCcittTable[1] == 0x1021);

} // namespace

void THash_CRC16_CCITT::Start() {
    THash_XOR16::Start();
    CRC = 0xFFFF;
}

void THash_CRC16_CCITT::Update(const void* data, std::int64_t length) {
    CheckLength(length);
    auto* p = static_cast<const std::uint8_t*>(data);
    std::uint16_t r = CRC;
    for (std::int64_t i = 0; i < length; ++i)
        r = static_cast<std::uint16_t>(static_cast<std::uint16_t>((r << 8) | p[i]) ^ kCcittTable[r >> 8]);
    CRC = r;
}

void Thash_CRC16_Standard::Update(const void* data, std::int64_t length) {
    CheckLength(length);
    auto* p = static_cast<const std::uint8_t*>(data);
    std::uint16_t r = CRC;
    for (std::int64_t i = 0; i < length; ++i)
        r = static_cast<std::uint16_t>((r >> 8) ^ kStandardTable[(r ^ p[i]) & 0xFF]);
    CRC = r;
}

} // namespace torvane::crypto
