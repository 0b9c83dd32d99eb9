// The work clock: continuous seconds across midnights, month and year ends, absolute distances, and
// clock values far beyond 32 bits.

#include "engine/WorkClock.h"

#include <gtest/gtest.h>

using torvane::LocalDateTime;
using torvane::ManualLocalClock;
using torvane::engine::WorkClock;

TEST(WorkClock, CountsOnAcrossMidnightMonthAndYearEnds) {
    for (const LocalDateTime start :
         {LocalDateTime{2024, 1, 31, 23, 59, 50}, LocalDateTime{1999, 12, 31, 23, 59, 59},
          LocalDateTime{2024, 2, 28, 23, 0, 0}, LocalDateTime{2100, 2, 28, 23, 59, 0}}) {
        ManualLocalClock local(start);
        WorkClock clock(local);
        clock.StartClock();
        local.AddSeconds(3 * 86400 + 3723);
        EXPECT_EQ(clock.ElapsedSeconds(), 3 * 86400 + 3723) << start.Year << "-" << start.Month;
    }
}

TEST(WorkClock, ValuesOfPresentDatesExceedThirtyTwoBits) {
    ManualLocalClock local({2024, 6, 11, 12, 0, 0});
    WorkClock clock(local);
    EXPECT_EQ(clock.ClockValue(), 45454LL * 86400 + 43200);
    EXPECT_GT(clock.ClockValue(), 2147483647LL);
}

TEST(WorkClock, NotStartedStartedAndStopped) {
    ManualLocalClock local({2024, 6, 11, 12, 0, 0});
    WorkClock clock(local);
    EXPECT_EQ(clock.ElapsedSeconds(), 0);
    EXPECT_EQ(clock.StopClock(), 0);
    clock.StartClock();
    local.AddSeconds(42);
    EXPECT_EQ(clock.StopClock(), 42);
    EXPECT_FALSE(clock.Running());
    EXPECT_EQ(clock.ElapsedSeconds(), 0);
}

TEST(WorkClock, ClockSetBeforeTheStartCountsTheDistance) {
    ManualLocalClock local({2024, 6, 11, 0, 0, 5});
    WorkClock clock(local);
    clock.StartClock();
    local.AddSeconds(-86400 - 10);
    EXPECT_EQ(clock.ElapsedSeconds(), 86410);
    // A clock set a century away cannot be shown in 32-bit seconds; it saturates instead of wrapping.
    local.Set({2200, 1, 1, 0, 0, 0});
    EXPECT_EQ(clock.ElapsedSeconds(), 2147483647);
}
