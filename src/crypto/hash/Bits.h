#pragma once
// Word access and rotations shared by the hash classes. Loads and stores go through memcpy so that blocks
// taken straight from the caller's data may sit at any address.

#include "crypto/cipher/WordIO.h"

#include <bit>
#include <cstdint>
#include <cstring>

namespace torvane::crypto::bits {

// The block ciphers' functions (cipher/WordIO.h): one definition for both families.
using wordio::LoadBE32;
using wordio::LoadLE32;
using wordio::LoadLE64;
using wordio::StoreBE32;
using wordio::StoreBE64;
using wordio::StoreLE32;
using wordio::StoreLE64;

inline constexpr std::uint32_t Rol(std::uint32_t x, int n) {
    return std::rotl(x, n);
}

} // namespace torvane::crypto::bits
