#pragma once
// The word and bit helpers of every hash and cipher class: the one rotation, and the loads and stores of
// words in either byte order. Blocks may sit at any address, so every access goes through memcpy, which
// the compiler turns into a single (possibly byte-swapping) load or store.

#include <bit>
#include <cstdint>
#include <cstring>
#include <type_traits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace torvane::crypto::common {

// Rotation of an unsigned word by any count (taken modulo the width). The standard rotation serves every
// standard width; the 128-bit word of Diamond II's bit permutation gets the same formula by hand.
template <class T> constexpr T Rotl(T x, int n) {
    static_assert(!std::is_signed_v<T>, "rotate unsigned words only");
    if constexpr (std::is_integral_v<T> && std::is_unsigned_v<T>) {
        return std::rotl(x, n);
    } else {
        constexpr int W = 8 * sizeof(T);
        n &= W - 1;
        return n ? static_cast<T>(x << n | x >> (W - n)) : x;
    }
}

template <class T> constexpr T Rotr(T x, int n) {
    static_assert(!std::is_signed_v<T>, "rotate unsigned words only");
    if constexpr (std::is_integral_v<T> && std::is_unsigned_v<T>) {
        return std::rotr(x, n);
    } else {
        constexpr int W = 8 * sizeof(T);
        n &= W - 1;
        return n ? static_cast<T>(x >> n | x << (W - n)) : x;
    }
}

// Byte n (0 = least significant) of a word.
constexpr std::uint32_t Byte(std::uint32_t x, int n) {
    return (x >> (8 * n)) & 0xFF;
}

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

// Two words stored big-endian with one 8-byte store. The chaining modes read a coded 8-byte block back,
// and the processor forwards a load from the store buffer only when one store of the load's width (or
// wider) wrote all its bytes.
inline void StoreBE32x2(void* p, std::uint32_t hi, std::uint32_t lo) {
    StoreBE64(p, std::uint64_t{hi} << 32 | lo);
}

// Four words with one 16-byte store, for the same reason with 16-byte blocks. Without SSE2 the compiler
// chooses the stores.
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

} // namespace torvane::crypto::common
