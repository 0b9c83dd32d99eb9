#include "hw/PentiumMMX.h"

#include "hw/MmxPortable.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#include <mmintrin.h>
#include <x86intrin.h>
#define TORVANE_X86 1
#endif

namespace torvane::hw {

namespace {

#if TORVANE_X86
struct CpuidRegs {
    std::uint32_t eax = 0, ebx = 0, ecx = 0, edx = 0;
};

CpuidRegs Cpuid(std::uint32_t leaf) {
    CpuidRegs r;
    __cpuid(leaf, r.eax, r.ebx, r.ecx, r.edx);
    return r;
}
#endif

} // namespace

bool TPentiumMMX::CpuIDsupport() const {
#if defined(__x86_64__)
    // Flip the ID bit of the flags register and see whether the change sticks.
    std::uint64_t before = 0, after = 0;
    __asm__ volatile("pushfq\n\t"
                     "popq %0\n\t"
                     "movq %0, %1\n\t"
                     "xorq $0x200000, %1\n\t"
                     "pushq %1\n\t"
                     "popfq\n\t"
                     "pushfq\n\t"
                     "popq %1\n\t"
                     "pushq %0\n\t"
                     "popfq"
                     : "=&r"(before), "=&r"(after)
                     :
                     : "cc");
    return ((before ^ after) & 0x200000) != 0;
#elif defined(__i386__)
    std::uint32_t before = 0, after = 0;
    __asm__ volatile("pushfl\n\t"
                     "popl %0\n\t"
                     "movl %0, %1\n\t"
                     "xorl $0x200000, %1\n\t"
                     "pushl %1\n\t"
                     "popfl\n\t"
                     "pushfl\n\t"
                     "popl %1\n\t"
                     "pushl %0\n\t"
                     "popfl"
                     : "=&r"(before), "=&r"(after)
                     :
                     : "cc");
    return ((before ^ after) & 0x200000) != 0;
#else
    return false;
#endif
}

bool TPentiumMMX::RDTSCsupport() const {
    return CpuIDsupport() && (FeatureFlags() & (1 << 4)) != 0;
}

bool TPentiumMMX::MMXsupport() const {
    return CpuIDsupport() && (FeatureFlags() & (1 << 23)) != 0;
}

std::string TPentiumMMX::VendorString() const {
    std::string s;
#if TORVANE_X86
    const auto r = Cpuid(0);
    for (const std::uint32_t w : {r.ebx, r.edx, r.ecx})
        for (int i = 0; i < 4; ++i) s += static_cast<char>((w >> (8 * i)) & 0xFF);
#else
    s.assign(12, ' ');
#endif
    return s;
}

std::uint32_t TPentiumMMX::Leaf1Eax(const char* getter) const {
#if TORVANE_X86
    if (static_cast<std::int32_t>(Cpuid(0).eax) >= 1) return Cpuid(1).eax;
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
    if (static_cast<std::int32_t>(Cpuid(0).eax) >= 1) return static_cast<std::int32_t>(Cpuid(1).edx);
#endif
    if (errorEnable_) throw EPentiumMMXError("CPU not supported FeatureFlags");
    return 0;
}

std::int32_t TPentiumMMX::TimeStampHigh() const {
#if TORVANE_X86
    return static_cast<std::int32_t>(__rdtsc() >> 32);
#else
    return 0;
#endif
}

std::int32_t TPentiumMMX::TimeStampLow() const {
#if TORVANE_X86
    return static_cast<std::int32_t>(__rdtsc());
#else
    return 0;
#endif
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
