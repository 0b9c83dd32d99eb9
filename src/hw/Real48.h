#pragma once
// The 6-byte real of the sensor block: byte 0 is the exponent with bias 129 (0 means the value 0), byte 5
// bit 7 the sign, and the other 39 bits (byte 5 bits 0-6 the highest, then bytes 4, 3, 2 and 1) the
// fraction of a mantissa with a hidden leading 1. Every such value is exact in a double.

#include <array>
#include <cstdint>
#include <optional>

namespace torvane::hw {

using TReal48 = std::array<std::uint8_t, 6>;

double Real48ToDouble(const std::uint8_t* bytes);

// The nearest 6-byte real (ties to even); values too small for it become 0. Nothing for values too
// large for it, infinities and NaN.
std::optional<TReal48> DoubleToReal48(double value);

// Rounds to the nearest integer, halves to the even neighbour (45.5 -> 46, 46.5 -> 46), whatever rounding
// mode the floating-point unit was left in. Nothing when the result does not fit a signed 32-bit integer.
std::optional<std::int32_t> RoundToInt32(double value);

} // namespace torvane::hw
