#include "engine/Whetstone.h"

#include "engine/FloatText.h"
#include "engine/MathError.h"

#include <cfenv>
#include <cmath>
#include <stdexcept>

#if defined(__i386__) || defined(__x86_64__)
#include <fpu_control.h>
#endif

namespace torvane::engine {

namespace {

using Ext = long double;

// Out-of-range indices cannot come from these starting values; on a processor that gets the integer
// arithmetic wrong they end the pass as an error instead of writing beside the array.
double& At(WhetstoneVariables& v, std::int32_t index) {
    if (index < 0 || index > 4) throw torvane::Exception("Range check error");
    return v.E[index];
}

// Rounding to nearest with the full 64-bit mantissa; exception masks are left as they are. Whatever ran
// between two iterations (nested passes, Qt, the libraries below it) cannot change the arithmetic.
void UseExtendedPrecision() {
    if (std::fegetround() != FE_TONEAREST) std::fesetround(FE_TONEAREST);
#if defined(__i386__) || defined(__x86_64__)
    fpu_control_t cw;
    _FPU_GETCW(cw);
    const fpu_control_t wanted = (cw & ~(_FPU_EXTENDED | _FPU_RC_ZERO)) | _FPU_EXTENDED | _FPU_RC_NEAREST;
    if (wanted != cw) _FPU_SETCW(wanted);
#endif
}

// Each module is a separate call so that its arithmetic is complete before the flags are read.
[[gnu::noinline]] void Module1(WhetstoneVariables& v) {
    for (std::int32_t n = 0; n < v.N[1]; ++n) {
        v.X1 = static_cast<double>((Ext{v.X1} + v.X2 + v.X3 - v.X4) * v.T);
        v.X2 = static_cast<double>((Ext{v.X1} + v.X2 - v.X3 + v.X4) * v.T);
        v.X3 = static_cast<double>((Ext{v.X1} - v.X2 + v.X3 + v.X4) * v.T);
        v.X4 = static_cast<double>((-Ext{v.X1} + v.X2 + v.X3 + v.X4) * v.T);
    }
}

[[gnu::noinline]] void Module2(WhetstoneVariables& v) {
    auto& e = v.E;
    for (std::int32_t n = 0; n < v.N[2]; ++n) {
        e[1] = static_cast<double>((Ext{e[1]} + e[2] + e[3] - e[4]) * v.T);
        e[2] = static_cast<double>((Ext{e[1]} + e[2] - e[3] + e[4]) * v.T);
        e[3] = static_cast<double>((Ext{e[1]} - e[2] + e[3] + e[4]) * v.T);
        e[4] = static_cast<double>((-Ext{e[1]} + e[2] + e[3] + e[4]) * v.T);
    }
}

[[gnu::noinline]] void Module3(WhetstoneVariables& v) {
    auto& e = v.E;
    for (std::int32_t n = 0; n < v.N[3]; ++n) {
        v.JJ = 0;
        do {
            e[1] = static_cast<double>((Ext{e[1]} + e[2] + e[3] - e[4]) * v.T);
            e[2] = static_cast<double>((Ext{e[1]} + e[2] - e[3] + e[4]) * v.T);
            e[3] = static_cast<double>((Ext{e[1]} - e[2] + e[3] + e[4]) * v.T);
            e[4] = static_cast<double>((-Ext{e[1]} + e[2] + e[3] + e[4]) / v.T2);
            v.JJ += 1;
        } while (v.JJ < 6);
    }
}

[[gnu::noinline]] void Module4(WhetstoneVariables& v) {
    for (std::int32_t n = 0; n < v.N[4]; ++n) {
        v.J = v.J == 1 ? 2 : 3;
        v.J = v.J > 2 ? 0 : 1;
        v.J = v.J < 1 ? 1 : 0;
    }
}

[[gnu::noinline]] void Module6(WhetstoneVariables& v) {
    // 32-bit wrapping integer arithmetic.
    auto u = [](std::int32_t x) { return static_cast<std::uint32_t>(x); };
    auto s = [](std::uint32_t x) { return static_cast<std::int32_t>(x); };
    for (std::int32_t n = 0; n < v.N[6]; ++n) {
        v.J = s(u(v.J) * (u(v.K) - u(v.J)) * (u(v.L) - u(v.K)));
        v.K = s(u(v.L) * u(v.K) - (u(v.L) - u(v.J)) * u(v.K));
        v.L = s((u(v.L) - u(v.K)) * (u(v.K) + u(v.J)));
        const std::int32_t p = s(u(v.L) - 1) % 4;
        const std::int32_t q = s(u(v.K) - 1) % 4;
        At(v, p + 1) = static_cast<double>(s(u(v.J) + u(v.K) + u(v.L)));
        At(v, q + 1) = static_cast<double>(s(u(v.J) * u(v.K) * u(v.L)));
    }
}

[[gnu::noinline]] void Module7(WhetstoneVariables& v) {
    for (std::int32_t n = 0; n < v.N[7]; ++n) {
        v.X = static_cast<double>(v.T * std::atan(Ext{v.T2} * std::sin(Ext{v.X}) * std::cos(Ext{v.X}) /
                                                  (std::cos(Ext{v.X} + v.Y) + std::cos(Ext{v.X} - v.Y) - 1)));
        v.Y = static_cast<double>(v.T * std::atan(Ext{v.T2} * std::sin(Ext{v.Y}) * std::cos(Ext{v.Y}) /
                                                  (std::cos(Ext{v.X} + v.Y) + std::cos(Ext{v.X} - v.Y) - 1)));
    }
}

[[gnu::noinline]] void Module8(WhetstoneVariables& v) {
    for (std::int32_t n = 0; n < v.N[8]; ++n) {
        v.X1 = v.X;
        v.Y1 = v.Y;
        v.X1 = static_cast<double>((Ext{v.X1} + v.Y1) * v.T);
        v.Y1 = static_cast<double>((Ext{v.X1} + v.Y1) * v.T);
        v.Z = static_cast<double>((Ext{v.X1} + v.Y1) / v.T2 + v.Z);
    }
}

[[gnu::noinline]] void Module9(WhetstoneVariables& v) {
    for (std::int32_t n = 0; n < v.N[9]; ++n) {
        At(v, v.J) = At(v, v.K);
        At(v, v.K) = At(v, v.L);
        At(v, v.L) = At(v, v.J);
    }
}

[[gnu::noinline]] void Module11(WhetstoneVariables& v) {
    for (std::int32_t n = 0; n < v.N[11]; ++n)
        v.X = static_cast<double>(
            std::sqrt(std::exp(std::log(std::fabs(Ext{v.X})) / (std::fabs(Ext{v.T1}) + 1))));
}

[[gnu::noinline]] void Module12(WhetstoneVariables& v) {
    for (std::int32_t i = 1; i <= 196; ++i) {
        v.J = (v.J ^ i) | i;
        v.K = v.K | (v.J & i);
        v.J = (v.J & v.K) ^ i;
    }
}

[[gnu::noinline]] void Module13(WhetstoneVariables& v) {
    for (std::int32_t i = 1; i <= 196; ++i) {
        v.F = static_cast<float>((Ext{v.F} + v.D) / (v.G + v.F) - v.G * i);
        v.D = static_cast<double>(Ext{v.F} / i + Ext(i) / v.D + v.F - v.G);
        v.G = (v.G + v.D - v.F) / (Ext{v.F} - v.D + v.G) + i;
    }
}

[[gnu::noinline]] void Module14(WhetstoneVariables& v, char sep) {
    for (std::int32_t i = 1; i <= 196; ++i)
        v.F = static_cast<float>(ParseFloat(FormatGeneral15(Ext(i) + v.F, sep) + "6", sep));
}

template <typename Module, typename... Args>
void Checked(Module module, WhetstoneVariables& v, Args... args) {
    module(v, args...);
    ThrowOnFloatingPointFault();
}

} // namespace

WhetstonePass::WhetstonePass(char decimalSeparator, const WhetstoneVariables& start)
    : v_(start), separator_(decimalSeparator) {}

void WhetstonePass::RunIteration() {
    // Events processed between iterations may have run any code; start from a clean state.
    UseExtendedPrecision();
    ClearFloatingPointFaults();
    Checked(Module1, v_);
    Checked(Module2, v_);
    Checked(Module3, v_);
    Checked(Module4, v_);
    // Module 5 has a count of 0 and no body.
    Checked(Module6, v_);
    Checked(Module7, v_);
    Checked(Module8, v_);
    Checked(Module9, v_);
    // Module 10 has a count of 0 and no body.
    Checked(Module11, v_);
    Checked(Module12, v_);
    Checked(Module13, v_);
    Checked(Module14, v_, separator_);
}

std::string WhetstonePass::ResultText() const {
    const auto f = [this](long double x) { return FormatGeneral15(x, separator_); };
    const auto n = [](std::int32_t x) { return std::to_string(x); };
    std::string r;
    r += f(v_.T) + f(v_.T1) + f(v_.T2) + f(v_.Y1) + f(v_.X1) + f(v_.X2) + f(v_.X3) + f(v_.X4);
    r += n(v_.J) + n(v_.JJ) + n(v_.K) + n(v_.L) + n(v_.I) + n(v_.OuterCount);
    for (int m = 1; m <= 11; ++m) r += n(v_.N[m]);
    for (int e = 1; e <= 4; ++e) r += f(v_.E[e]);
    r += f(v_.F) + f(v_.D) + f(v_.G);
    return r;
}

} // namespace torvane::engine
