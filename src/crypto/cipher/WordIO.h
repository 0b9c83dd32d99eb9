#pragma once
// Word loads and stores for the block ciphers. Blocks may sit at any address, so every access goes through
// memcpy, which the compiler turns into a single (possibly byte-swapping) load or store.

#include <bit>
#include <cstdint>
#include <cstring>

namespace torvane::crypto::wordio {

inline std::uint32_t LoadLE32(const void* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap32(v);
    return v;
}

inline std::uint32_t LoadBE32(const void* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    if constexpr (std::endian::native == std::endian::little) v = __builtin_bswap32(v);
    return v;
}

inline void StoreLE32(void* p, std::uint32_t v) {
    if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap32(v);
    std::memcpy(p, &v, 4);
}

inline void StoreBE32(void* p, std::uint32_t v) {
    if constexpr (std::endian::native == std::endian::little) v = __builtin_bswap32(v);
    std::memcpy(p, &v, 4);
}

inline std::uint32_t Byte(std::uint32_t x, int n) {
    return (x >> (8 * n)) & 0xFF;
}

} // namespace torvane::crypto::wordio
