// TPentiumMMX: the worked examples of the MMX operations, every code against the lane-wise version, the
// interval arithmetic, and what the processor reports about itself.

#include "hw/MmxPortable.h"
#include "hw/PentiumMMX.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

using torvane::hw::MmxOperatePortable;
using torvane::hw::TInterval64;
using torvane::hw::TMmxOperand;
using torvane::hw::TPentiumMMX;

namespace {

// Quadwords as the examples write them: high word, low word.
TMmxOperand Q(std::uint32_t high, std::uint32_t low) {
    return {low, high};
}

TMmxOperand Operate(std::uint8_t code, TMmxOperand a, TMmxOperand b) {
    TPentiumMMX mmx;
    TMmxOperand r{0xDEADBEEF, 0xDEADBEEF};
    mmx.MmxOperate(code, a, b, r);
    return r;
}

struct Example {
    std::uint8_t code;
    TMmxOperand a, b, expected;
};

} // namespace

TEST(MmxOperate, CodesOutsideTheTableGiveZero) {
    for (const int code : {0, 45, 46, 128, 255})
        EXPECT_EQ(Operate(static_cast<std::uint8_t>(code), Q(0xFFFFFFFF, 0xFFFFFFFF), Q(0x12345678, 1)),
                  Q(0, 0))
            << "code " << code;
}

TEST(MmxOperate, WorkedExamples) {
    const Example examples[] = {
        {2, Q(0x00000000, 0x00000003), Q(0x00000007, 0x00000008), Q(0x00000007, 0x00000008)},  // PANDN
        {16, Q(0x00000002, 0x0000000F), Q(0x00000006, 0x00000045), Q(0xFFFFFF00, 0xFFFFFF00)}, // PCMPEQB
        {22, Q(0x00000003, 0x0000000F), Q(0x0000000F, 0x00000054), Q(0x00000000, 0x0000540F)}, // PUNPCKLBW
        {37, Q(0x0000001C, 0x0000001F), Q(0x0000003D, 0x00000158), Q(0x000000DF, 0x0000FFC7)}, // PSUBSB
    };
    for (const auto& e : examples) {
        EXPECT_EQ(Operate(e.code, e.a, e.b), e.expected) << "code " << int(e.code);
        EXPECT_EQ(MmxOperatePortable(e.code, e.a.Quad(), e.b.Quad()), e.expected.Quad())
            << "code " << int(e.code);
    }
}

TEST(MmxOperate, ShiftsByCountsBeyondTheLaneWidth) {
    const auto a = Q(0x80018002, 0xF00F0FF0);
    // The whole quadword is the count: a non-zero upper word makes every logical shift clear the lanes.
    for (const int code : {5, 6, 7, 10, 11, 12}) {
        EXPECT_EQ(Operate(static_cast<std::uint8_t>(code), a, Q(1, 0)), Q(0, 0)) << "code " << code;
        EXPECT_EQ(Operate(static_cast<std::uint8_t>(code), a, Q(0, 64)), Q(0, 0)) << "code " << code;
    }
    EXPECT_EQ(Operate(5, a, Q(0, 16)), Q(0, 0));
    EXPECT_EQ(Operate(10, a, Q(0, 15)), Q(0x80000000, 0x80000000));
    // Arithmetic shifts fill each lane with its sign instead.
    EXPECT_EQ(Operate(8, a, Q(1, 0)), Q(0xFFFFFFFF, 0xFFFF0000));
    EXPECT_EQ(Operate(9, a, Q(0xFFFFFFFF, 0xFFFFFFFF)), Q(0xFFFFFFFF, 0xFFFFFFFF));
}

TEST(MmxOperate, SaturationAndProductCorners) {
    EXPECT_EQ(Operate(28, Q(0, 0x0180), Q(0, 0x0190)), Q(0, 0x02FF)); // PADDUSB caps at FF
    EXPECT_EQ(Operate(31, Q(0, 0x7FFF), Q(0, 0x0001)), Q(0, 0x7FFF)); // PADDSW caps at 7FFF
    EXPECT_EQ(Operate(36, Q(0, 0x0001), Q(0, 0x0002)), Q(0, 0));      // PSUBUSW floors at 0
    EXPECT_EQ(Operate(21, Q(0, 0x0100FFFF), Q(0, 0x007F0080)), Q(0x00007F80, 0x0000FF00)); // PACKUSWB
    EXPECT_EQ(Operate(19, Q(0, 0x8000FF7F), Q(0, 0)), Q(0, 0x00008080));                   // PACKSSWB
    EXPECT_EQ(Operate(43, Q(0, 0x8000), Q(0, 0x8000)), Q(0, 0x4000));                      // PMULHW
    // PMADDWD of two (-32768)^2 products wraps to 0x80000000, as the instruction does.
    EXPECT_EQ(Operate(44, Q(0, 0x80008000), Q(0, 0x80008000)), Q(0, 0x80000000));
}

