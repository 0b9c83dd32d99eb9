#include "hw/Cpuid.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#include <x86intrin.h>
#define TORVANE_X86 1
#endif

namespace torvane::hw {

namespace {

// Arithmetic flags of the flags register: CF, PF, AF, ZF, SF, OF.
[[maybe_unused]] constexpr unsigned long kArithmeticFlags = 0x8D5;

} // namespace

bool NativeCpuid::IdFlagToggles() const {
#if defined(__x86_64__)
    // The pushes land below the stack pointer, where the compiler may keep data of its own (the red
    // zone); stepping over it first keeps that data intact.
    std::uint64_t before = 0, after = 0;
    __asm__ volatile("subq $128, %%rsp\n\t"
                     "pushfq\n\t"
                     "popq %0\n\t"
                     "movq %0, %1\n\t"
                     "xorq $0x200000, %1\n\t"
                     "pushq %1\n\t"
                     "popfq\n\t"
                     "pushfq\n\t"
                     "popq %1\n\t"
                     "pushq %0\n\t"
                     "popfq\n\t"
                     "addq $128, %%rsp"
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

CpuidRegisters NativeCpuid::Cpuid(std::uint32_t leaf) const {
    CpuidRegisters r;
#if TORVANE_X86
    __cpuid(leaf, r.Eax, r.Ebx, r.Ecx, r.Edx);
#else
    (void)leaf;
#endif
    return r;
}

bool NativeCpuid::DivisionLeavesFlagsClear() const {
    // The flags travel through the stack rather than through LAHF/SAHF, which the first 64-bit
    // processors lack in 64-bit mode.
#if defined(__x86_64__)
    std::uint64_t flags = 0;
    __asm__ volatile("subq $128, %%rsp\n\t"
                     "pushfq\n\t"
                     "popq %%rcx\n\t"
                     "andq %1, %%rcx\n\t"
                     "pushq %%rcx\n\t"
                     "popfq\n\t"
                     "movw $5, %%ax\n\t"
                     "movb $2, %%dl\n\t"
                     "divb %%dl\n\t"
                     "pushfq\n\t"
                     "popq %0\n\t"
                     "addq $128, %%rsp"
                     : "=r"(flags)
                     : "r"(~static_cast<std::uint64_t>(kArithmeticFlags))
                     : "rax", "rcx", "rdx", "cc");
    return (flags & 0xFF) == 2;
#elif defined(__i386__)
    std::uint32_t flags = 0;
    __asm__ volatile("pushfl\n\t"
                     "popl %%ecx\n\t"
                     "andl %1, %%ecx\n\t"
                     "pushl %%ecx\n\t"
                     "popfl\n\t"
                     "movw $5, %%ax\n\t"
                     "movb $2, %%dl\n\t"
                     "divb %%dl\n\t"
                     "pushfl\n\t"
                     "popl %0"
                     : "=r"(flags)
                     : "r"(~static_cast<std::uint32_t>(kArithmeticFlags))
                     : "eax", "ecx", "edx", "cc");
    return (flags & 0xFF) == 2;
#else
    return false;
#endif
}

const NativeCpuid& NativeCpuid::Instance() {
    static const NativeCpuid instance;
    return instance;
}

std::string VendorText(const CpuidRegisters& leaf0) {
    std::string s;
    for (const std::uint32_t w : {leaf0.Ebx, leaf0.Edx, leaf0.Ecx})
        for (int i = 0; i < 4; ++i) s += static_cast<char>((w >> (8 * i)) & 0xFF);
    return s;
}

int DisplayFamily(std::uint32_t signature) {
    const auto family = static_cast<int>((signature >> 8) & 0xF);
    return family == 0xF ? family + static_cast<int>((signature >> 20) & 0xFF) : family;
}

int DisplayModel(std::uint32_t signature) {
    const auto family = (signature >> 8) & 0xF;
    const auto model = static_cast<int>((signature >> 4) & 0xF);
    return family == 6 || family == 0xF ? static_cast<int>((signature >> 16) & 0xF) << 4 | model : model;
}

std::string BrandString(const ICpuidSource& cpu) {
    if (!cpu.IdFlagToggles()) return {};
    // Leaf 0x80000000 names the highest extended leaf; processors without extended leaves answer it
    // with whatever their highest basic leaf holds, which is below 0x80000004.
    const auto highest = cpu.Cpuid(0x80000000u).Eax;
    if (highest < 0x80000004u || highest > 0x8FFFFFFFu) return {};
    std::string s;
    for (std::uint32_t leaf = 0x80000002u; leaf <= 0x80000004u; ++leaf) {
        const auto r = cpu.Cpuid(leaf);
        for (const std::uint32_t w : {r.Eax, r.Ebx, r.Ecx, r.Edx})
            for (int i = 0; i < 4; ++i) s += static_cast<char>((w >> (8 * i)) & 0xFF);
    }
    // The string ends at its first zero byte and may be right-justified with blanks.
    s.resize(s.find('\0') == std::string::npos ? s.size() : s.find('\0'));
    for (auto& c : s)
        if (c < 0x20 || c > 0x7E) c = '?';
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

bool TimeStampCounterAvailable(const ICpuidSource& cpu) {
    return cpu.IdFlagToggles() && static_cast<std::int32_t>(cpu.Cpuid(0).Eax) >= 1 &&
           (cpu.Cpuid(1).Edx & (1u << 4)) != 0;
}

std::uint64_t TimeStampCounter() {
#if TORVANE_X86
    return __rdtsc();
#else
    return 0;
#endif
}

} // namespace torvane::hw
