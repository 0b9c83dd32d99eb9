// Processor identification through a played processor: the vendor and model tables, the division flaw,
// the system type, and the speed measurement against counters that move as the test says.

#include "hw/CpuIdent.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>

namespace torvane::hw {
namespace {

class PlayedCpu final : public ICpuidSource {
public:
    PlayedCpu(const char* vendor, int family, int model, int stepping, int type = 0, std::uint32_t edx = 0) {
        std::uint32_t words[3] = {};
        std::memcpy(words, vendor, 12);
        leaves[0] = {1, words[0], words[2], words[1]}; // EBX, EDX, ECX carry the text in that order
        leaves[1] = {static_cast<std::uint32_t>(type << 12 | family << 8 | model << 4 | stepping), 0, 0, edx};
    }
    bool IdFlagToggles() const override { return idFlag; }
    CpuidRegisters Cpuid(std::uint32_t leaf) const override {
        const auto it = leaves.find(leaf);
        return it == leaves.end() ? CpuidRegisters{} : it->second;
    }
    bool DivisionLeavesFlagsClear() const override { return cyrixDivision; }

    bool idFlag = true;
    bool cyrixDivision = false;
    std::map<std::uint32_t, CpuidRegisters> leaves;
};

SystemProcessorInfo System(std::uint32_t type, std::uint32_t count = 1) {
    return {count, type};
}

TEST(CpuIdent, ModelTablesAndDivisionFlaw) {
    struct Row {
        const char* vendor;
        int family, model, stepping;
        std::uint32_t systemType;
        const char* cpu;
        const char* fullname;
        bool fdiv;
    };
    const Row rows[] = {
        {"GenuineIntel", 5, 2, 1, 586, "Pentium (P54C)", "Intel Pentium (P54C)", true},
        {"GenuineIntel", 5, 7, 2, 586, "Pentium (P54C)", "Intel Pentium (P54C)", true},
        {"GenuineIntel", 5, 2, 3, 586, "Pentium (P54C)", "Intel Pentium (P54C)", false},
        {"GenuineIntel", 5, 1, 5, 586, "Pentium (P5)", "Intel Pentium (P5)", true},
        {"GenuineIntel", 5, 0, 4, 586, "Pentium (P5)", "Intel Pentium (P5)", false},
        {"GenuineIntel", 5, 4, 3, 586, "Pentium MMX", "Intel Pentium MMX", false},
        {"GenuineIntel", 5, 9, 3, 586, "Pentium", "Intel Pentium", false},
        {"GenuineIntel", 6, 6, 0, 586, "Pentium", "Intel Pentium", false}, // unlisted: the system's type
        {"GenuineIntel", 6, 5, 0, 586, "Pentium II (Model 5)", "Intel Pentium II (Model 5)", false},
        {"GenuineIntel", 4, 8, 0, 486, "80486DX4", "Intel 80486DX4", false},
        {"GenuineIntel", 4, 2, 0, 486, "80486 class", "Intel 80486 class", false},
        {"AuthenticAMD", 5, 8, 0, 586, "K6 3D", "AMD K6 3D", false},
        {"AuthenticAMD", 5, 9, 0, 586, "K6 3D+", "AMD K6 3D+", false},
        {"AuthenticAMD", 5, 4, 0, 586, "Pentium Class", "AMD Pentium Class", false},
        {"AuthenticAMD", 4, 8, 0, 486, "486DX4", "AMD 486DX4", false}, // the system said "486"
        {"AuthenticAMD", 4, 8, 0, 586, "5x86", "AMD 5x86", false},
        {"AuthenticAMD", 4, 1, 0, 486, "486 Class", "AMD 486 Class", false},
        {"AuthenticAMD", 15, 1, 0, 586, "Pentium", "AMD Pentium", false}, // a family of today
        {"CyrixInstead", 6, 0, 0, 686, "6x86MX", "Cyrix 6x86MX", false},
        {"CyrixInstead", 6, 2, 0, 686, "Pentium Pro", "Cyrix Pentium Pro", false},
        {"CentaurHauls", 5, 4, 0, 586, "IDT C6 WinChip", "IDT IDT C6 WinChip", false},
        {"NexGenDriven", 5, 0, 0, 586, "Nx586", "NexGen Nx586", false},
        {"UMC UMC UMC ", 4, 2, 0, 486, "U5S (486SX)", "UMC U5S (486SX)", false},
        {"UMC UMC UMC ", 4, 1, 0, 486, "U5D (486DX)", "UMC U5D (486DX)", false},
    };
    for (const auto& row : rows) {
        const TCpuIdent ident(PlayedCpu(row.vendor, row.family, row.model, row.stepping),
                              System(row.systemType));
        SCOPED_TRACE(std::string(row.vendor) + " " + std::to_string(row.family) + "-" +
                     std::to_string(row.model));
        EXPECT_EQ(ident.CPU(), row.cpu);
        EXPECT_EQ(ident.Fullname(), row.fullname);
        EXPECT_EQ(ident.FDivBug(), row.fdiv);
    }
}

TEST(CpuIdent, RawIdentificationAndFlags) {
    const std::uint32_t edx = 1u << 0 | 1u << 4 | 1u << 11 | 1u << 15 | 1u << 23;
    const TCpuIdent ident(PlayedCpu("GenuineIntel", 5, 4, 3, 1, edx), System(586, 2));
    const auto& info = ident.CpuIdentInfo();
    EXPECT_TRUE(info.Supports_CPUID);
    EXPECT_EQ(info.VendorID, "GenuineIntel");
    EXPECT_EQ(info.cpuFamily, 5);
    EXPECT_EQ(info.cpuModel, 4);
    EXPECT_EQ(info.cpuStepping, 3);
    EXPECT_EQ(info.cpuType, 1);
    EXPECT_EQ(info.RawSpeed, 0);
    EXPECT_EQ(ident.Speed(), 0);
    EXPECT_TRUE(ident.OverDrive());
    EXPECT_TRUE(ident.MMX());
    EXPECT_EQ(ident.Count(), 2);
    EXPECT_EQ(ident.Vendor(), "Intel Corporation");
    EXPECT_EQ(ident.Version(), "2.047");
    EXPECT_EQ(ident.About(), "");
    const auto& f = ident.CpuIdentFeatures();
    EXPECT_TRUE(f.FPU && f.TSC && f.SEP && f.CMOV && f.MMX);
    EXPECT_FALSE(f.VME || f.DE || f.PSE || f.MSR || f.PAE || f.MCE || f.CX8 || f.APIC || f.MTRR || f.PGE ||
                 f.MCA);
    // The type field means OverDrive for Intel only.
    EXPECT_FALSE(TCpuIdent(PlayedCpu("AuthenticAMD", 5, 6, 0, 1), System(586)).OverDrive());
}

TEST(CpuIdent, UnknownVendorsAndNoCpuid) {
    PlayedCpu unknown("SiS SiS SiS ", 5, 0, 0);
    const TCpuIdent plain(unknown, System(586));
    EXPECT_EQ(plain.Vendor(), "Unknown Vendor");
    EXPECT_EQ(plain.Fullname(), "Unknown Pentium");
    EXPECT_EQ(plain.VendorIndex(), kUnknownVendor);

    // A processor without a vendor string that leaves the flags alone on division is a Cyrix.
    unknown.cyrixDivision = true;
    const TCpuIdent cyrix(unknown, System(586));
    EXPECT_EQ(cyrix.Vendor(), "Cyrix Corporation");
    EXPECT_EQ(cyrix.CPU(), "Pentium Class");
    // The test is for unknown vendors only.
    PlayedCpu intel("GenuineIntel", 5, 4, 0);
    intel.cyrixDivision = true;
    EXPECT_EQ(TCpuIdent(intel, System(586)).VendorIndex(), 0);

    PlayedCpu old("GenuineIntel", 4, 0, 0, 0, 1u << 23);
    old.idFlag = false;
    const TCpuIdent none(old, System(486));
    EXPECT_FALSE(none.CpuIdentInfo().Supports_CPUID);
    EXPECT_EQ(none.CpuIdentInfo().VendorID, "Unknown");
    EXPECT_EQ(none.CpuIdentInfo().cpuFamily, 0);
    EXPECT_EQ(none.Vendor(), "");
    EXPECT_EQ(none.Fullname(), "486 class processor");
    EXPECT_FALSE(none.MMX());
    EXPECT_FALSE(none.CpuIdentFeatures().MMX);
    EXPECT_EQ(TCpuIdent(old, System(8664)).Fullname(), " class processor");
    EXPECT_EQ(TCpuIdent(old, System(786)).CPU(), "Pentium II");
}

TEST(CpuIdent, CountIsAByteThatSaturates) {
    const PlayedCpu cpu("GenuineIntel", 6, 0, 0);
    EXPECT_EQ(TCpuIdent(cpu, System(586, 255)).Count(), 255);
    EXPECT_EQ(TCpuIdent(cpu, System(586, 256)).Count(), 255);
    EXPECT_EQ(TCpuIdent(cpu, System(586, 1)).Count(), 1);
}

TEST(CpuIdent, BrandString) {
    PlayedCpu cpu("GenuineIntel", 6, 0, 0);
    EXPECT_EQ(TCpuIdent(cpu, System(586)).BrandString(), ""); // no extended leaves
    const char text[49] = "       Intel(R) Pentium(R) III CPU 1.0GHz\0\0\0\0\0\0";
    std::uint32_t w[12];
    std::memcpy(w, text, 48);
    cpu.leaves[0x80000000u] = {0x80000004u, 0, 0, 0};
    for (std::uint32_t i = 0; i < 3; ++i)
        cpu.leaves[0x80000002u + i] = {w[4 * i], w[4 * i + 1], w[4 * i + 2], w[4 * i + 3]};
    EXPECT_EQ(TCpuIdent(cpu, System(586)).BrandString(), "Intel(R) Pentium(R) III CPU 1.0GHz");
    cpu.leaves[0x80000000u] = {0x80000003u, 0, 0, 0};
    EXPECT_EQ(TCpuIdent(cpu, System(586)).BrandString(), "");
}

TEST(CpuIdent, StandardSpeedRounding) {
    EXPECT_EQ(NearestStandardSpeed(64), 66);
    EXPECT_EQ(NearestStandardSpeed(63), 60); // a tie goes to the lower speed
    EXPECT_EQ(NearestStandardSpeed(500), 400);
    EXPECT_EQ(NearestStandardSpeed(20), 25);
    EXPECT_EQ(NearestStandardSpeed(0), 25);
    EXPECT_EQ(NearestStandardSpeed(383), 366);
    EXPECT_EQ(NearestStandardSpeed(384), 400);
    EXPECT_EQ(NearestStandardSpeed(3000), 400);
}

// Ticks move by one per reading (after `stall` readings at the start); the counter adds `rate` per tick.
class PlayedClock final : public ISpeedSource {
public:
    PlayedClock(std::uint32_t start, std::uint64_t rate) : tick_(start), rate_(rate) {}
    std::uint32_t TickCount() override {
        if (stall > 0) {
            --stall;
            return tick_;
        }
        counter_ += rate_;
        return tick_++;
    }
    bool CounterAvailable() override { return available; }
    std::uint64_t Counter() override { return counterOverride ? counterOverride(counter_) : counter_; }

