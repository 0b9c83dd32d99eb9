#pragma once
// The arithmetic of one Whetstone pass: the classic modules with changed starting values and constants,
// plus three loops that mix single, double and 80-bit extended precision and a decimal text round trip.
// Every pass starts from the same values, so a sound processor writes the same result text every time.
//
// Intermediate results are long double (the x87 80-bit format on x86) and each value is rounded to its
// variable's own type when it is stored, so the file is built without contraction and with standard
// excess precision (see the engine's CMakeLists).

#include <cstdint>
#include <string>

namespace torvane::engine {

struct WhetstoneVariables {
    double T = 0.499975;
    double T1 = 0.50025;
    double T2 = 2.1;
    double X1 = 3.2, X2 = -2.2, X3 = -3.1, X4 = -1.3;
    double Y1 = 78.0;
    double E[5] = {0.0, 2.8, -4.2, -3.4, -5.6}; // E[0] is the spare element modules 6 and 9 reach
    std::int32_t J = 1, K = 2, L = 3;
    std::int32_t JJ = 7;
    double X = 1.2, Y = 1.7, Z = 1.9;
    float F = 123.43377f;
    double D = 433.5355432;
    long double G = 128.5345433L;
    std::int32_t I = 10;
    std::int32_t OuterCount = 128;
    std::int32_t N[12] = {0, 0, 120, 140, 3450, 0, 2100, 320, 8990, 6160, 0, 930}; // N[1] ... N[11]
};

class WhetstonePass {
public:
    explicit WhetstonePass(char decimalSeparator, const WhetstoneVariables& start = {});

    // Modules 1 to 14 once. Throws EInvalidOp, EZeroDivide or EOverflow for a floating-point fault (the
    // variables then hold what was computed up to the check that found it).
    void RunIteration();
    // The 32 values joined into one text.
    std::string ResultText() const;
    const WhetstoneVariables& Variables() const { return v_; }

private:
    WhetstoneVariables v_;
    char separator_;
};

} // namespace torvane::engine
