#pragma once
// Floating-point faults as exceptions. The Whetstone pass reads the sticky exception flags after each
// stretch of arithmetic instead of enabling traps: Qt and the libraries below it are not written for
// trapping, and the pass processes events between its stretches.

#include "platform/Error.h"

namespace torvane::engine {

class EMathError : public torvane::Exception {
public:
    using Exception::Exception;
};

class EInvalidOp : public EMathError {
public:
    EInvalidOp() : EMathError("Invalid floating point operation") {}
};

class EZeroDivide : public EMathError {
public:
    EZeroDivide() : EMathError("Floating point division by zero") {}
};

class EOverflow : public EMathError {
public:
    EOverflow() : EMathError("Floating point overflow") {}
};

// Forgets earlier faults; the start of a checked stretch.
void ClearFloatingPointFaults();
// Throws for an invalid operation, a division by zero or an overflow since the last clear (precision
// loss, underflow and denormal operands are no faults).
void ThrowOnFloatingPointFault();

} // namespace torvane::engine
