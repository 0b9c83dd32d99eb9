#include "hw/CpuIdent.h"

#include "platform/SystemState.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace torvane::hw {

namespace {

enum Vendor { Intel = 0, Amd = 1, Cyrix = 2, NexGen = 3, Idt = 4, Umc = 5 };

// The model names the operating system's processor type numbers stand for.
std::string SystemTypeName(std::uint32_t type) {
    switch (type) {
    case 386:
        return "386";
    case 486:
        return "486";
    case 586:
        return "Pentium";
    case 686:
        return "Pentium Pro";
    case 786:
        return "Pentium II";
    default:
        return {};
    }
}

bool Bit(std::uint32_t word, int bit) {
    return (word >> bit) & 1u;
}

} // namespace

void TCpuIdent_Info::Refresh(const ICpuidSource& cpu, CpuidRegisters& leaf1) {
    Supports_CPUID = cpu.IdFlagToggles();
    if (Supports_CPUID) {
        leaf1 = cpu.Cpuid(1);
        cpuType = static_cast<std::int32_t>((leaf1.Eax >> 12) & 3);
        cpuFamily = static_cast<std::int32_t>((leaf1.Eax >> 8) & 15);
        cpuModel = static_cast<std::int32_t>((leaf1.Eax >> 4) & 15);
        cpuStepping = static_cast<std::int32_t>(leaf1.Eax & 15);
        VendorID = VendorText(cpu.Cpuid(0));
    } else {
        leaf1 = {};
        cpuType = cpuFamily = cpuModel = cpuStepping = 0;
        VendorID = "Unknown";
    }
    RawSpeed = 0;
}

void TCpuIdent_FeatureSet::Fill(std::uint32_t edx) {
    FPU = Bit(edx, 0);
    VME = Bit(edx, 1);
    DE = Bit(edx, 2);
    PSE = Bit(edx, 3);
    TSC = Bit(edx, 4);
    MSR = Bit(edx, 5);
    PAE = Bit(edx, 6);
    MCE = Bit(edx, 7);
    CX8 = Bit(edx, 8);
    APIC = Bit(edx, 9);
    SEP = Bit(edx, 11);
    MTRR = Bit(edx, 12);
    PGE = Bit(edx, 13);
    MCA = Bit(edx, 14);
    CMOV = Bit(edx, 15);
    MMX = Bit(edx, 23);
}

std::uint32_t NativeSpeedSource::TickCount() {
    return TickCountMs();
}

bool NativeSpeedSource::CounterAvailable() {
    return TimeStampCounterAvailable(NativeCpuid::Instance());
}

std::uint64_t NativeSpeedSource::Counter() {
    return TimeStampCounter();
}

std::int32_t NearestStandardSpeed(std::int64_t rawMhz) {
    std::int32_t best = StandardSpeeds.front();
    for (const auto speed : StandardSpeeds)
        if (std::llabs(speed - rawMhz) < std::llabs(best - rawMhz)) best = speed;
    return best;
}

TCpuIdent::TCpuIdent(const ICpuidSource& cpu, const SystemProcessorInfo& system) {
    info_.Refresh(cpu, leaf1_);

    // A byte holds the count; a machine with more processors than it can hold reports the most it can,
    // not the remainder.
    count_ = static_cast<std::uint8_t>(std::min<std::uint32_t>(system.NumberOfProcessors, 255));
    cpu_ = SystemTypeName(system.ProcessorType);
    fullname_ = cpu_ + " class processor";
    if (!info_.Supports_CPUID) return;

    for (int i = 0; i < static_cast<int>(CpuVendors.size()); ++i)
        if (info_.VendorID == CpuVendors[static_cast<size_t>(i)].VendorString) {
            vendorIndex_ = i;
            break;
        }
    if (vendorIndex_ == kUnknownVendor && cpu.DivisionLeavesFlagsClear()) vendorIndex_ = Cyrix;
    const auto& vendor = CpuVendors[static_cast<size_t>(vendorIndex_)];
    vendor_ = vendor.Name;
    NameModel();
    fullname_ = std::string(vendor.Prefix) + cpu_;
    mmx_ = Bit(leaf1_.Edx, 23);
    features_.Fill(leaf1_.Edx);
    brand_ = hw::BrandString(cpu);
}

