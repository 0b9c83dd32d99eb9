#include "engine/Random.h"

#include "platform/SystemState.h"

#include <utility>

namespace torvane::engine {

void RandomGenerator::Clock(std::uint32_t& a) {
    std::uint32_t carry = a >> 31;
    a <<= 1;
    for (auto& w : w_) {
        const std::uint32_t out = w >> 31;
        w = (w << 1) | carry;
        carry = out;
    }
    if (carry == 0) {
        a |= 1;
        w_[0] ^= 0xFFFFFF87u;
    }
}

void RandomGenerator::Clock32(std::uint32_t& a) {
    // Within 32 clocks no bit that enters at the bottom reaches the top of w7, so the 32 bits shifted out
    // are w7 as it stands: the accumulator becomes their complement (a bit set for every 0 shifted out),
    // the words move up by one, the old accumulator becomes w0, and every 0 shifted out at clock j has
    // xored 0xFFFFFF87 into w0 that the remaining 31 - j clocks carried left. Those feedbacks together are
    // the carry-less product of the new accumulator and 0xFFFFFF87 (= 0xFFFFFFFF xor 0x78), 63 bits wide.
    const std::uint32_t shiftedOut = ~w_[7];
    const std::uint64_t x = shiftedOut;
    std::uint64_t ones = x; // x carry-less times 0xFFFFFFFF: x << k xored for k = 0 ... 31
    ones ^= ones << 1;
    ones ^= ones << 2;
    ones ^= ones << 4;
    ones ^= ones << 8;
    ones ^= ones << 16;
    const std::uint64_t feedback = ones ^ (x << 3) ^ (x << 4) ^ (x << 5) ^ (x << 6);
    for (std::size_t k = 7; k > 0; --k) w_[k] = w_[k - 1];
    w_[1] ^= static_cast<std::uint32_t>(feedback >> 32);
    w_[0] = a ^ static_cast<std::uint32_t>(feedback);
    a = shiftedOut;
}

void RandomGenerator::Run(std::uint32_t& a, int clocks) {
    int i = 0;
    for (; i + 32 <= clocks; i += 32) Clock32(a);
    for (; i < clocks; ++i) Clock(a);
}

std::uint32_t RandomGenerator::Draw(int clocks) {
    std::uint32_t a = 0;
    Run(a, clocks);
    ++counter_;
    return a;
}

void RandomGenerator::Reseed(const ReseedInputs& in) {
    auto block = in.MemoryStatus;
    block[0] ^= counter_;
    block[1] ^= in.ProcessId;
    block[2] ^= in.ThreadId;
    block[3] ^= static_cast<std::uint32_t>(in.CursorX);
    block[4] ^= static_cast<std::uint32_t>(in.CursorY);
    block[5] ^= in.TickCount;
    block[6] ^= in.LastEventTime;
    block[7] ^= counter_;
    w_ = block;
    std::uint32_t discarded = 0;
    Run(discarded, 512);
}

std::int32_t ReduceIntoRange(std::uint32_t r, std::int32_t low, std::int32_t high) {
    if (low > high) std::swap(low, high);
    if (low == high) return low;

    // The reduction as the generator has always done it, in 32-bit signed terms: v := high xor r, made
    // non-negative for a non-negative range (where the most negative value stays negative, as 32-bit
    // absolute values do), then folded with remainders until it lies in the range. It is computed in 64
    // bits so that no step overflows.
    std::int64_t v = static_cast<std::int32_t>(static_cast<std::uint32_t>(high) ^ r);
    if (low >= 0 && v < 0 && v != INT32_MIN) v = -v;
    // The fold divides by high and can cycle (for [2, 3] it runs 1 -> 0 -> 1 ...), so it runs only for a
    // positive high and for a bounded number of rounds; the ranges the program uses settle within two.
    // The one slow stretch they can meet, climbing from the most negative draw towards 0 by low + 1 per
    // round (thousands of rounds for [0, 6000]), is taken in one step with the same outcome.
    if (high > 0) {
        for (int round = 0; round < 1024 && (v > high || v < low); ++round) {
            if (low >= 0 && v < 0 && v > -std::int64_t{high}) {
                v += (-v + low) / (std::int64_t{low} + 1) * (std::int64_t{low} + 1);
                continue;
            }
            v = ((v % high) + low) % high;
            if (v < low) ++v;
            if (v > high) --v;
        }
    }
    if (v >= low && v <= high) return static_cast<std::int32_t>(v);

    // Where the fold does not settle: the draw taken modulo the width of the range.
    const std::uint64_t width = static_cast<std::uint64_t>(std::int64_t{high} - low) + 1;
    return static_cast<std::int32_t>(std::int64_t{low} + static_cast<std::int64_t>(r % width));
}

std::int32_t RandomInRange(RandomGenerator& generator, const ReseedInputs& inputs, std::int32_t low,
                           std::int32_t high) {
    generator.Reseed(inputs);
    return ReduceIntoRange(generator.Draw(8192), low, high);
}

ReseedInputs SystemReseedInputs() {
    ReseedInputs in;
    in.MemoryStatus = MemoryStatusRecord();
    in.ProcessId = ProcessId();
    in.ThreadId = static_cast<std::uint32_t>(CurrentThreadId());
    in.TickCount = TickCountMs();
    return in;
}

} // namespace torvane::engine
