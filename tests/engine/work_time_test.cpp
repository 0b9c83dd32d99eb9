#include "engine/WorkTime.h"

#include <gtest/gtest.h>

namespace torvane::engine {
namespace {

TEST(WorkTime, EveryFieldRollsOverIntoTheNextAtItsLimit) {
    struct Case {
        std::int64_t seconds;
        std::array<QString, 4> fields;
        const char* text;
    };
    const Case cases[] = {
        {0, {"0", "0", "0", "0"}, "0 d, 0 h, 0 m, 0 s"},
        {59, {"0", "0", "0", "59"}, "0 d, 0 h, 0 m, 59 s"},
        {60, {"0", "0", "1", "0"}, "0 d, 0 h, 1 m, 0 s"},
        {3599, {"0", "0", "59", "59"}, "0 d, 0 h, 59 m, 59 s"},
        {3600, {"0", "1", "0", "0"}, "0 d, 1 h, 0 m, 0 s"},
        {86399, {"0", "23", "59", "59"}, "0 d, 23 h, 59 m, 59 s"},
        {86400, {"1", "0", "0", "0"}, "1 d, 0 h, 0 m, 0 s"},
        // Beyond what a 32-bit count of seconds holds: a work time never wraps.
        {30000LL * 86400 + 61, {"30000", "0", "1", "1"}, "30000 d, 0 h, 1 m, 1 s"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WorkTimeFields(c.seconds), c.fields) << c.seconds;
        EXPECT_EQ(WorkTimeText(c.seconds), QString::fromLatin1(c.text)) << c.seconds;
    }
}

} // namespace
} // namespace torvane::engine
