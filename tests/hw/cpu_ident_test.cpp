// Processor identification through a played processor: the vendor and model tables, the division flaw,
// the system type, and the speed measurement against counters that move as the test says.

#include "common/PlayedCpu.h"
#include "hw/CpuIdent.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <vector>

namespace torvane::hw {
namespace {

using test::PlayedCpu;

// The played processors of the old tables, by their four fields.
PlayedCpu Played(const char* vendor, int family, int model, int stepping, int type = 0,
                 std::uint32_t edx = 0) {
    return PlayedCpu(vendor, test::Signature(family, model, stepping, type), {}, edx);
}

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
        // Unlisted, without a name of its own: vendor, family and model, not the system's "Pentium".
        {"GenuineIntel", 6, 6, 0, 586, "Family 6 Model 6", "Intel Family 6 Model 6", false},
        {"GenuineIntel", 6, 5, 0, 586, "Pentium II (Model 5)", "Intel Pentium II (Model 5)", false},
        {"GenuineIntel", 4, 8, 0, 486, "80486DX4", "Intel 80486DX4", false},
        {"GenuineIntel", 4, 2, 0, 486, "80486 class", "Intel 80486 class", false},
        {"AuthenticAMD", 5, 8, 0, 586, "K6 3D", "AMD K6 3D", false},
        {"AuthenticAMD", 5, 9, 0, 586, "K6 3D+", "AMD K6 3D+", false},
        {"AuthenticAMD", 5, 4, 0, 586, "Pentium Class", "AMD Pentium Class", false},
        {"AuthenticAMD", 4, 8, 0, 486, "486DX4", "AMD 486DX4", false}, // the system said "486"
        {"AuthenticAMD", 4, 8, 0, 586, "5x86", "AMD 5x86", false},
        {"AuthenticAMD", 4, 1, 0, 486, "486 Class", "AMD 486 Class", false},
        {"AuthenticAMD", 15, 1, 0, 586, "Family 15 Model 1", "AMD Family 15 Model 1", false},
        {"CyrixInstead", 6, 0, 0, 686, "6x86MX", "Cyrix 6x86MX", false},
        {"CyrixInstead", 6, 2, 0, 686, "Family 6 Model 2", "Cyrix Family 6 Model 2", false},
        {"CentaurHauls", 5, 4, 0, 586, "IDT C6 WinChip", "IDT IDT C6 WinChip", false},
        {"NexGenDriven", 5, 0, 0, 586, "Nx586", "NexGen Nx586", false},
        {"UMC UMC UMC ", 4, 2, 0, 486, "U5S (486SX)", "UMC U5S (486SX)", false},
        {"UMC UMC UMC ", 4, 1, 0, 486, "U5D (486DX)", "UMC U5D (486DX)", false},
    };
    for (const auto& row : rows) {
        const TCpuIdent ident(Played(row.vendor, row.family, row.model, row.stepping),
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
    const TCpuIdent ident(Played("GenuineIntel", 5, 4, 3, 1, edx), System(586, 2));
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
    EXPECT_FALSE(TCpuIdent(Played("AuthenticAMD", 5, 6, 0, 1), System(586)).OverDrive());
}

TEST(CpuIdent, UnknownVendorsAndNoCpuid) {
    auto unknown = Played("SiS SiS SiS ", 5, 0, 0);
    const TCpuIdent plain(unknown, System(586));
    EXPECT_EQ(plain.Vendor(), "Unknown Vendor");
    EXPECT_EQ(plain.Fullname(), "SiS SiS SiS Family 5 Model 0"); // by its own vendor words
    EXPECT_EQ(plain.VendorIndex(), kUnknownVendor);

    // A processor without a vendor string that leaves the flags alone on division is a Cyrix.
    unknown.cyrixDivision = true;
    const TCpuIdent cyrix(unknown, System(586));
    EXPECT_EQ(cyrix.Vendor(), "Cyrix Corporation");
    EXPECT_EQ(cyrix.CPU(), "Pentium Class");
    // The test is for unknown vendors only.
    auto intel = Played("GenuineIntel", 5, 4, 0);
    intel.cyrixDivision = true;
    EXPECT_EQ(TCpuIdent(intel, System(586)).VendorIndex(), 0);

    auto old = Played("GenuineIntel", 4, 0, 0, 0, 1u << 23);
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
    const auto cpu = Played("GenuineIntel", 6, 0, 0);
    EXPECT_EQ(TCpuIdent(cpu, System(586, 255)).Count(), 255);
    EXPECT_EQ(TCpuIdent(cpu, System(586, 256)).Count(), 255);
    EXPECT_EQ(TCpuIdent(cpu, System(586, 1)).Count(), 1);
}

TEST(CpuIdent, BrandString) {
    auto cpu = Played("GenuineIntel", 6, 0, 0);
    EXPECT_EQ(TCpuIdent(cpu, System(586)).BrandString(), ""); // no extended leaves
    cpu.SetBrand("       Intel(R) Pentium(R) III CPU 1.0GHz");
    EXPECT_EQ(TCpuIdent(cpu, System(586)).BrandString(), "Intel(R) Pentium(R) III CPU 1.0GHz");
    cpu.leaves[0x80000000u] = {0x80000003u, 0, 0, 0};
    EXPECT_EQ(TCpuIdent(cpu, System(586)).BrandString(), "");
    // Only blanks, or nothing: no name.
    cpu.SetBrand(std::string(47, ' '));
    EXPECT_EQ(TCpuIdent(cpu, System(586)).BrandString(), "");
    // All 48 bytes used, no NUL: the whole text.
    cpu.SetBrand(std::string(48, 'x'));
    EXPECT_EQ(TCpuIdent(cpu, System(586)).BrandString(), std::string(48, 'x'));
    // A terminal's escape sequence or a byte above ASCII never reaches the screen.
    cpu.SetBrand("Evil\x1b[2J CPU \xff\x7f!");
    EXPECT_EQ(TCpuIdent(cpu, System(586)).BrandString(), "Evil?[2J CPU ?\?!");
}

// The vendors' reading of a signature, field by field: the extended family counts only under family 0xF,
// the extended model only under families 6 and 0xF.
TEST(CpuIdent, SignatureDecoding) {
    struct Case {
        std::uint32_t signature;
        int family, model;
    } const cases[] = {
        {0x00000543, 5, 4},
        {0x00000F29, 15, 2},
        {0x000006F6, 6, 15},
        {0x000106A5, 6, 26},
        {0x00A10F11, 25, 17},
        {0x00B40F40, 26, 68},
        {0x0FFFFFFF, 270, 255},
        // Extended fields beside a family that does not use them are left out.
        {0x00F10541, 5, 4},
        {0x00010741, 7, 4},
        {0x0FF00E00, 14, 0},
        // Type and reserved bits never reach the numbers.
        {0xF0003F00, 15, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DisplayFamily(c.signature), c.family) << std::hex << c.signature;
        EXPECT_EQ(DisplayModel(c.signature), c.model) << std::hex << c.signature;
    }
}

// Every processor of the data file, as the identification names and numbers it.
TEST(CpuIdent, RealProcessors) {
    std::ifstream in(std::string(TORVANE_TEST_DATA_DIR) + "/hw/processors.txt");
    ASSERT_TRUE(in) << "processors.txt";
    std::string line;
    int rows = 0;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        // Fields are separated by " | "; the brand string keeps its own blanks.
        std::vector<std::string> f;
        for (size_t at = 0;;) {
            const auto bar = line.find(" | ", at);
            f.push_back(line.substr(at, bar == std::string::npos ? std::string::npos : bar - at));
            if (bar == std::string::npos) break;
            at = bar + 3;
        }
        ASSERT_EQ(f.size(), 7u) << line;
        SCOPED_TRACE(line);
        const auto signature = static_cast<std::uint32_t>(std::stoul(f[1], nullptr, 16));
        PlayedCpu cpu(f[0].c_str(), signature, f[2] == "-" ? std::string() : f[2]);
        const int family = std::stoi(f[3]), model = std::stoi(f[4]), stepping = std::stoi(f[5]);
        const TCpuIdent ident(cpu, System(family == 4 ? 486 : 586));
        const auto& info = ident.CpuIdentInfo();
        EXPECT_EQ(info.cpuFamily, family);
        EXPECT_EQ(info.cpuModel, model);
        EXPECT_EQ(info.cpuStepping, stepping);
        EXPECT_EQ(info.Signature, signature);
        EXPECT_EQ(ident.Fullname(), f[6]);
        const std::string id =
            std::to_string(family) + "-" + std::to_string(model) + "-" + std::to_string(stepping) + "-0)";
        EXPECT_EQ(ProcessorText(ident).substr(ProcessorText(ident).size() - id.size()), id);
        ++rows;
    }
    EXPECT_GE(rows, 35);
}

TEST(CpuIdent, ProcessorText) {
    // A processor named by itself only: its name once, then the numbers.
    PlayedCpu epyc("AuthenticAMD", 0x00A10F11, "AMD EPYC");
    EXPECT_EQ(ProcessorText(TCpuIdent(epyc, System(586))), "AMD EPYC (CPUID 25-17-1-0)");
    // Named by itself and by the tables: both, for they say different things.
    PlayedCpu k6("AuthenticAMD", 0x0000058C, "AMD-K6(tm) 3D processor");
    EXPECT_EQ(ProcessorText(TCpuIdent(k6, System(586))),
              "AMD-K6(tm) 3D processor (AMD K6 3D, CPUID 5-8-12-0)");
    // Named by the tables only.
    EXPECT_EQ(ProcessorText(TCpuIdent(Played("GenuineIntel", 5, 4, 3, 1), System(586))),
              "Intel Pentium MMX (CPUID 5-4-3-1)");
    // Without CPUID: what the system says.
    auto old = Played("GenuineIntel", 4, 0, 0);
    old.idFlag = false;
    EXPECT_EQ(ProcessorText(TCpuIdent(old, System(486))), "486 class processor");
}

TEST(CpuIdent, FamilyCatchAllsGiveWayToTheProcessorsOwnName) {
    // AMD family 5 model 10 (Geode LX) is "Pentium Class" to the tables, which knew nothing of it.
    PlayedCpu geode("AuthenticAMD", 0x000005A2);
    EXPECT_EQ(TCpuIdent(geode, System(586)).Fullname(), "AMD Pentium Class");
    geode.SetBrand("Geode(TM) Integrated Processor by AMD PCS");
    const TCpuIdent named(geode, System(586));
    EXPECT_EQ(named.Fullname(), "Geode(TM) Integrated Processor by AMD PCS");
    EXPECT_EQ(named.CPU(), "Geode(TM) Integrated Processor by AMD PCS");
    // A model row of its own is kept whatever the processor calls itself.
    PlayedCpu mmx("GenuineIntel", 0x00000543, "Something else");
    EXPECT_EQ(TCpuIdent(mmx, System(586)).Fullname(), "Intel Pentium MMX");
    // A vendor the tables lack, with words that are no text.
    PlayedCpu odd("\x1b[31mABCDEFGH", 0x00000541);
    EXPECT_EQ(TCpuIdent(odd, System(586)).Fullname(), "?[31mABCDEFG Family 5 Model 4");
    PlayedCpu blank("            ", 0x00000541);
    EXPECT_EQ(TCpuIdent(blank, System(586)).Fullname(), "Unknown Family 5 Model 4");
    // A Core i9 is no Pentium II because its low model bits read 5.
    PlayedCpu i9("GenuineIntel", 0x000A0655);
    EXPECT_EQ(TCpuIdent(i9, System(586)).Fullname(), "Intel Family 6 Model 165");
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
    TCpuIdent ident(Played("GenuineIntel", 5, 2, 5), System(586));
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
        TCpuIdent ident(Played("GenuineIntel", 5, 2, 5), System(586));
        PlayedClock clock(start, 400000);
        ident.MeasureSpeed(clock);
        EXPECT_EQ(ident.CpuIdentInfo().RawSpeed, 400) << std::hex << start;
    }
}

