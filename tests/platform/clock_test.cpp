// The time sources the engine is given; the manual ones must behave like the real calendar.

#include "platform/Clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

namespace torvane {
namespace {

TEST(Clock, DayCountFollowsTheDesktopEpoch) {
    EXPECT_EQ(DayCount(1899, 12, 30), 0);
    EXPECT_EQ(DayCount(1900, 1, 1), 2);
    EXPECT_EQ(DayCount(2000, 1, 1), 36526);
    EXPECT_EQ(DayCount(2000, 3, 1) - DayCount(2000, 2, 28), 2); // 2000 is a leap year
    EXPECT_EQ(DayCount(2100, 3, 1) - DayCount(2100, 2, 28), 1); // 2100 is not
}

TEST(Clock, ManualLocalClockCrossesMonthAndYearEnds) {
    ManualLocalClock clock({1999, 12, 31, 23, 59, 58});
    clock.AddSeconds(3);
    auto now = clock.Now();
    EXPECT_EQ(now.Year, 2000);
    EXPECT_EQ(now.Month, 1);
    EXPECT_EQ(now.Day, 1);
    EXPECT_EQ(now.Second, 1);
    clock.AddSeconds(-2);
    now = clock.Now();
    EXPECT_EQ(now.Year, 1999);
    EXPECT_EQ(now.Hour, 23);
    EXPECT_EQ(now.Second, 59);
    clock.Set({2024, 2, 28, 12, 0, 0});
    clock.AddSeconds(86400);
    EXPECT_EQ(clock.Now().Day, 29);
}

TEST(Clock, ManualMsClockSleepsUntilAdvanced) {
    ManualMsClock clock(1000);
    std::atomic<bool> woke{false};
    std::atomic<std::int64_t> wokeAt{0};
    std::thread sleeper([&] {
        clock.Sleep(50);
        wokeAt = clock.Now();
        woke = true;
    });
    clock.Advance(20);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_FALSE(woke);
    // The sleeper may have started after the first step; keep the clock moving until it wakes.
    for (int i = 0; i < 1000 && !woke; ++i) {
        clock.Advance(10);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    sleeper.join();
    EXPECT_TRUE(woke);
    EXPECT_GE(wokeAt, 1050);
}

TEST(Clock, RealMsClockIsMonotonic) {
    auto& clock = RealMsClock::Instance();
    const auto a = clock.Now();
    clock.Sleep(2);
    EXPECT_GE(clock.Now(), a + 2);
}

TEST(Clock, TheWorkTimeSourceReadsUtcAndAClockThatCountsOn) {
    // Whatever the local zone: the wall clock is UTC, so daylight saving never shows in it.
    const char* zone = std::getenv("TZ");
    const std::string saved = zone ? zone : "";
    ::setenv("TZ", "Europe/Berlin", 1);
    ::tzset();
    auto& source = RealWorkTimeSource::Instance();
    const auto a = source.Now();
    const auto utc = std::chrono::duration_cast<std::chrono::milliseconds>(
                         std::chrono::system_clock::now().time_since_epoch())
                         .count();
    if (zone)
        ::setenv("TZ", saved.c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();
    EXPECT_LE(std::llabs(a.WallMs - utc), 1000);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const auto b = source.Now();
    EXPECT_GE(b.MonotonicMs - a.MonotonicMs, 20);
    // Nobody set the clock meanwhile: the two clocks moved together, up to the noise of reading them.
    EXPECT_LE(std::llabs((b.WallMs - b.MonotonicMs) - (a.WallMs - a.MonotonicMs)), 10);
}

TEST(Clock, TheManualWorkTimeSourceMovesBothOrOnlyTheWall) {
    ManualWorkTimeSource source(1000000, 5000);
    source.Pass(250);
    EXPECT_EQ(source.Now().WallMs, 1000250);
    EXPECT_EQ(source.Now().MonotonicMs, 5250);
    source.SetClockBy(-3600000);
    EXPECT_EQ(source.Now().WallMs, 1000250 - 3600000);
    EXPECT_EQ(source.Now().MonotonicMs, 5250);
}

} // namespace
} // namespace torvane
