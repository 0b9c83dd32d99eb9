// The random generator and RandomInRange: the register's arithmetic, the reseed, and the reduction that
// must end inside the range for every range while keeping the values the program's ranges always gave.

#include "engine/Random.h"

#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <random>

using namespace torvane::engine;

namespace {

// The reduction exactly as first designed, in 32-bit signed arithmetic, for the ranges where it is well
// defined; nullopt where it does not come to an end within the given rounds.
std::optional<std::int32_t> OriginalReduction(std::uint32_t r, std::int32_t low, std::int32_t high,
                                              int rounds) {
    std::int32_t v = static_cast<std::int32_t>(static_cast<std::uint32_t>(high) ^ r);
    if (low >= 0 && v != INT_MIN) v = v < 0 ? -v : v;
    while (v > high || v < low) {
        if (rounds-- == 0) return std::nullopt;
        v = ((v % high) + low) % high;
        if (v < low) v = v + 1;
        if (v > high) v = v - 1;
    }
    return v;
}

} // namespace

TEST(RandomGenerator, ClocksTheRegisterAsDescribed) {
    RandomGenerator g;
    // From an all-zero state the bit leaving the top word is 0: the accumulator gets a 1 and the
    // feedback pattern goes into the lowest word.
    EXPECT_EQ(g.Draw(1), 1u);
    EXPECT_EQ(g.State()[0], 0xFFFFFF87u);
    EXPECT_EQ(g.DrawCounter(), 1u);
    // A new draw starts from a zero accumulator. First clock: 0xFFFFFF87 << 1 = 0xFFFFFF0E with its top
    // bit carried into word 1, then the feedback (0x89); second clock: 0x89 << 1 = 0x112, word 1 becomes
    // 2, and the feedback once more.
    EXPECT_EQ(g.Draw(2), 3u);
    EXPECT_EQ(g.State()[0], 0x112u ^ 0xFFFFFF87u);
    EXPECT_EQ(g.State()[1], 2u);
    EXPECT_EQ(g.DrawCounter(), 2u);
}

TEST(RandomGenerator, AOneLeavingTheTopWordGivesNoFeedback) {
    RandomGenerator g;
    std::array<std::uint32_t, 8> state{};
    state[7] = 0x80000000u;
    g.SetState(state);
    std::uint32_t a = 0x80000000u;
    g.Clock(a);
    EXPECT_EQ(a, 0u);
    EXPECT_EQ(g.State()[0], 1u); // the accumulator's top bit entered at the bottom
    EXPECT_EQ(g.State()[7], 0u);
}

TEST(RandomGenerator, ThirtyTwoClocksInOneStepEqualThirtyTwoSingleClocks) {
    std::mt19937 rng(11);
    auto randomState = [&] {
        std::array<std::uint32_t, 8> s;
        for (auto& w : s) w = rng();
        return s;
    };
    for (int i = 0; i < 2000; ++i) {
        // The edges too: top words of all ones (no feedback at all) and all zeros (feedback every clock).
        auto state = randomState();
        if (i == 0) state[7] = 0xFFFFFFFFu;
        if (i == 1) state[7] = 0;
        RandomGenerator single, stepped;
        single.SetState(state);
        stepped.SetState(state);
        std::uint32_t a = rng(), b = a;
        for (int k = 0; k < 32; ++k) single.Clock(a);
        stepped.Clock32(b);
        ASSERT_EQ(stepped.State(), single.State()) << i;
        ASSERT_EQ(b, a) << i;
    }
    // Draws of every length the program uses, and lengths around a step, give what single clocks give.
    for (int clocks : {0, 1, 31, 32, 33, 63, 64, 65, 1000, 8192}) {
        const auto state = randomState();
        RandomGenerator g;
        g.SetState(state);
        RandomGenerator reference;
        reference.SetState(state);
        std::uint32_t a = 0;
        for (int k = 0; k < clocks; ++k) reference.Clock(a);
        EXPECT_EQ(g.Draw(clocks), a) << clocks;
        EXPECT_EQ(g.State(), reference.State()) << clocks;
    }
}

