// The work clock's rule on the manual clocks: real time counts, a system clock set forward earns nothing
// and ends the run when it jumps, a clock set back takes work time away, and a stall (starved, stopped,
// suspended) is no work time but no jump either.

#include "engine/WorkClock.h"

#include <gtest/gtest.h>

using torvane::ManualWorkTimeSource;
using torvane::engine::WorkClock;
using torvane::engine::WorkClockCheck;

namespace {

class WorkClockTest : public ::testing::Test {
protected:
    // Lets real time pass in steps of at most `step` ms, checking after each; false at the first check
    // that is not plain work time.
    bool Work(std::int64_t ms, std::int64_t step = 800) {
        while (ms > 0) {
            const auto now = std::min(ms, step);
            time.Pass(now);
            ms -= now;
            const auto check = clock.Check();
            if (check.Jumped || check.PausedMs != 0) return false;
        }
        return true;
    }

    ManualWorkTimeSource time;
    WorkClock clock{time};
};

TEST_F(WorkClockTest, NotStartedStartedAndStopped) {
    EXPECT_EQ(clock.ElapsedSeconds(), 0);
    EXPECT_EQ(clock.Check().Seconds, 0);
    EXPECT_EQ(clock.StopClock(), 0);
    clock.StartClock();
    ASSERT_TRUE(Work(42000));
    EXPECT_EQ(clock.StopClock(), 42);
    EXPECT_FALSE(clock.Running());
    EXPECT_EQ(clock.ElapsedSeconds(), 0);
}

TEST_F(WorkClockTest, OnlyACheckMovesTheWorkTime) {
    clock.StartClock();
    ASSERT_TRUE(Work(5000));
    // Time that no check has looked at yet (it could hide a jump) is in nobody's work time.
    time.Pass(3000);
    EXPECT_EQ(clock.ElapsedSeconds(), 5);
    EXPECT_EQ(clock.StopClock(), 5);
}

TEST_F(WorkClockTest, ADayOfChecksIsADayOfWorkTime) {
    clock.StartClock();
    ASSERT_TRUE(Work(86400000, 10000));
    EXPECT_EQ(clock.ElapsedSeconds(), 86400);
    // Checks far more often than the clock tick (an encryption cycle checks at every chunk) lose nothing.
    clock.StartClock();
    ASSERT_TRUE(Work(60000, 1));
    EXPECT_EQ(clock.ElapsedSeconds(), 60);
}

TEST_F(WorkClockTest, ASystemClockSetForwardEarnsNothingAndMoreThanTenSecondsIsAJump) {
    clock.StartClock();
    ASSERT_TRUE(Work(20000));
    time.SetClockBy(10000);
    auto check = clock.Check();
    EXPECT_FALSE(check.Jumped);
    EXPECT_EQ(check.PausedMs, 0);
    EXPECT_EQ(check.Seconds, 20);

    time.SetClockBy(10001);
    check = clock.Check();
    EXPECT_TRUE(check.Jumped);
    EXPECT_EQ(check.PausedMs, 0);
}

TEST_F(WorkClockTest, AClockNudgedForwardAtEveryCheckEarnsNothing) {
    clock.StartClock();
    // 200 ms at a time is below what a single reading can tell, but they add up and are taken away.
    for (int i = 0; i < 300; ++i) {
        time.Pass(800);
        time.SetClockBy(200);
        const auto check = clock.Check();
        ASSERT_FALSE(check.Jumped) << i;
        ASSERT_EQ(check.PausedMs, 0) << i;
    }
    EXPECT_EQ(clock.ElapsedSeconds(), 240);
}

TEST_F(WorkClockTest, AClockSetBackTakesWorkTimeAwayAndBeforeTheStartCountsTheDistance) {
    clock.StartClock();
    for (int i = 0; i < 20; ++i) ASSERT_TRUE(Work(8000));
    EXPECT_EQ(clock.ElapsedSeconds(), 160);
    time.SetClockBy(-60000);
    auto check = clock.Check();
    EXPECT_FALSE(check.Jumped);
    EXPECT_EQ(check.Seconds, 100);
    ASSERT_TRUE(Work(8000));
    EXPECT_EQ(clock.ElapsedSeconds(), 108);
    // Back to 150 s before the start: the distance to the start is more than 10 s above the work time.
    time.SetClockBy(-258000);
    check = clock.Check();
    EXPECT_TRUE(check.Jumped);
    EXPECT_EQ(check.Seconds, 150);
}

TEST_F(WorkClockTest, ADistanceToTheStartTenSecondsAboveTheWorkTimeIsNoJumpElevenAre) {
    // 20 s of work, then the clock set back to 30 s (31 s) before the start.
    for (const std::int64_t back : {50000, 51000}) {
        ManualWorkTimeSource source;
        WorkClock work{source};
        work.StartClock();
        for (int i = 0; i < 20; ++i) {
            source.Pass(1000);
            ASSERT_FALSE(work.Check().Jumped);
        }
        source.SetClockBy(-back);
        const WorkClockCheck check = work.Check();
        EXPECT_EQ(check.Jumped, back == 51000) << back;
        EXPECT_EQ(check.Seconds, back / 1000 - 20) << back;
    }
}

TEST_F(WorkClockTest, AStallOfNineSecondsIsWorkTimeAndOfElevenSecondsAPause) {
    clock.StartClock();
    ASSERT_TRUE(Work(30000));
    time.Pass(9000);
    auto check = clock.Check();
    EXPECT_FALSE(check.Jumped);
    EXPECT_EQ(check.PausedMs, 0);
    EXPECT_EQ(check.Seconds, 39);

    time.Pass(11000);
    check = clock.Check();
    EXPECT_FALSE(check.Jumped);
    EXPECT_EQ(check.PausedMs, 11000);
    EXPECT_EQ(check.Seconds, 39);
    // The run goes on from there.
    ASSERT_TRUE(Work(2000));
    EXPECT_EQ(clock.ElapsedSeconds(), 41);
}

TEST_F(WorkClockTest, TheStallLimitLiesBetweenTenSecondsAndOneMillisecondMore) {
    clock.StartClock();
    time.Pass(10000);
    EXPECT_EQ(clock.Check().PausedMs, 0);
    time.Pass(10001);
    EXPECT_EQ(clock.Check().PausedMs, 10001);
    EXPECT_EQ(clock.ElapsedSeconds(), 10);
}

TEST_F(WorkClockTest, ASuspendedMachineIsAPauseNotAJump) {
    clock.StartClock();
    ASSERT_TRUE(Work(3600000, 10000));
    // Eight hours asleep: the wall clock and the monotonic clock (which counts the sleep) move together.
    time.Pass(8 * 3600000);
    const auto check = clock.Check();
    EXPECT_FALSE(check.Jumped);
    EXPECT_EQ(check.PausedMs, 8 * 3600000);
    EXPECT_EQ(check.Seconds, 3600);
}

TEST_F(WorkClockTest, AJumpDuringAStallIsStillAJump) {
    clock.StartClock();
    ASSERT_TRUE(Work(5000));
    time.Pass(30000);
    time.SetClockBy(86400000);
    const auto check = clock.Check();
    EXPECT_TRUE(check.Jumped);
    EXPECT_EQ(check.PausedMs, 30000);
}

TEST_F(WorkClockTest, AJumpIsSeenAtEveryMomentOfADay) {
    // A whole day of checks, and a day's jump tried after each of its seconds that matter most: the
    // first, just before a time limit of a minute and of a day, and the moment a day is reached.
    for (const std::int64_t at : {0, 1, 59, 60, 3599, 86398, 86399, 86400}) {
        clock.StartClock();
        ASSERT_TRUE(Work(at * 1000, 10000)) << at;
        ASSERT_EQ(clock.ElapsedSeconds(), at);
        time.Pass(400);
        time.SetClockBy(86400000);
        EXPECT_TRUE(clock.Check().Jumped) << at;
    }
}

TEST_F(WorkClockTest, DiscardedWorkTimeStartsFromZero) {
    clock.StartClock();
    ASSERT_TRUE(Work(25000));
    time.SetClockBy(3600000);
    ASSERT_TRUE(clock.Check().Jumped);
    clock.Discard();
    EXPECT_EQ(clock.ElapsedSeconds(), 0);
    const WorkClockCheck check = clock.Check();
    EXPECT_FALSE(check.Jumped);
    EXPECT_EQ(check.Seconds, 0);
    EXPECT_EQ(clock.StopClock(), 0);
}

TEST_F(WorkClockTest, ClockValuesFarAwaySaturateInsteadOfWrapping) {
    clock.StartClock();
    time.SetClockBy(-200LL * 365 * 86400000);
    const auto check = clock.Check();
    EXPECT_TRUE(check.Jumped);
    EXPECT_EQ(check.Seconds, 2147483647);
}

} // namespace
