#pragma once
// Word loads and stores for the block ciphers, and through hash/Bits.h for the hashes. Blocks may sit at
// any address, so every access goes through memcpy, which the compiler turns into a single (possibly
// byte-swapping) load or store.

#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

inline std::uint64_t LoadLE64(const void* p) {
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap64(v);
    return v;
}

inline std::uint64_t LoadBE64(const void* p) {
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    if constexpr (std::endian::native == std::endian::little) v = __builtin_bswap64(v);
    return v;
}

inline void StoreLE64(void* p, std::uint64_t v) {
    if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap64(v);
    std::memcpy(p, &v, 8);
}

inline void StoreBE64(void* p, std::uint64_t v) {
    if constexpr (std::endian::native == std::endian::little) v = __builtin_bswap64(v);
    std::memcpy(p, &v, 8);
}

// Two words stored big-endian with one 8-byte store. The chaining modes read a coded 8-byte block back as
// one 8-byte load, which the processor can forward only from a single store of the same width.
inline void StoreBE32x2(void* p, std::uint32_t hi, std::uint32_t lo) {
    std::uint64_t v = std::uint64_t(hi) << 32 | lo;
    if constexpr (std::endian::native == std::endian::little) v = __builtin_bswap64(v);
    std::memcpy(p, &v, 8);
}

inline void StoreLE32x2(void* p, std::uint32_t first, std::uint32_t second) {
    std::uint64_t v = std::uint64_t(second) << 32 | first;
    if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap64(v);
    std::memcpy(p, &v, 8);
}

// Four words with one 16-byte store, for the same reason with 16-byte blocks (the chaining modes copy them
// with 16-byte loads). Without SSE2 the compiler chooses the stores.
inline void Store16(void* p, std::uint64_t first, std::uint64_t second) {
#if defined(__SSE2__)
    _mm_storeu_si128(static_cast<__m128i*>(p),
                     _mm_set_epi64x(static_cast<long long>(second), static_cast<long long>(first)));
#else
    std::memcpy(p, &first, 8);
    std::memcpy(static_cast<unsigned char*>(p) + 8, &second, 8);
#endif
}

inline void StoreBE32x4(void* p, std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d) {
    std::uint64_t first = std::uint64_t(a) << 32 | b, second = std::uint64_t(c) << 32 | d;
    if constexpr (std::endian::native == std::endian::little) {
        first = __builtin_bswap64(first);
        second = __builtin_bswap64(second);
    }
    Store16(p, first, second);
}

inline void StoreLE32x4(void* p, std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d) {
    std::uint64_t first = std::uint64_t(b) << 32 | a, second = std::uint64_t(d) << 32 | c;
    if constexpr (std::endian::native == std::endian::big) {
        first = __builtin_bswap64(first);
        second = __builtin_bswap64(second);
    }
    Store16(p, first, second);
}

inline std::uint32_t Byte(std::uint32_t x, int n) {
    return (x >> (8 * n)) & 0xFF;
}

} // namespace torvane::crypto::wordio
