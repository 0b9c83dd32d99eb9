#include "hw/Real48.h"

#include <cmath>
#include <cstdint>

namespace torvane::hw {

namespace {

// floor and the subtraction below are exact for every non-negative double, so the result does not
// depend on the rounding mode.
double RoundHalfEvenMagnitude(double magnitude) {
    double whole = std::floor(magnitude);
    const double part = magnitude - whole;
    if (part > 0.5 || (part == 0.5 && std::fmod(whole, 2.0) != 0.0)) whole += 1.0;
    return whole;
}

constexpr int kExponentBias = 129;
constexpr int kFractionBits = 39;

} // namespace

double Real48ToDouble(const std::uint8_t* bytes) {
    const int exponent = bytes[0];
    if (exponent == 0) return 0.0;
    const std::uint64_t fraction = (std::uint64_t{bytes[5] & 0x7Fu} << 32) | (std::uint64_t{bytes[4]} << 24) |
                                   (std::uint64_t{bytes[3]} << 16) | (std::uint64_t{bytes[2]} << 8) |
                                   bytes[1];
    const double magnitude = std::ldexp(static_cast<double>((std::uint64_t{1} << kFractionBits) | fraction),
                                        exponent - kExponentBias - kFractionBits);
    return (bytes[5] & 0x80) ? -magnitude : magnitude;
}

std::optional<TReal48> DoubleToReal48(double value) {
    if (!std::isfinite(value)) return std::nullopt;
    TReal48 out{};
    if (value == 0.0) return out;
    int power = 0;
    const double half = std::frexp(std::fabs(value), &power); // |value| = half * 2^power, half in [0.5, 1)
    auto mantissa = static_cast<std::uint64_t>(RoundHalfEvenMagnitude(std::ldexp(half, kFractionBits + 1)));
    if (mantissa >> (kFractionBits + 1)) { // rounded up to the next power of two
        mantissa >>= 1;
        ++power;
    }
    const int exponent = power - 1 + kExponentBias;
    if (exponent > 255) return std::nullopt;
    if (exponent < 1) return out;
    const std::uint64_t fraction = mantissa & ((std::uint64_t{1} << kFractionBits) - 1);
    out[0] = static_cast<std::uint8_t>(exponent);
    for (int i = 1; i <= 4; ++i) out[i] = static_cast<std::uint8_t>(fraction >> (8 * (i - 1)));
    out[5] = static_cast<std::uint8_t>((fraction >> 32) | (value < 0 ? 0x80u : 0u));
    return out;
}

std::optional<std::int32_t> RoundToInt32(double value) {
    if (!std::isfinite(value)) return std::nullopt;
    const double magnitude = RoundHalfEvenMagnitude(std::fabs(value));
    const double rounded = value < 0 ? -magnitude : magnitude;
    if (rounded < -2147483648.0 || rounded > 2147483647.0) return std::nullopt;
    return static_cast<std::int32_t>(rounded);
}

} // namespace torvane::hw
