#include "crypto/hash/CRC32.h"

#include "crypto/common/Bits.h"

#include <array>

namespace torvane::crypto {

TORVANE_DEFINE_HASH_CLASS(THash_CRC32, &THash_XOR32::ClassInfo, 4);

namespace {

constexpr int kSlices = 16;
using Tables = std::array<std::array<std::uint32_t, 256>, kSlices>;

// Table k gives the register contribution of a byte that still has k further bytes to pass, so sixteen
// bytes are folded in with sixteen independent look-ups ("slicing-by-16").
constexpr Tables MakeTables() {
    Tables t{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
        t[0][i] = c;
    }
    for (int k = 1; k < kSlices; ++k)
        for (std::uint32_t i = 0; i < 256; ++i) t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
    return t;
}

alignas(64) constexpr Tables kTables = MakeTables();
static_assert(kTables[0][1] == 0x77073096);

} // namespace

std::uint32_t THash_CRC32::UpdateRegister(std::uint32_t crc, const std::uint8_t* p, std::size_t n) {
    const auto& t = kTables;
    while (n >= 16) {
        const std::uint32_t w0 = common::LoadLE32(p) ^ crc;
        const std::uint32_t w1 = common::LoadLE32(p + 4);
        const std::uint32_t w2 = common::LoadLE32(p + 8);
        const std::uint32_t w3 = common::LoadLE32(p + 12);
        crc = t[15][w0 & 0xFF] ^ t[14][(w0 >> 8) & 0xFF] ^ t[13][(w0 >> 16) & 0xFF] ^ t[12][w0 >> 24] ^
              t[11][w1 & 0xFF] ^ t[10][(w1 >> 8) & 0xFF] ^ t[9][(w1 >> 16) & 0xFF] ^ t[8][w1 >> 24] ^
              t[7][w2 & 0xFF] ^ t[6][(w2 >> 8) & 0xFF] ^ t[5][(w2 >> 16) & 0xFF] ^ t[4][w2 >> 24] ^
              t[3][w3 & 0xFF] ^ t[2][(w3 >> 8) & 0xFF] ^ t[1][(w3 >> 16) & 0xFF] ^ t[0][w3 >> 24];
        p += 16;
        n -= 16;
    }
    for (; n != 0; --n) crc = (crc >> 8) ^ t[0][(crc ^ *p++) & 0xFF];
    return crc;
}

void THash_CRC32::Start() {
    THash_XOR32::Start();
    CRC = 0xFFFFFFFFu;
}

void THash_CRC32::Update(const void* data, std::int64_t length) {
    CheckLength(length);
    CRC = UpdateRegister(CRC, static_cast<const std::uint8_t*>(data), static_cast<std::size_t>(length));
}

void THash_CRC32::Finish() {
    common::StoreLE32(digest_, ~CRC);
}

} // namespace torvane::crypto
