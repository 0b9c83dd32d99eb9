#pragma once
// The random generator of the test run: a 256-bit shift register with a 32-bit accumulator, reseeded from
// the state of the system before every ranged draw. Test kinds and durations, the encryption workload's
// passwords and sizes and the certificates' filler all come from it.

#include <array>
#include <cstdint>
#include <functional>

namespace torvane::engine {

// What a reseed mixes into the state.
struct ReseedInputs {
    std::array<std::uint32_t, 8> MemoryStatus{}; // the memory status record, word 0 holds its size 32
    std::uint32_t ProcessId = 0;
    std::uint32_t ThreadId = 0;
    std::int32_t CursorX = 0, CursorY = 0; // 0 where there is no display
    std::uint32_t TickCount = 0;           // ms since system start
    std::uint32_t LastEventTime = 0;       // ms clock reading of the last event processed
};

class RandomGenerator {
public:
    // One clock of the register with the accumulator a.
    void Clock(std::uint32_t& a);
    // 32 clocks in one step, with the same outcome as 32 calls of Clock.
    void Clock32(std::uint32_t& a);
    // a := 0, then n clocks; the result is a. Counts one draw.
    std::uint32_t Draw(int clocks);
    // The inputs become the state; then 512 clocks settle it.
    void Reseed(const ReseedInputs& inputs);

    std::uint32_t DrawCounter() const { return counter_; }
    const std::array<std::uint32_t, 8>& State() const { return w_; }
    void SetState(const std::array<std::uint32_t, 8>& state) { w_ = state; }

private:
    void Run(std::uint32_t& a, int clocks);

    std::array<std::uint32_t, 8> w_{}; // w_[0] is the least significant word
    std::uint32_t counter_ = 0;
};

// Reseeds the generator, draws 8192 clocks and reduces the draw into [low, high] (either order of the
// bounds). Every range terminates and gives a value inside it; the original reduction is kept wherever
// it converges, so the ranges the program uses give the values they always gave.
std::int32_t RandomInRange(RandomGenerator& generator, const ReseedInputs& inputs, std::int32_t low,
                           std::int32_t high);

// The reduction alone, for a drawn value r.
std::int32_t ReduceIntoRange(std::uint32_t r, std::int32_t low, std::int32_t high);

// The inputs of this process now (memory figures, ids, tick count); the caller adds cursor and event time.
ReseedInputs SystemReseedInputs();

} // namespace torvane::engine