void TCpuIdent::NameModel() {
    const int family = info_.cpuFamily, model = info_.cpuModel, stepping = info_.cpuStepping;
    switch (vendorIndex_) {
    case Intel:
        if (family == 4) {
            cpu_ = model == 4 ? "80486SL" : model == 7 ? "80486DX2" : model == 8 ? "80486DX4" : "80486 class";
        } else if (family == 5) {
            if (model == 0 || model == 1) {
                cpu_ = "Pentium (P5)";
                fdivBug_ = stepping == 3 || stepping == 5;
            } else if (model == 2 || model == 7) {
                cpu_ = "Pentium (P54C)";
                fdivBug_ = stepping == 1 || stepping == 2;
            } else {
                cpu_ = model == 3 ? "Pentium 486" : model == 4 ? "Pentium MMX" : "Pentium";
            }
        } else if (family == 6) {
            if (model == 0 || model == 1) cpu_ = "Pentium Pro";
            if (model == 3) cpu_ = "Pentium II (Model 3)";
            if (model == 5) cpu_ = "Pentium II (Model 5)";
        }
        overDrive_ = info_.cpuType == 1;
        break;
    case Amd:
        if (family == 4) {
            if (model == 3)
                cpu_ = "486DX2";
            else if (model == 7 || model == 9)
                cpu_ = "486DX4";
            else if (model == 8)
                cpu_ = cpu_ == "486" ? "486DX4" : "5x86";
            else if (model == 14 || model == 15)
                cpu_ = "5x86";
            else
                cpu_ = "486 Class";
        } else if (family == 5) {
            static constexpr const char* names[] = {
                "K5 (Model 0)", "K5 (Model 1)", "K5 (Model 2)", "K5 (Model 3)", nullptr,
                nullptr,        "K6",           "K6 2",         "K6 3D",        "K6 3D+"};
            cpu_ = model < 10 && names[model] ? names[model] : "Pentium Class";
        }
        break;
    case Cyrix:
        if (family == 4) cpu_ = model == 4 ? "Media GX" : model == 9 ? "Cx5x86" : "486 Class";
        if (family == 5) cpu_ = model == 2 ? "Cx6x86" : model == 4 ? "GX6" : "Pentium Class";
        if (family == 6 && model == 0) cpu_ = "6x86MX";
        break;
    case NexGen:
        // The NexGen block names the Nx586, which reports family 5 model 0.
        if (family == 5) cpu_ = model == 0 ? "Nx586" : "Pentium Class";
        break;
    case Idt:
        if (family == 5) cpu_ = model == 4 ? "IDT C6 WinChip" : "Pentium Class";
        break;
    case Umc:
        // The U5D and U5S are UMC's 486-class parts.
        if (family == 4) cpu_ = model == 1 ? "U5D (486DX)" : model == 2 ? "U5S (486SX)" : "486 Class";
        break;
    default:
        break;
    }
}

void TCpuIdent::MeasureSpeed(ISpeedSource& source) {
    std::int64_t raw = -1;
    if (source.CounterAvailable()) {
        const std::uint32_t t = source.TickCount();
        while (source.TickCount() == t) {
        }
        const std::uint64_t c0 = source.Counter();
        // Elapsed ticks rather than a comparison with t + 1000, which fails for the second before the
        // tick count passes 2^31 (or 2^32) and would end the wait at once.
        while (static_cast<std::uint32_t>(source.TickCount() - t) < 1000u) {
        }
        const std::uint64_t c1 = source.Counter();
        // A counter that ran backwards (the thread moved to a processor whose counter lags) measured
        // nothing.
        if (c1 >= c0) raw = std::llrint(static_cast<long double>(c1 - c0) * 0.000001L);
    }
    info_.RawSpeed =
        static_cast<std::int32_t>(std::min<std::int64_t>(raw, std::numeric_limits<std::int32_t>::max()));
    speed_ = raw == -1 ? -1 : NearestStandardSpeed(raw);
}

void TCpuIdent::MeasureSpeed() {
    NativeSpeedSource source;
    MeasureSpeed(source);
}

} // namespace torvane::hw
