#pragma once
// The processor's own answers about itself: whether CPUID exists, its leaves, the division flag test that
// tells a Cyrix part without a vendor string, and the time stamp counter. Identification asks them through
// ICpuidSource, so that tests can play any processor; NativeCpuid asks the processor it runs on.

#include <cstdint>
#include <string>

namespace torvane::hw {

struct CpuidRegisters {
    std::uint32_t Eax = 0, Ebx = 0, Ecx = 0, Edx = 0;
};

class ICpuidSource {
public:
    virtual ~ICpuidSource() = default;
    // The ID flag (bit 21 of the flags register) can be toggled: the CPUID instruction exists.
    virtual bool IdFlagToggles() const = 0;
    virtual CpuidRegisters Cpuid(std::uint32_t leaf) const = 0;
    // An 8-bit unsigned division of 5 by 2, run with the arithmetic flags cleared, leaves them clear
    // (the low flag byte reads 2). Cyrix processors behave so; Intel and AMD ones leave other values.
    virtual bool DivisionLeavesFlagsClear() const = 0;
};

class NativeCpuid final : public ICpuidSource {
public:
    bool IdFlagToggles() const override;
    CpuidRegisters Cpuid(std::uint32_t leaf) const override;
    bool DivisionLeavesFlagsClear() const override;
    static const NativeCpuid& Instance();
};

// The 12-character vendor identification of leaf 0: EBX, EDX, ECX, each lowest byte first.
std::string VendorText(const CpuidRegisters& leaf0);

// The family and model of a processor signature (EAX of leaf 1) as Intel and AMD define them: the extended
// family is added where the family field is 0xF, and the extended model heads the model where the family
// field is 6 or 0xF. Processors older than those fields have zeros there, so their numbers are the fields'.
int DisplayFamily(std::uint32_t signature);
int DisplayModel(std::uint32_t signature);

// The processor brand string of leaves 0x80000002 to 0x80000004 without its padding blanks, or the empty
// text where the processor has none. A byte that is no printable ASCII character (the string is ASCII by
// the vendors' definition; a hypervisor may say anything) becomes '?', so that it can reach a terminal.
std::string BrandString(const ICpuidSource& cpu);

// Whether the processor has a time stamp counter (CPUID with the TSC flag, bit 4 of EDX of leaf 1), and
// the counter itself; reading it where there is none faults.
bool TimeStampCounterAvailable(const ICpuidSource& cpu);
std::uint64_t TimeStampCounter();

} // namespace torvane::hw
