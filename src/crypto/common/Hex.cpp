#include "crypto/common/Hex.h"

namespace torvane::crypto::common {

namespace {

int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

} // namespace

std::string HexText(const void* data, std::size_t size) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    const auto* p = static_cast<const std::uint8_t*>(data);
    std::string text(2 * size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        text[2 * i] = kDigits[p[i] >> 4];
        text[2 * i + 1] = kDigits[p[i] & 15];
    }
    return text;
}

std::optional<std::vector<std::uint8_t>> ParseHex(std::string_view text) {
    if (text.size() % 2 != 0) return std::nullopt;
    std::vector<std::uint8_t> bytes(text.size() / 2);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const int hi = DigitValue(text[2 * i]), lo = DigitValue(text[2 * i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        bytes[i] = static_cast<std::uint8_t>(hi << 4 | lo);
    }
    return bytes;
}

} // namespace torvane::crypto::common
