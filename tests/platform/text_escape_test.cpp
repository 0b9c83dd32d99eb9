// Outside text shown on a terminal: md5sum's escapes for backslashes and line ends, and every other
// control character escaped too, with the line marked where anything was.

#include "platform/TextEscape.h"

#include <gtest/gtest.h>

using namespace torvane;

namespace {

TEST(EscapeControls, BackslashesLineEndsAndEveryControlCharacter) {
    struct Case {
        std::string in, out;
        bool escaped;
    };
    const Case cases[] = {
        {"plain name.tvc", "plain name.tvc", false},
        {"J\u00f6rg \u20ac", "J\u00f6rg \u20ac", false}, // letters of any script stay
        {"a\\b", "a\\\\b", true},
        {"a\nb\r", "a\\nb\\r", true},
        {"\t", "\\t", true},
        {"x\x1b[2Ay", "x\\x1b[2Ay", true},
        {std::string("nul\0end", 7), "nul\\x00end", true},
        {"\x7f", "\\x7f", true},
        {"\u009b2A", "\\x9b2A", true},   // C1 CSI, which some terminals obey
        {"\xc2", "\xc2", false},         // a cut sequence is kept as it is
        {"\xff\xfe", "\xff\xfe", false}, // so are bytes that are no UTF-8
    };
    for (const auto& c : cases) {
        bool escaped = !c.escaped;
        EXPECT_EQ(EscapeControls(c.in, &escaped), c.out) << c.in;
        EXPECT_EQ(escaped, c.escaped) << c.in;
    }
}

TEST(EscapedLine, MarkedOnceWhereAnyOutsidePartWasEscaped) {
    EXPECT_EQ(TEscapedLine().Own("abc  ").Outside("name").Text(), "abc  name");
    EXPECT_EQ(TEscapedLine().Own("abc  ").Outside("a\nb").Own(": ok").Outside("c\\d").Text(),
              "\\abc  a\\nb: ok"
              "c\\\\d");
    // The program's own text is never escaped.
    EXPECT_EQ(TEscapedLine().Own("a\\b").Text(), "a\\b");
}

TEST(HasControlCharacter, FindsTheFirst) {
    std::size_t at = 99;
    EXPECT_FALSE(HasControlCharacter("Ryzen 7 \u00b4\u20ac", &at));
    EXPECT_EQ(at, 99u);
    EXPECT_TRUE(HasControlCharacter("ab\u0085c\x01", &at));
    EXPECT_EQ(at, 2u);
    EXPECT_TRUE(HasControlCharacter(std::string("\0", 1), &at));
    EXPECT_EQ(at, 0u);
}

} // namespace
