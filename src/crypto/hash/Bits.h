#pragma once
// Word access and rotations shared by the hash classes. Loads and stores go through memcpy so that blocks
// taken straight from the caller's data may sit at any address.

#include "crypto/cipher/WordIO.h"

#include <bit>
#include <cstdint>
#include <cstring>

namespace torvane::crypto::bits {

// 32-bit words: the block ciphers' functions (cipher/WordIO.h), one definition for both families.
using wordio::LoadBE32;
using wordio::LoadLE32;
using wordio::StoreBE32;
using wordio::StoreLE32;

inline std::uint64_t LoadLE64(const std::uint8_t* p) {
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap64(v);
    return v;
}

inline void StoreLE64(std::uint8_t* p, std::uint64_t v) {
    if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap64(v);
    std::memcpy(p, &v, 8);
}

inline void StoreBE64(std::uint8_t* p, std::uint64_t v) {
    if constexpr (std::endian::native == std::endian::little) v = __builtin_bswap64(v);
    std::memcpy(p, &v, 8);
}

inline constexpr std::uint32_t Rol(std::uint32_t x, int n) {
    return std::rotl(x, n);
}

} // namespace torvane::crypto::bits
