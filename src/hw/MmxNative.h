#pragma once
// The MMX instruction of each operation code, inline so that MmxOperate costs little more than the
// instruction itself. On x86 built with MMX the instructions are written out with MMX register operands
// ("y"): GCC lowers the <mmintrin.h> operations to SSE2 instructions on 64-bit targets, and it is the
// MMX unit that is to be exercised. Elsewhere the lane-wise version stands in.

#include "hw/MmxOperand.h"
#include "hw/MmxPortable.h"

#include <cstdint>

#if (defined(__i386__) || defined(__x86_64__)) && defined(__MMX__)
#include <mmintrin.h>
#define TORVANE_HW_NATIVE_MMX 1
#else
#define TORVANE_HW_NATIVE_MMX 0
#endif

namespace torvane::hw::detail {

#if TORVANE_HW_NATIVE_MMX

#define TORVANE_MMX_OP(code, insn)                                                                           \
    case code:                                                                                               \
        __asm__(insn " %1, %0" : "+y"(x) : "y"(y));                                                          \
        break;

// Codes 1 ... 44 only. The MMX state is cleared before and after (EMMS), so that x87 code can follow.
// Always inlined: a call and return would cost more than the instruction.
[[gnu::always_inline]] inline std::uint64_t MmxInstruction(std::uint8_t code, std::uint64_t a,
                                                           std::uint64_t b) {
    _mm_empty();
    __m64 x = _mm_cvtsi64_m64(static_cast<long long>(a));
    const __m64 y = _mm_cvtsi64_m64(static_cast<long long>(b));
    switch (code) {
        TORVANE_MMX_OP(1, "pand")
        TORVANE_MMX_OP(2, "pandn")
        TORVANE_MMX_OP(3, "por")
        TORVANE_MMX_OP(4, "pxor")
        TORVANE_MMX_OP(5, "psrlw")
        TORVANE_MMX_OP(6, "psrld")
        TORVANE_MMX_OP(7, "psrlq")
        TORVANE_MMX_OP(8, "psraw")
        TORVANE_MMX_OP(9, "psrad")
        TORVANE_MMX_OP(10, "psllw")
        TORVANE_MMX_OP(11, "pslld")
        TORVANE_MMX_OP(12, "psllq")
        TORVANE_MMX_OP(13, "pcmpgtb")
        TORVANE_MMX_OP(14, "pcmpgtw")
        TORVANE_MMX_OP(15, "pcmpgtd")
        TORVANE_MMX_OP(16, "pcmpeqb")
        TORVANE_MMX_OP(17, "pcmpeqw")
        TORVANE_MMX_OP(18, "pcmpeqd")
        TORVANE_MMX_OP(19, "packsswb")
        TORVANE_MMX_OP(20, "packssdw")
        TORVANE_MMX_OP(21, "packuswb")
        TORVANE_MMX_OP(22, "punpcklbw")
        TORVANE_MMX_OP(23, "punpcklwd")
        TORVANE_MMX_OP(24, "punpckldq")
        TORVANE_MMX_OP(25, "punpckhbw")
        TORVANE_MMX_OP(26, "punpckhwd")
        TORVANE_MMX_OP(27, "punpckhdq")
        TORVANE_MMX_OP(28, "paddusb")
        TORVANE_MMX_OP(29, "paddusw")
        TORVANE_MMX_OP(30, "paddsb")
        TORVANE_MMX_OP(31, "paddsw")
        TORVANE_MMX_OP(32, "paddb")
        TORVANE_MMX_OP(33, "paddw")
        TORVANE_MMX_OP(34, "paddd")
        TORVANE_MMX_OP(35, "psubusb")
        TORVANE_MMX_OP(36, "psubusw")
        TORVANE_MMX_OP(37, "psubsb")
        TORVANE_MMX_OP(38, "psubsw")
        TORVANE_MMX_OP(39, "psubb")
        TORVANE_MMX_OP(40, "psubw")
        TORVANE_MMX_OP(41, "psubd")
        TORVANE_MMX_OP(42, "pmullw")
        TORVANE_MMX_OP(43, "pmulhw")
        TORVANE_MMX_OP(44, "pmaddwd")
    }
    const auto r = static_cast<std::uint64_t>(_mm_cvtm64_si64(x));
    _mm_empty();
    return r;
}

#undef TORVANE_MMX_OP

#else

inline std::uint64_t MmxInstruction(std::uint8_t code, std::uint64_t a, std::uint64_t b) {
    return MmxOperatePortable(code, a, b);
}

#endif

} // namespace torvane::hw::detail
