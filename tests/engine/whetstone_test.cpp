// The Whetstone pass: its result text, its agreement with itself, the decimal separator, floating-point
// faults as exceptions, and the general number format it writes.

#include "engine/FloatText.h"
#include "engine/MathError.h"
#include "engine/Whetstone.h"
#include "engine/WhetstoneWorkload.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <limits>

using namespace torvane::engine;

namespace {

std::string FullPass(char sep, const WhetstoneVariables& start = {}) {
    WhetstonePass pass(sep, start);
    for (int i = 0; i < start.OuterCount; ++i) pass.RunIteration();
    return pass.ResultText();
}

template <typename E> std::string FaultOf(WhetstoneVariables start) {
    WhetstonePass pass('.', start);
    try {
        for (int i = 0; i < start.OuterCount; ++i) pass.RunIteration();
    } catch (const E& e) {
        return e.what();
    } catch (const std::exception& e) {
        return std::string("other: ") + e.what();
    }
    return "none";
}

} // namespace

TEST(WhetstonePass, IntegerValuesOfTheResultText) {
    WhetstonePass pass('.');
    for (int i = 0; i < 128; ++i) pass.RunIteration();
    const auto& v = pass.Variables();
    const auto f = [](long double x) { return FormatGeneral15(x, '.'); };
    // J, JJ, K, L, I, the outer count and N1 ... N11 follow the eight leading floating-point values.
    const std::string leading = f(v.T) + f(v.T1) + f(v.T2) + f(v.Y1) + f(v.X1) + f(v.X2) + f(v.X3) + f(v.X4);
    const std::string integers = "0"
                                 "6"
                                 "255"
                                 "0"
                                 "10"
                                 "128"
                                 "0"
                                 "120"
                                 "140"
                                 "3450"
                                 "0"
                                 "2100"
                                 "320"
                                 "8990"
                                 "6160"
                                 "0"
                                 "930";
    const std::string text = pass.ResultText();
    ASSERT_EQ(text.substr(0, leading.size() + integers.size()), leading + integers);
    EXPECT_EQ(text.substr(0, 15), "0.4999750.50025");
    // X2 ... X4 are never touched (module 1 has a count of 0).
    EXPECT_NE(leading.find("-2.2-3.1-1.3"), std::string::npos);
}

TEST(WhetstonePass, TwoPassesAgree) {
    EXPECT_EQ(FullPass('.'), FullPass('.'));
}

TEST(WhetstonePass, ARoundingModeLeftByOtherCodeChangesNothing) {
    const std::string sound = FullPass('.');
    std::fesetround(FE_UPWARD);
    const std::string after = FullPass('.');
    std::fesetround(FE_TONEAREST);
    EXPECT_EQ(after, sound);
}

TEST(WhetstonePass, UsesTheGivenDecimalSeparatorThroughout) {
    // Module 14 reads its own text back; with a comma it must read the comma, and the pass then yields
    // the same digits.
    std::string point = FullPass('.');
    const std::string comma = FullPass(',');
    EXPECT_EQ(comma.find('.'), std::string::npos);
    for (auto& c : point)
        if (c == '.') c = ',';
    EXPECT_EQ(comma, point);
}

TEST(WhetstonePass, FloatingPointFaultsBecomeExceptions) {
    WhetstoneVariables divide;
    divide.T2 = 0; // module 3 divides by it
    EXPECT_EQ(FaultOf<EZeroDivide>(divide), "Floating point division by zero");

    WhetstoneVariables invalid;
    for (auto& e : invalid.E) e = 0;
    invalid.T2 = 0; // 0 / 0
    EXPECT_EQ(FaultOf<EInvalidOp>(invalid), "Invalid floating point operation");

    WhetstoneVariables overflow;
    overflow.T = 1e300; // module 2 stores a product beyond the double range
    EXPECT_EQ(FaultOf<EOverflow>(overflow), "Floating point overflow");
}

TEST(WhetstonePass, FaultsBeforeThePassDoNotCount) {
    // Flags left over by earlier code are no fault of the pass.
    volatile double zero = 0;
    volatile double r = 1 / zero;
    (void)r;
    ASSERT_TRUE(std::fetestexcept(FE_DIVBYZERO));
    WhetstonePass pass('.');
    EXPECT_NO_THROW(pass.RunIteration());
}

TEST(WhetstonePass, LeavesEarlyWhenACheckSaysSo) {
    WhetstonePass pass('.');
    int calls = 0;
    EXPECT_FALSE(RunWhetstonePass(
        pass, [&] { return ++calls < 3; }, [] { return true; }));
    EXPECT_EQ(calls, 3);
    WhetstonePass second('.');
    EXPECT_FALSE(RunWhetstonePass(
        second, [] { return true; }, [] { return false; }));
}

TEST(FormatGeneral15, PlainAndScientificForms) {
    const struct {
        long double value;
        const char* text;
    } cases[] = {
        {0.499975L, "0.499975"},
        {2.1L, "2.1"},
        {78.0L, "78"},
        {-5.6L, "-5.6"},
        {0.0L, "0"},
        {1.0L / 3, "0.333333333333333"},
        {2.0L / 3, "0.666666666666667"},
        {9.9999999999999999L, "10"},
        {0.00001L, "0.00001"},
        {0.0000123L, "0.0000123"},
        {0.000001L, "1E-6"},
        {-1.5e-7L, "-1.5E-7"},
        {123456789012345.0L, "123456789012345"},
        {1e15L, "1E15"},
        {1.23456789012345678e20L, "1.23456789012346E20"},
        {static_cast<float>(123.43377f), "123.433769226074"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatGeneral15(c.value, '.'), c.text) << static_cast<double>(c.value);
    EXPECT_EQ(FormatGeneral15(-1234.5L, ','), "-1234,5");
    EXPECT_EQ(FormatGeneral15(2.5e-9L, ','), "2,5E-9");
    EXPECT_EQ(FormatGeneral15(std::numeric_limits<long double>::infinity(), '.'), "INF");
}

TEST(ParseFloat, ReadsTheFormatBackWithItsSeparator) {
    EXPECT_EQ(ParseFloat("0.499975", '.'), 0.499975L);
    EXPECT_EQ(ParseFloat("-1234,5", ','), -1234.5L);
    EXPECT_EQ(ParseFloat("1.5E-66", '.'), 1.5e-66L);
    EXPECT_EQ(ParseFloat("1246", '.'), 1246.0L);
    EXPECT_EQ(ParseFloat("1E99999", '.'), std::numeric_limits<long double>::infinity());
    for (const char* bad : {"", "abc", "1.5", "1,5,5", "1.5x"}) {
        try {
            ParseFloat(bad, ',');
            ADD_FAILURE() << bad;
        } catch (const torvane::EConvertError& e) {
            EXPECT_EQ(std::string(e.what()),
                      std::string("'") + bad + "' is not a valid floating point value");
        }
    }
}
