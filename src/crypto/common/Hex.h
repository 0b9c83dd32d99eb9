#pragma once
// The library's one hexadecimal codec: digest texts (format 16), the known-answer data, torvane-crypt's
// key, vector and block arguments and every test read and write bytes through it.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace torvane::crypto::common {

// Two upper-case digits per byte, high half first: "0123456789ABCDEF".
std::string HexText(const void* data, std::size_t size);
inline std::string HexText(const std::vector<std::uint8_t>& bytes) {
    return HexText(bytes.data(), bytes.size());
}

// Pairs of hexadecimal digits of either case and nothing else; nullopt for any other character or an odd
// number of digits. The empty text is the empty byte string.
std::optional<std::vector<std::uint8_t>> ParseHex(std::string_view text);

} // namespace torvane::crypto::common
