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
        Signature = leaf1.Eax;
        cpuType = static_cast<std::int32_t>((leaf1.Eax >> 12) & 3);
        cpuFamily = DisplayFamily(leaf1.Eax);
        cpuModel = DisplayModel(leaf1.Eax);
        cpuStepping = static_cast<std::int32_t>(leaf1.Eax & 15);
        VendorID = VendorText(cpu.Cpuid(0));
    } else {
        leaf1 = {};
        Signature = 0;
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
    brand_ = hw::BrandString(cpu);
    // The tables know the processors of the 1990s. Every later one, and one that a family's catch-all
    // would only class, goes by the name it gives itself, or where it has none by its numbers: never by
    // the operating system's processor type, which calls everything since the Pentium a Pentium.
    const Known known = NameModel();
    if (known == Known::Model || (known == Known::FamilyOnly && brand_.empty())) {
        fullname_ = std::string(vendor.Prefix) + cpu_;
    } else if (!brand_.empty()) {
        cpu_ = brand_;
        fullname_ = brand_;
    } else {
        cpu_ = "Family " + std::to_string(info_.cpuFamily) + " Model " + std::to_string(info_.cpuModel);
        fullname_ = VendorWord() + " " + cpu_;
    }
    mmx_ = Bit(leaf1_.Edx, 23);
    features_.Fill(leaf1_.Edx);
}

TCpuIdent::Known TCpuIdent::NameModel() {
    const int family = info_.cpuFamily, model = info_.cpuModel, stepping = info_.cpuStepping;
    const auto name = [this](const char* text, Known how) {
        cpu_ = text;
        return how;
    };
    switch (vendorIndex_) {
    case Intel:
        overDrive_ = info_.cpuType == 1;
        if (family == 4) {
            if (model == 4) return name("80486SL", Known::Model);
            if (model == 7) return name("80486DX2", Known::Model);
            if (model == 8) return name("80486DX4", Known::Model);
            return name("80486 class", Known::FamilyOnly);
        }
        if (family == 5) {
            if (model == 0 || model == 1) {
                fdivBug_ = stepping == 3 || stepping == 5;
                return name("Pentium (P5)", Known::Model);
            }
            if (model == 2 || model == 7) {
                fdivBug_ = stepping == 1 || stepping == 2;
                return name("Pentium (P54C)", Known::Model);
            }
            if (model == 3) return name("Pentium 486", Known::Model);
            if (model == 4) return name("Pentium MMX", Known::Model);
            return name("Pentium", Known::FamilyOnly);
        }
        if (family == 6) {
            if (model == 0 || model == 1) return name("Pentium Pro", Known::Model);
            if (model == 3) return name("Pentium II (Model 3)", Known::Model);
            if (model == 5) return name("Pentium II (Model 5)", Known::Model);
        }
        return Known::No;
    case Amd:
        if (family == 4) {
            if (model == 3) return name("486DX2", Known::Model);
            if (model == 7 || model == 9) return name("486DX4", Known::Model);
            if (model == 8) return name(cpu_ == "486" ? "486DX4" : "5x86", Known::Model);
            if (model == 14 || model == 15) return name("5x86", Known::Model);
            return name("486 Class", Known::FamilyOnly);
        }
        if (family == 5) {
            static constexpr const char* names[] = {
                "K5 (Model 0)", "K5 (Model 1)", "K5 (Model 2)", "K5 (Model 3)", nullptr,
                nullptr,        "K6",           "K6 2",         "K6 3D",        "K6 3D+"};
            if (model < 10 && names[model]) return name(names[model], Known::Model);
            return name("Pentium Class", Known::FamilyOnly);
        }
        return Known::No;
    case Cyrix:
        if (family == 4) {
            if (model == 4) return name("Media GX", Known::Model);
            if (model == 9) return name("Cx5x86", Known::Model);
            return name("486 Class", Known::FamilyOnly);
        }
        if (family == 5) {
            if (model == 2) return name("Cx6x86", Known::Model);
            if (model == 4) return name("GX6", Known::Model);
            return name("Pentium Class", Known::FamilyOnly);
        }
        if (family == 6 && model == 0) return name("6x86MX", Known::Model);
        return Known::No;
    case NexGen:
        // The NexGen block names the Nx586, which reports family 5 model 0.
        if (family == 5)
            return model == 0 ? name("Nx586", Known::Model) : name("Pentium Class", Known::FamilyOnly);
        return Known::No;
    case Idt:
        if (family == 5)
            return model == 4 ? name("IDT C6 WinChip", Known::Model)
                              : name("Pentium Class", Known::FamilyOnly);
        return Known::No;
    case Umc:
        // The U5D and U5S are UMC's 486-class parts.
        if (family == 4) {
            if (model == 1) return name("U5D (486DX)", Known::Model);
            if (model == 2) return name("U5S (486SX)", Known::Model);
            return name("486 Class", Known::FamilyOnly);
        }
        return Known::No;
    default:
        return Known::No;
    }
}

std::string TCpuIdent::VendorWord() const {
    if (vendorIndex_ != kUnknownVendor) {
        const auto prefix = CpuVendors[static_cast<size_t>(vendorIndex_)].Prefix;
        return std::string(prefix.substr(0, prefix.size() - 1));
    }
    // A vendor the table lacks is best told by its own words, shown only as far as they are printable.
    std::string words;
    for (const char c : info_.VendorID) words += c >= 0x20 && c <= 0x7E ? c : '?';
    const auto first = words.find_first_not_of(' ');
    if (first == std::string::npos) return "Unknown";
    return words.substr(first, words.find_last_not_of(' ') - first + 1);
}

std::string ProcessorText(const TCpuIdent& ident) {
    const auto& info = ident.CpuIdentInfo();
    const std::string& name = ident.BrandString().empty() ? ident.Fullname() : ident.BrandString();
    if (!info.Supports_CPUID) return name;
    std::string text = name + " (";
    if (ident.Fullname() != name) text += ident.Fullname() + ", ";
    return text + "CPUID " + std::to_string(info.cpuFamily) + "-" + std::to_string(info.cpuModel) + "-" +
           std::to_string(info.cpuStepping) + "-" + std::to_string(info.cpuType) + ")";
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