TEST(CpuIdent, ACounterThatRunsBackwardsMeasuresNothing) {
    TCpuIdent ident(Played("GenuineIntel", 5, 2, 5), System(586));
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
    const std::string prefix(CpuVendors[static_cast<size_t>(ident.VendorIndex())].Prefix);
    EXPECT_TRUE(ident.Fullname().rfind(prefix, 0) == 0 || ident.Fullname() == ident.BrandString())
        << ident.Fullname();
    EXPECT_TRUE(ident.CpuIdentFeatures().TSC);
    // The numbers are the ones the kernel shows for it.
    std::ifstream cpuinfo("/proc/cpuinfo");
    std::string line;
    int family = -1, model = -1;
    while (std::getline(cpuinfo, line) && (family < 0 || model < 0)) {
        const auto colon = line.find(':');
        if (colon == std::string::npos) continue;
        if (line.rfind("cpu family", 0) == 0) family = std::stoi(line.substr(colon + 1));
        if (line.rfind("model\t", 0) == 0) model = std::stoi(line.substr(colon + 1));
    }
    if (family < 0 || model < 0) GTEST_SKIP() << "no /proc/cpuinfo numbers";
    EXPECT_EQ(ident.CpuIdentInfo().cpuFamily, family);
    EXPECT_EQ(ident.CpuIdentInfo().cpuModel, model);
}

} // namespace
} // namespace torvane::hw
