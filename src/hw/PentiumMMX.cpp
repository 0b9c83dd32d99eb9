#include "hw/PentiumMMX.h"

#include "hw/Cpuid.h"
#include "hw/MmxPortable.h"

#if defined(__i386__) || defined(__x86_64__)
#define TORVANE_X86 1
#endif

namespace torvane::hw {

namespace {

CpuidRegisters Cpuid(std::uint32_t leaf) {
    return NativeCpuid::Instance().Cpuid(leaf);
}

} // namespace

bool TPentiumMMX::CpuIDsupport() const {
    return NativeCpuid::Instance().IdFlagToggles();
}

bool TPentiumMMX::RDTSCsupport() const {
    return CpuIDsupport() && (FeatureFlags() & (1 << 4)) != 0;
}

bool TPentiumMMX::MMXsupport() const {
    return CpuIDsupport() && (FeatureFlags() & (1 << 23)) != 0;
}

std::string TPentiumMMX::VendorString() const {
#if TORVANE_X86
    return VendorText(Cpuid(0));
#else
    return std::string(12, ' ');
#endif
}

std::uint32_t TPentiumMMX::Leaf1Eax(const char* getter) const {
#if TORVANE_X86
    if (static_cast<std::int32_t>(Cpuid(0).Eax) >= 1) return Cpuid(1).Eax;
#endif
    if (errorEnable_) throw EPentiumMMXError(std::string("CPU not supported ") + getter);
    return 0;
}

std::uint8_t TPentiumMMX::SteppingID() const {
    return Leaf1Eax("SteppingID") & 0xF;
}

std::uint16_t TPentiumMMX::Model() const {
    return (Leaf1Eax("Model") >> 4) & 0xF;
}

std::int32_t TPentiumMMX::Family() const {
    return static_cast<std::int32_t>((Leaf1Eax("Family") >> 8) & 0xF);
}

std::int32_t TPentiumMMX::FeatureFlags() const {
#if TORVANE_X86
    if (static_cast<std::int32_t>(Cpuid(0).Eax) >= 1) return static_cast<std::int32_t>(Cpuid(1).Edx);
#endif
    if (errorEnable_) throw EPentiumMMXError("CPU not supported FeatureFlags");
    return 0;
}

std::int32_t TPentiumMMX::TimeStampHigh() const {
    return static_cast<std::int32_t>(TimeStampCounter() >> 32);
}

std::int32_t TPentiumMMX::TimeStampLow() const {
    return static_cast<std::int32_t>(TimeStampCounter());
}

std::uint32_t TPentiumMMX::Interval32(std::uint32_t newer, std::uint32_t older) const {
    // The 16-bit borrow chain of the original; it equals the plain wrapping difference.
    std::uint32_t newLow = newer & 0xFFFF, newHigh = newer >> 16;
    const std::uint32_t oldLow = older & 0xFFFF, oldHigh = older >> 16;
    std::uint32_t low = 0;
    if (oldLow > newLow) {
        low = newLow + 65536 - oldLow;
        newHigh -= 1;
    } else {
        low = newLow - oldLow;
    }
    const std::uint32_t high = newHigh - oldHigh;
    return ((high & 0xFFFF) << 16) | (low & 0xFFFF);
}

void TPentiumMMX::Interval64(const TInterval64& newer, const TInterval64& older, TInterval64& result) const {
    // Four 16-bit pieces, least significant first, each with the borrow of the one below.
    const std::uint32_t n[4] = {newer.Low & 0xFFFF, newer.Low >> 16, newer.High & 0xFFFF, newer.High >> 16};
    const std::uint32_t o[4] = {older.Low & 0xFFFF, older.Low >> 16, older.High & 0xFFFF, older.High >> 16};
    std::uint32_t piece[4];
    std::uint32_t borrow = 0;
    for (int i = 0; i < 4; ++i) {
        const std::int64_t d = std::int64_t{n[i]} - o[i] - borrow;
        borrow = d < 0 ? 1 : 0;
        piece[i] = static_cast<std::uint32_t>(d + (borrow ? 65536 : 0)) & 0xFFFF;
    }
    result.Low = piece[1] << 16 | piece[0];
    result.High = piece[3] << 16 | piece[2];
}

bool NativeMmxBuilt() {
#if TORVANE_HW_NATIVE_MMX
    return true;
#else
    return false;
#endif
}

std::uint64_t MmxOperateNative(std::uint8_t code, std::uint64_t a, std::uint64_t b) {
    return code == 0 || code > MmxMaxCode ? 0 : detail::MmxInstruction(code, a, b);
}

} // namespace torvane::hw
