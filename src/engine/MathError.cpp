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
    if (raised & FE_INVALID) throw EInvalidOp();
    if (raised & FE_DIVBYZERO) throw EZeroDivide();
    throw EOverflow();
}

} // namespace torvane::engine
