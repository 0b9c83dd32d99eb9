#include "platform/Convert.h"
#include "platform/Error.h"

#include <gtest/gtest.h>

namespace torvane {
namespace {

TEST(Convert, AcceptsSignedDecimalIntegersWithin32Bits) {
    EXPECT_EQ(TryStrToInt("104857600"), 104857600);
    EXPECT_EQ(TryStrToInt("-5"), -5);
    EXPECT_EQ(TryStrToInt("+7"), 7);
    EXPECT_EQ(TryStrToInt(" 42 "), 42);
    EXPECT_EQ(TryStrToInt("2147483647"), 2147483647);
    EXPECT_EQ(TryStrToInt("-2147483648"), INT32_MIN);
    EXPECT_EQ(TryStrToInt("0000000000012"), 12);
}

TEST(Convert, RefusesEverythingElse) {
    for (const char* text : {"", " ", "-", "+", "2147483648", "-2147483649", "99999999999999999999", "1.5",
                             "1e3", "0x10", "12abc", "abc", "1 2", "--1"})
        EXPECT_EQ(TryStrToInt(text), std::nullopt) << text;
}

TEST(Convert, TellsWhichTextIsNoInteger) {
    try {
        StrToInt("abc");
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "'abc' is not a valid integer value");
    }
}

} // namespace
} // namespace torvane
