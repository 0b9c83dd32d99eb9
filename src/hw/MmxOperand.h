#pragma once
// The MMX quadword as callers fill and read it: two 32-bit words, the low word first (the little-endian
// image of the 64-bit register).

#include <cstdint>

namespace torvane::hw {

struct TMmxOperand {
    std::uint32_t Low = 0;
    std::uint32_t High = 0;

    static TMmxOperand FromQuad(std::uint64_t q) {
        return {static_cast<std::uint32_t>(q), static_cast<std::uint32_t>(q >> 32)};
    }
    std::uint64_t Quad() const { return static_cast<std::uint64_t>(High) << 32 | Low; }
    friend bool operator==(const TMmxOperand&, const TMmxOperand&) = default;
};
static_assert(sizeof(TMmxOperand) == 8);

// The time stamp interval value: also 8 bytes, but with the HIGH word first, in the order in which the
// two halves of the counter are read.
struct TInterval64 {
    std::uint32_t High = 0;
    std::uint32_t Low = 0;
    friend bool operator==(const TInterval64&, const TInterval64&) = default;
};
static_assert(sizeof(TInterval64) == 8);

// The highest operation code of MmxOperate; 0 and every code above it give a zero result.
inline constexpr std::uint8_t MmxMaxCode = 44;

} // namespace torvane::hw
