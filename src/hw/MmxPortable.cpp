#include "hw/MmxPortable.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <type_traits>

namespace torvane::hw {

namespace {

// Lane access on the quadword image; lane 0 is the least significant.
template <typename T> T Lane(std::uint64_t q, int i) {
    constexpr int bits = sizeof(T) * 8;
    return static_cast<T>(q >> (i * bits));
}

template <typename T> void SetLane(std::uint64_t& q, int i, T v) {
    constexpr int bits = sizeof(T) * 8;
    using U = std::make_unsigned_t<T>;
    const std::uint64_t mask = (bits == 64 ? ~0ull : ((1ull << bits) - 1)) << (i * bits);
    q = (q & ~mask) | ((static_cast<std::uint64_t>(static_cast<U>(v)) << (i * bits)) & mask);
}

// Applies f to each lane of type T of a and b.
template <typename T, typename F> std::uint64_t LaneWise(std::uint64_t a, std::uint64_t b, F f) {
    std::uint64_t r = 0;
    for (int i = 0; i < static_cast<int>(8 / sizeof(T)); ++i)
        SetLane<T>(r, i, f(Lane<T>(a, i), Lane<T>(b, i)));
    return r;
}

template <typename T> T Saturate(std::int64_t v) {
    return static_cast<T>(
        std::clamp<std::int64_t>(v, std::numeric_limits<T>::min(), std::numeric_limits<T>::max()));
}

template <typename T> std::uint64_t ShiftLeft(std::uint64_t a, std::uint64_t count) {
    if (count >= sizeof(T) * 8) return 0;
    return LaneWise<T>(a, 0, [&](T x, T) { return static_cast<T>(x << count); });
}

template <typename T> std::uint64_t ShiftRightLogical(std::uint64_t a, std::uint64_t count) {
    if (count >= sizeof(T) * 8) return 0;
    return LaneWise<T>(a, 0, [&](T x, T) { return static_cast<T>(x >> count); });
}

template <typename S> std::uint64_t ShiftRightArithmetic(std::uint64_t a, std::uint64_t count) {
    const auto n = static_cast<int>(std::min<std::uint64_t>(count, sizeof(S) * 8 - 1));
    return LaneWise<S>(a, 0, [&](S x, S) { return static_cast<S>(x >> n); });
}

// Packs the lanes of a (low half of the result) and b (high half) to lanes of half the width.
template <typename From, typename To> std::uint64_t Pack(std::uint64_t a, std::uint64_t b) {
    constexpr int n = 8 / sizeof(From);
    std::uint64_t r = 0;
    for (int i = 0; i < n; ++i) {
        SetLane<To>(r, i, Saturate<To>(Lane<From>(a, i)));
        SetLane<To>(r, i + n, Saturate<To>(Lane<From>(b, i)));
    }
    return r;
}

// Interleaves the lanes of a and b, from the low half (high = false) or the high half.
template <typename T> std::uint64_t Unpack(std::uint64_t a, std::uint64_t b, bool high) {
    constexpr int n = 8 / sizeof(T);
    const int first = high ? n / 2 : 0;
    std::uint64_t r = 0;
    for (int i = 0; i < n / 2; ++i) {
        SetLane<T>(r, 2 * i, Lane<T>(a, first + i));
        SetLane<T>(r, 2 * i + 1, Lane<T>(b, first + i));
    }
    return r;
}

} // namespace

std::uint64_t MmxOperatePortable(std::uint8_t code, std::uint64_t a, std::uint64_t b) {
    using s8 = std::int8_t;
    using s16 = std::int16_t;
    using s32 = std::int32_t;
    using u8 = std::uint8_t;
    using u16 = std::uint16_t;
    using u32 = std::uint32_t;
    switch (code) {
    case 1:
        return a & b;
    case 2:
        return ~a & b;
    case 3:
        return a | b;
    case 4:
        return a ^ b;
    case 5:
        return ShiftRightLogical<u16>(a, b);
    case 6:
        return ShiftRightLogical<u32>(a, b);
    case 7:
        return b >= 64 ? 0 : a >> b;
    case 8:
        return ShiftRightArithmetic<s16>(a, b);
    case 9:
        return ShiftRightArithmetic<s32>(a, b);
    case 10:
        return ShiftLeft<u16>(a, b);
    case 11:
        return ShiftLeft<u32>(a, b);
    case 12:
        return b >= 64 ? 0 : a << b;
    case 13:
        return LaneWise<s8>(a, b, [](s8 x, s8 y) { return static_cast<s8>(x > y ? -1 : 0); });
    case 14:
        return LaneWise<s16>(a, b, [](s16 x, s16 y) { return static_cast<s16>(x > y ? -1 : 0); });
    case 15:
        return LaneWise<s32>(a, b, [](s32 x, s32 y) { return x > y ? -1 : 0; });
    case 16:
        return LaneWise<u8>(a, b, [](u8 x, u8 y) { return static_cast<u8>(x == y ? 0xFF : 0); });
    case 17:
        return LaneWise<u16>(a, b, [](u16 x, u16 y) { return static_cast<u16>(x == y ? 0xFFFF : 0); });
    case 18:
        return LaneWise<u32>(a, b, [](u32 x, u32 y) { return x == y ? 0xFFFFFFFFu : 0u; });
    case 19:
        return Pack<s16, s8>(a, b);
    case 20:
        return Pack<s32, s16>(a, b);
    case 21:
        return Pack<s16, u8>(a, b);
    case 22:
        return Unpack<u8>(a, b, false);
    case 23:
        return Unpack<u16>(a, b, false);
    case 24:
        return Unpack<u32>(a, b, false);
    case 25:
        return Unpack<u8>(a, b, true);
    case 26:
        return Unpack<u16>(a, b, true);
    case 27:
        return Unpack<u32>(a, b, true);
    case 28:
        return LaneWise<u8>(a, b, [](u8 x, u8 y) { return Saturate<u8>(x + y); });
    case 29:
        return LaneWise<u16>(a, b, [](u16 x, u16 y) { return Saturate<u16>(x + y); });
    case 30:
        return LaneWise<s8>(a, b, [](s8 x, s8 y) { return Saturate<s8>(x + y); });
    case 31:
        return LaneWise<s16>(a, b, [](s16 x, s16 y) { return Saturate<s16>(x + y); });
    case 32:
        return LaneWise<u8>(a, b, [](u8 x, u8 y) { return static_cast<u8>(x + y); });
    case 33:
        return LaneWise<u16>(a, b, [](u16 x, u16 y) { return static_cast<u16>(x + y); });
    case 34:
        return LaneWise<u32>(a, b, [](u32 x, u32 y) { return x + y; });
    case 35:
        return LaneWise<u8>(a, b, [](u8 x, u8 y) { return Saturate<u8>(x - y); });
    case 36:
        return LaneWise<u16>(a, b, [](u16 x, u16 y) { return Saturate<u16>(x - y); });
    case 37:
        return LaneWise<s8>(a, b, [](s8 x, s8 y) { return Saturate<s8>(x - y); });
    case 38:
        return LaneWise<s16>(a, b, [](s16 x, s16 y) { return Saturate<s16>(x - y); });
    case 39:
        return LaneWise<u8>(a, b, [](u8 x, u8 y) { return static_cast<u8>(x - y); });
    case 40:
        return LaneWise<u16>(a, b, [](u16 x, u16 y) { return static_cast<u16>(x - y); });
    case 41:
        return LaneWise<u32>(a, b, [](u32 x, u32 y) { return x - y; });
    case 42:
        return LaneWise<s16>(a, b, [](s16 x, s16 y) { return static_cast<s16>(x * y); });
    case 43:
        return LaneWise<s16>(a, b, [](s16 x, s16 y) { return static_cast<s16>((x * y) >> 16); });
    case 44: {
        std::uint64_t r = 0;
        for (int i = 0; i < 2; ++i) {
            // Two products of -32768 * -32768 overflow to 0x80000000, as the instruction does.
            const std::int64_t sum = std::int64_t{Lane<s16>(a, 2 * i)} * Lane<s16>(b, 2 * i) +
                                     std::int64_t{Lane<s16>(a, 2 * i + 1)} * Lane<s16>(b, 2 * i + 1);
            SetLane<u32>(r, i, static_cast<u32>(sum));
        }
        return r;
    }
    default:
        return 0;
    }
}

} // namespace torvane::hw
