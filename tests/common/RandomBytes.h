#pragma once
// Test input from a seeded generator: the same bytes on every run and every machine.

#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

namespace torvane::test {

// The next n bytes of rng, one output (its low byte) per byte.
inline std::vector<std::uint8_t> RandomBytes(std::mt19937& rng, std::size_t n) {
    std::vector<std::uint8_t> v(n);
    for (auto& b : v) b = static_cast<std::uint8_t>(rng());
    return v;
}

// n bytes from a generator of their own, seeded with seed.
inline std::vector<std::uint8_t> RandomBytes(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    return RandomBytes(rng, n);
}

} // namespace torvane::test