TEST(MmxOperate, EveryCodeMatchesTheLaneWiseVersion) {
    std::mt19937_64 rng(20240611);
    // Random quadwords, and quadwords built from lane values at the edges of the saturation ranges.
    const std::uint16_t edges[] = {0x0000, 0x0001, 0x007F, 0x0080, 0x00FF, 0x7FFF, 0x8000, 0xFFFF, 0xFF80};
    const auto edgeQuad = [&] {
        std::uint64_t q = 0;
        for (int i = 0; i < 4; ++i) q |= std::uint64_t{edges[rng() % std::size(edges)]} << (16 * i);
        return q;
    };
    for (int code = 1; code <= 44; ++code) {
        for (int i = 0; i < 3000; ++i) {
            const std::uint64_t a = i % 3 == 0 ? edgeQuad() : rng();
            std::uint64_t b = i % 3 == 1 ? edgeQuad() : rng();
            if (i % 5 == 0) b %= 70; // small counts, so the shifts do more than clear
            const auto r =
                Operate(static_cast<std::uint8_t>(code), TMmxOperand::FromQuad(a), TMmxOperand::FromQuad(b));
            ASSERT_EQ(r.Quad(), MmxOperatePortable(static_cast<std::uint8_t>(code), a, b))
                << "code " << code << std::hex << " a " << a << " b " << b;
        }
    }
}

TEST(MmxOperate, LeavesTheFloatingPointUnitUsable) {
    // The MMX registers share the x87 stack: without EMMS afterwards the next extended-precision
    // arithmetic would find a full stack and produce NaNs.
    for (int code = 0; code <= 44; ++code) {
        Operate(static_cast<std::uint8_t>(code), Q(1, 2), Q(3, 4));
        volatile long double x = 1.5L;
        const long double y = std::sqrt(x * x * 4.0L) + std::sin(0.0L);
        ASSERT_EQ(y, 3.0L) << "after code " << code;
    }
}

TEST(Interval, ThirtyTwoBitDifferences) {
    TPentiumMMX mmx;
    EXPECT_EQ(mmx.Interval32(65536, 65535), 1u);
    EXPECT_EQ(mmx.Interval32(0, 1), 4294967295u);
    std::mt19937 rng(7);
    for (int i = 0; i < 10000; ++i) {
        const std::uint32_t n = rng(), o = rng();
        ASSERT_EQ(mmx.Interval32(n, o), n - o) << n << " " << o;
    }
}

TEST(Interval, SixtyFourBitDifferencesHighWordFirst) {
    TPentiumMMX mmx;
    TInterval64 r;
    mmx.Interval64({1, 0}, {0, 1}, r);
    EXPECT_EQ(r, (TInterval64{0, 4294967295u}));
    mmx.Interval64({0, 0}, {0, 1}, r);
    EXPECT_EQ(r, (TInterval64{0xFFFFFFFF, 0xFFFFFFFF}));
    std::mt19937_64 rng(11);
    for (int i = 0; i < 10000; ++i) {
        const std::uint64_t n = rng(), o = i % 2 ? rng() : n - (rng() % 100000);
        mmx.Interval64({std::uint32_t(n >> 32), std::uint32_t(n)}, {std::uint32_t(o >> 32), std::uint32_t(o)},
                       r);
        ASSERT_EQ((std::uint64_t{r.High} << 32) | r.Low, n - o);
    }
}

TEST(ProcessorInfo, ReportsWhatTheProcessorHas) {
    TPentiumMMX mmx;
    EXPECT_EQ(mmx.VendorString().size(), 12u);
#if defined(__x86_64__)
    // Every 64-bit x86 processor has CPUID, the time stamp counter and MMX.
    EXPECT_TRUE(mmx.CpuIDsupport());
    EXPECT_TRUE(mmx.RDTSCsupport());
    EXPECT_TRUE(mmx.MMXsupport());
    EXPECT_GE(mmx.Family(), 4);
    EXPECT_EQ(mmx.FeatureFlags() & (1 << 23), 1 << 23);
    // The counter moves forward between two readings.
    const auto before = static_cast<std::uint32_t>(mmx.TimeStampLow());
    volatile int spin = 0;
    for (int i = 0; i < 1000; ++i) spin = spin + i;
    const auto after = static_cast<std::uint32_t>(mmx.TimeStampLow());
    EXPECT_GT(mmx.Interval32(after, before), 0u);
    mmx.SetErrorEnable(true); // leaf 1 exists here, so nothing is raised
    EXPECT_NO_THROW(mmx.SteppingID());
#endif
}
