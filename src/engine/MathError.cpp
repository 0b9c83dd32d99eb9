#include "engine/MathError.h"

#include <cfenv>

namespace torvane::engine {

void ClearFloatingPointFaults() {
    std::feclearexcept(FE_ALL_EXCEPT);
}

void ThrowOnFloatingPointFault() {
    const int raised = std::fetestexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW);
    if (!raised) return;
    std::feclearexcept(FE_ALL_EXCEPT);
    // Several flags at once: the infinity of a division by zero or an overflow turns into an invalid
    // operation a few steps later (inf - inf), never the other way round, so those came first and are
    // the fault a trap would have stopped at.
    if (raised & FE_DIVBYZERO) throw EZeroDivide();
    if (raised & FE_OVERFLOW) throw EOverflow();
    throw EInvalidOp();
}

} // namespace torvane::engine
