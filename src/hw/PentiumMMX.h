#pragma once
// Direct access to three processor facilities of the x86 family: the CPUID instruction, the time stamp
// counter and the MMX integer unit. MmxOperate is what the MMX workload exercises; the rest describes
// the processor. On other processors the CPUID and counter properties read as absent and MmxOperate
// falls back to the lane-wise stand-in.

#include "hw/MmxNative.h"
#include "hw/MmxOperand.h"
#include "platform/Error.h"

#include <cstdint>
#include <string>

namespace torvane::hw {

// Raised by the CPUID getters when the processor has no CPUID leaf 1 and ErrorEnable is set.
class EPentiumMMXError : public torvane::Exception {
public:
    static constexpr std::int32_t Code = 65537; // 0x00010001, at every raise site
    explicit EPentiumMMXError(const std::string& message) : Exception(message, Code) {}
};

class TPentiumMMX {
public:
    TPentiumMMX() = default;

    // Published properties, in their order.
    bool ErrorEnable() const { return errorEnable_; }
    void SetErrorEnable(bool on) { errorEnable_ = on; }
    bool CpuIDsupport() const;
    bool RDTSCsupport() const;
    bool MMXsupport() const;
    std::string VendorString() const;
    std::uint8_t SteppingID() const;
    std::uint16_t Model() const;
    std::int32_t Family() const;
    std::int32_t FeatureFlags() const;
    std::int32_t TimeStampHigh() const;
    std::int32_t TimeStampLow() const;

    // Newer - Older modulo 2^32: the ticks between two readings of TimeStampLow, across one wrap.
    std::uint32_t Interval32(std::uint32_t newer, std::uint32_t older) const;
    // Newer - Older modulo 2^64, in the high-word-first layout.
    void Interval64(const TInterval64& newer, const TInterval64& older, TInterval64& result) const;
    // One MMX instruction (codes 1 ... 44) with a as destination and b as source; any other code gives
    // zero. The MMX state is cleared before and after, so floating-point code can follow.
    void MmxOperate(std::uint8_t code, TMmxOperand a, TMmxOperand b, TMmxOperand& r) const;

private:
    // EAX of leaf 1 (or 0 without it; with ErrorEnable the getter named raises instead).
    std::uint32_t Leaf1Eax(const char* getter) const;

    bool errorEnable_ = false;
};

// The MMX instruction of one code on the processor itself (x86 with MMX only); exposed for the
// benchmarks that hold MmxOperate against it.
std::uint64_t MmxOperateNative(std::uint8_t code, std::uint64_t a, std::uint64_t b);
// Whether this build executes real MMX instructions (x86 compiled with MMX).
bool NativeMmxBuilt();

inline void TPentiumMMX::MmxOperate(std::uint8_t code, TMmxOperand a, TMmxOperand b, TMmxOperand& r) const {
    // Codes outside the table never reach the MMX unit.
    r = code == 0 || code > MmxMaxCode
            ? TMmxOperand{}
            : TMmxOperand::FromQuad(detail::MmxInstruction(code, a.Quad(), b.Quad()));
}

} // namespace torvane::hw