    int stall = 3;
    bool available = true;
    std::function<std::uint64_t(std::uint64_t)> counterOverride;

private:
    std::uint32_t tick_;
    std::uint64_t counter_ = 0;
    std::uint64_t rate_;
};

TEST(CpuIdent, MeasureSpeed) {
    TCpuIdent ident(PlayedCpu("GenuineIntel", 5, 2, 5), System(586));
    // 233 333 counts a millisecond over the ticks from the first change to t + 1000.
    PlayedClock clock(5000, 233333);
    ident.MeasureSpeed(clock);
    EXPECT_EQ(ident.CpuIdentInfo().RawSpeed, 233);
    EXPECT_EQ(ident.Speed(), 233);

    PlayedClock slow(5000, 63000);
    ident.MeasureSpeed(slow);
    EXPECT_EQ(ident.CpuIdentInfo().RawSpeed, 63);
    EXPECT_EQ(ident.Speed(), 60);

    PlayedClock none(5000, 1);
    none.available = false;
    ident.MeasureSpeed(none);
    EXPECT_EQ(ident.CpuIdentInfo().RawSpeed, -1);
    EXPECT_EQ(ident.Speed(), -1);
}

TEST(CpuIdent, MeasureSpeedAcrossTheTickCountBoundaries) {
    // Near 2^31 a comparison with t + 1000 as signed numbers ends the wait at once; near 2^32 the sum
    // wraps. Both still time a whole second.
    for (const std::uint32_t start : {0x7FFFFF00u, 0xFFFFFF00u, 0xFFFFFFFFu}) {
        TCpuIdent ident(PlayedCpu("GenuineIntel", 5, 2, 5), System(586));
        PlayedClock clock(start, 400000);
        ident.MeasureSpeed(clock);
        EXPECT_EQ(ident.CpuIdentInfo().RawSpeed, 400) << std::hex << start;
    }
}

TEST(CpuIdent, ACounterThatRunsBackwardsMeasuresNothing) {
    TCpuIdent ident(PlayedCpu("GenuineIntel", 5, 2, 5), System(586));
    PlayedClock clock(100, 1000);
    clock.counterOverride = [calls = 0](std::uint64_t c) mutable {
        return ++calls == 1 ? c + 1'000'000'000 : c;
    };
    ident.MeasureSpeed(clock);
    EXPECT_EQ(ident.CpuIdentInfo().RawSpeed, -1);
    EXPECT_EQ(ident.Speed(), -1);
}

TEST(CpuIdent, ThisProcessor) {
    // Whatever it is, its identification is self-consistent.
    const TCpuIdent ident;
    if (!ident.CpuIdentInfo().Supports_CPUID) GTEST_SKIP() << "no CPUID here";
    EXPECT_EQ(ident.CpuIdentInfo().VendorID.size(), 12u);
    EXPECT_EQ(
        ident.Fullname().rfind(std::string(CpuVendors[static_cast<size_t>(ident.VendorIndex())].Prefix), 0),
        0u);
    EXPECT_TRUE(ident.CpuIdentFeatures().TSC);
}

} // namespace
} // namespace torvane::hw