TEST(RandomGenerator, ReseedDependsOnEveryInputAndTheDrawCounter) {
    ReseedInputs in;
    in.MemoryStatus = {32, 40, 1, 2, 3, 4, 5, 6};
    RandomGenerator a, b;
    a.Reseed(in);
    b.Reseed(in);
    EXPECT_EQ(a.State(), b.State());
    const auto base = a.State();
    auto changed = [&](auto edit) {
        ReseedInputs other = in;
        edit(other);
        RandomGenerator g;
        g.Reseed(other);
        return g.State() != base;
    };
    EXPECT_TRUE(changed([](ReseedInputs& x) { x.ProcessId = 1; }));
    EXPECT_TRUE(changed([](ReseedInputs& x) { x.ThreadId = 1; }));
    EXPECT_TRUE(changed([](ReseedInputs& x) { x.CursorX = 1; }));
    EXPECT_TRUE(changed([](ReseedInputs& x) { x.CursorY = 1; }));
    EXPECT_TRUE(changed([](ReseedInputs& x) { x.TickCount = 1; }));
    EXPECT_TRUE(changed([](ReseedInputs& x) { x.LastEventTime = 1; }));
    EXPECT_TRUE(changed([](ReseedInputs& x) { x.MemoryStatus[3] ^= 1; }));
    a.Draw(1);
    a.Reseed(in);
    EXPECT_NE(a.State(), base);
}

TEST(RandomInRange, EveryRangeEndsInsideIt) {
    const std::pair<std::int32_t, std::int32_t> ranges[] = {
        {0, 90},
        {1, 10},
        {0, 6000},
        {0, 9999},
        {0, 24},
        {1, 255},
        {10485760, 104857600},
        // ranges whose original reduction divides by zero, cycles or never gets inside
        {0, 0},
        {5, 5},
        {-7, -7},
        {2, 3},
        {9, 10},
        {1073741824, 1073741826},
        {-10, -5},
        {-5, 10},
        {INT_MIN, INT_MAX},
        {INT_MIN, INT_MIN + 1},
        {INT_MAX - 1, INT_MAX},
        {INT_MIN, 0},
        {-1, 0},
        {10, 1}};
    std::mt19937 rng(99);
    for (const auto& [low, high] : ranges) {
        const auto lo = std::min(low, high), hi = std::max(low, high);
        for (const std::uint32_t r : {0u, 1u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu}) {
            const auto v = ReduceIntoRange(r, low, high);
            ASSERT_TRUE(v >= lo && v <= hi) << "[" << low << ", " << high << "] r " << r << " gave " << v;
        }
        for (int i = 0; i < 20000; ++i) {
            const std::uint32_t r = rng();
            const auto v = ReduceIntoRange(r, low, high);
            ASSERT_TRUE(v >= lo && v <= hi) << "[" << low << ", " << high << "] r " << r << " gave " << v;
        }
    }
}

TEST(RandomInRange, TheProgramsRangesGiveTheirOriginalValues) {
    const std::pair<std::int32_t, std::int32_t> ranges[] = {{0, 90},
                                                            {1, 10},
                                                            {0, 6000},
                                                            {0, 9999},
                                                            {0, 24},
                                                            {1, 255},
                                                            {10485760, 104857600},
                                                            {5242880, 52428800}};
    std::mt19937 rng(5);
    for (const auto& [low, high] : ranges) {
        for (int i = 0; i < 100000; ++i) {
            const std::uint32_t r = i < 4 ? std::uint32_t(0x80000000u ^ high) + i : rng();
            const auto original = OriginalReduction(r, low, high, 100000000);
            ASSERT_TRUE(original.has_value()) << "[" << low << ", " << high << "] r " << r << " i " << i;
            ASSERT_EQ(ReduceIntoRange(r, low, high), *original) << "[" << low << ", " << high << "] r " << r;
        }
    }
}

TEST(RandomInRange, TestKindsAreAlwaysZeroOneOrTwo) {
    RandomGenerator g;
    int seen[3] = {};
    for (int i = 0; i < 300; ++i) {
        auto in = SystemReseedInputs();
        in.LastEventTime = static_cast<std::uint32_t>(i);
        const auto v = RandomInRange(g, in, 0, 90);
        ASSERT_GE(v, 0);
        ASSERT_LE(v, 90);
        ++seen[v % 3];
    }
    EXPECT_GT(seen[0], 0);
    EXPECT_GT(seen[1], 0);
    EXPECT_GT(seen[2], 0);
    EXPECT_EQ(g.DrawCounter(), 300u);
}

TEST(SystemState, MemoryRecordHasItsSizeFirst) {
    const auto in = SystemReseedInputs();
    EXPECT_EQ(in.MemoryStatus[0], 32u);
    EXPECT_NE(in.MemoryStatus[2], 0u);
    EXPECT_NE(in.ProcessId, 0u);
    EXPECT_NE(in.ThreadId, 0u);
}
