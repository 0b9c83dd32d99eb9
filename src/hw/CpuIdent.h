#pragma once
// Processor identification: vendor, family, model, stepping and type from CPUID, a model name from the
// built-in tables, the Pentium division flaw, the feature flags, the processor count and type the
// operating system reports, and the clock speed measured with the time stamp counter against the
// millisecond tick count. The certificates record what it finds.

#include "hw/Cpuid.h"
#include "platform/SystemInfo.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace torvane::hw {

// The raw identification. Family and model are the vendors' numbers (DisplayFamily, DisplayModel), which
// are the bare fields for every processor made before the extended fields came: a Pentium MMX is 5-4
// either way, a Zen 4 EPYC is 25-17 and not 15-1.
class TCpuIdent_Info {
public:
    bool Supports_CPUID = false;
    std::int32_t cpuFamily = 0;   // leaf 1 EAX bits 8-11, plus bits 20-27 where bits 8-11 are 0xF
    std::int32_t cpuModel = 0;    // bits 4-7, headed by bits 16-19 where bits 8-11 are 6 or 0xF
    std::int32_t cpuStepping = 0; // bits 0-3
    std::int32_t cpuType = 0;     // bits 12-13
    std::int32_t RawSpeed = 0;    // measured MHz; 0 until measured, -1 after a failed measurement
    std::string VendorID;         // the 12 characters of leaf 0, or "Unknown" without CPUID
    std::uint32_t Signature = 0;  // leaf 1 EAX as the processor gave it

    // Reads the processor again; leaf1 receives the registers of leaf 1 (all zero without CPUID).
    void Refresh(const ICpuidSource& cpu, CpuidRegisters& leaf1);
};

// The feature flags of EDX of leaf 1 that the program names.
class TCpuIdent_FeatureSet {
public:
    bool FPU = false, VME = false, DE = false, PSE = false, TSC = false, MSR = false, PAE = false,
         MCE = false, CX8 = false, APIC = false, SEP = false, MTRR = false, PGE = false, MCA = false,
         CMOV = false, MMX = false;

    void Fill(std::uint32_t edx);
};

// What MeasureSpeed times with: the millisecond tick count and the time stamp counter. Tests hand in
// counters that move as they please; the native one is the processor's.
class ISpeedSource {
public:
    virtual ~ISpeedSource() = default;
    virtual std::uint32_t TickCount() = 0;
    virtual bool CounterAvailable() = 0;
    virtual std::uint64_t Counter() = 0;
};

class NativeSpeedSource final : public ISpeedSource {
public:
    std::uint32_t TickCount() override;
    bool CounterAvailable() override;
    std::uint64_t Counter() override;
};

// The standard clock speeds in MHz, in table order.
inline constexpr std::array<std::int32_t, 24> StandardSpeeds{25,  33,  60,  66,  75,  82,  90,  100,
                                                             110, 116, 120, 133, 150, 166, 180, 200,
                                                             225, 233, 266, 300, 333, 350, 366, 400};

// The standard speed nearest to a measured one; a tie goes to the lower speed.
std::int32_t NearestStandardSpeed(std::int64_t rawMhz);

// Rows of the vendor table.
struct TCpuVendor {
    std::string_view VendorString; // as CPUID leaf 0 gives it
    std::string_view Name;         // Vendor
    std::string_view Prefix;       // the start of Fullname
};
inline constexpr std::array<TCpuVendor, 7> CpuVendors{{
    {"GenuineIntel", "Intel Corporation", "Intel "},
    {"AuthenticAMD", "Advanced Micro Devices", "AMD "},
    {"CyrixInstead", "Cyrix Corporation", "Cyrix "},
    {"NexGenDriven", "NexGen Inc", "NexGen "},
    {"CentaurHauls", "IDT/Centaur", "IDT "},
    {"UMC UMC UMC ", "United Microelectronics Corporation", "UMC "},
    {"Unknown CPU ", "Unknown Vendor", "Unknown "},
}};
inline constexpr int kUnknownVendor = 6;

class TCpuIdent {
public:
    // Identifies the processor at once (all but the speed).
    explicit TCpuIdent(const ICpuidSource& cpu = NativeCpuid::Instance(),
                       const SystemProcessorInfo& system = SystemProcessors());

    // Takes about one second of the calling thread with the native source; sets RawSpeed and Speed.
    void MeasureSpeed(ISpeedSource& source);
    void MeasureSpeed();

    const std::string& About() const { return about_; }
    std::uint8_t Count() const { return count_; }
    const std::string& CPU() const { return cpu_; }
    bool FDivBug() const { return fdivBug_; }
    // The vendor's prefix and CPU. A processor the tables do not name (all since the 1990s) has its brand
    // string as CPU and Fullname, or without one "Family F Model M" after the vendor.
    const std::string& Fullname() const { return fullname_; }
    bool MMX() const { return mmx_; }
    bool OverDrive() const { return overDrive_; }
    std::int32_t Speed() const { return speed_; }
    const std::string& Vendor() const { return vendor_; }
    const std::string& Version() const { return version_; }
    const TCpuIdent_Info& CpuIdentInfo() const { return info_; }
    const TCpuIdent_FeatureSet& CpuIdentFeatures() const { return features_; }

    int VendorIndex() const { return vendorIndex_; }
    // The processor's own name for itself (CPUID 0x80000002-4), empty where it has none.
    const std::string& BrandString() const { return brand_; }

private:
    // How far the model tables know the processor.
    enum class Known { No, FamilyOnly, Model };
    Known NameModel();
    std::string VendorWord() const;

    std::string about_;
    std::uint8_t count_ = 0;
    std::string cpu_;
    bool fdivBug_ = false;
    std::string fullname_;
    bool mmx_ = false;
    bool overDrive_ = false;
    std::int32_t speed_ = 0;
    std::string vendor_;
    std::string version_ = "2.047";
    TCpuIdent_Info info_;
    TCpuIdent_FeatureSet features_;
    CpuidRegisters leaf1_;
    int vendorIndex_ = kUnknownVendor;
    std::string brand_;
};

// The processor in one line: its own name (else the tables' or the fallback's), the tables' name where that
// says more, and the identification a certificate records, "AMD EPYC 9654 96-Core Processor (CPUID
// 25-17-1-0)" or "Intel Pentium MMX (CPUID 5-4-3-0)".
std::string ProcessorText(const TCpuIdent& ident);

} // namespace torvane::hw
