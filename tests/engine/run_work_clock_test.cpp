// The work-time clock of the test run on manual clocks: a jump of the system clock stops the run, a stall
// pauses it, a time limit is taken only from a checked work time, and the counters past a day.

#include "TestRunFixture.h"

namespace {

TEST_F(TestRunTest, ClockJumpForwardStopsTheRun) {
    Idle();
    Start();
    time.Pass(5000);
    run->Kello().Fire();
    EXPECT_EQ(view.Counters[3], "5");
    time.SetClockBy(3600000);
    run->Kello().Fire();
    EXPECT_TRUE(run->State.Stopped);
    ASSERT_FALSE(view.Messages.empty());
    EXPECT_EQ(view.Messages.back(),
              std::make_pair(QString("Hey hey hey!"), QString("It\u00B4s not nice to cheat!")));
    EXPECT_TRUE(view.Info.isEmpty());
    EXPECT_EQ(view.Counters, (std::array<QString, 4>{"0", "0", "0", "0"}));
    EXPECT_EQ(run->State.LastStop, StopReason::ClockJump);
    // The results the stop wrote before the message (the terminal prints them) agree: no work time.
    EXPECT_TRUE(view.InfoWritten.contains(" Worktime: 0 d, 0 h, 0 m, 0 s"));
    EXPECT_FALSE(view.InfoWritten.contains(" Worktime: 0 d, 0 h, 0 m, 5 s"));
}

TEST_F(TestRunTest, AClockSetForwardTenSecondsEarnsNothingAndElevenStopTheRun) {
    Idle();
    Start();
    WorkFor(20000);
    time.SetClockBy(10000);
    run->Kello().Fire();
    EXPECT_FALSE(run->State.Stopped);
    EXPECT_EQ(view.Counters[3], "20");
    time.SetClockBy(11000);
    run->Kello().Fire();
    EXPECT_TRUE(run->State.Stopped);
    EXPECT_EQ(run->State.LastStop, StopReason::ClockJump);
}

TEST_F(TestRunTest, AJumpJustBeforeTheStopIsAJumpNotWorkTime) {
    Idle();
    Start();
    WorkFor(30000);
    time.SetClockBy(86400000);
    Stop(); // before any clock tick saw the jump
    EXPECT_EQ(run->State.LastStop, StopReason::ClockJump);
    EXPECT_EQ(view.Counters, (std::array<QString, 4>{"0", "0", "0", "0"}));
    EXPECT_EQ(view.Messages.back().second, QString("It\u00B4s not nice to cheat!"));
}

TEST_F(TestRunTest, AStallIsAPauseOnTheRunLogAndNoWorkTime) {
    Idle();
    Start();
    WorkFor(20000);
    time.Pass(9000);
    run->Kello().Fire();
    EXPECT_EQ(view.Counters[3], "29");
    time.Pass(11000);
    run->Kello().Fire();
    EXPECT_FALSE(run->State.Stopped);
    EXPECT_TRUE(view.Messages.empty());
    EXPECT_EQ(view.Counters[3], "29");
    EXPECT_EQ(view.RunLog.back(),
              "Work time paused 11 s: the test could not run (a busy, stopped or sleeping machine)");
    // Stopped right after a stall: the stop's results leave the stall out as well.
    time.Pass(40000);
    Stop();
    EXPECT_EQ(run->State.LastStop, StopReason::User);
    EXPECT_EQ(InfoBelowBanner().at(3), " Worktime: 0 d, 0 h, 0 m, 29 s");
}

TEST_F(TestRunTest, TheTimeLimitIsTakenOnlyFromACheckedWorkTime) {
    Idle();
    run->TimeLimitSeconds = 60;
    // Reached: the run stops by itself with a minute of work time.
    Start();
    WorkFor(59000, 1000);
    EXPECT_FALSE(run->State.Stopped);
    WorkFor(1000, 1000);
    EXPECT_TRUE(run->State.Stopped);
    EXPECT_EQ(run->State.LastStop, StopReason::TimeLimit);
    EXPECT_EQ(view.Counters, (std::array<QString, 4>{"0", "0", "1", "0"}));

    // A day's jump in the last second before the limit is a jump, not a run that reached its limit.
    Start();
    WorkFor(59000, 1000);
    time.Pass(500);
    time.SetClockBy(86400000);
    run->UpdateWorkTime();
    EXPECT_TRUE(run->State.Stopped);
    EXPECT_EQ(run->State.LastStop, StopReason::ClockJump);
    EXPECT_EQ(view.Counters, (std::array<QString, 4>{"0", "0", "0", "0"}));

    // A stall before the limit moves the limit on by as much.
    Start();
    WorkFor(50000, 1000);
    time.Pass(30000);
    run->UpdateWorkTime();
    EXPECT_FALSE(run->State.Stopped);
    WorkFor(9000, 1000);
    EXPECT_FALSE(run->State.Stopped);
    WorkFor(1000, 1000);
    EXPECT_EQ(run->State.LastStop, StopReason::TimeLimit);
}

TEST_F(TestRunTest, ADayJumpAtTheLastSecondBeforeADayIsStillAJump) {
    Idle();
    Start();
    WorkFor(86399000, 10000);
    EXPECT_EQ(view.Counters, (std::array<QString, 4>{"0", "23", "59", "59"}));
    time.Pass(300);
    time.SetClockBy(60000);
    run->Kello().Fire();
    EXPECT_EQ(run->State.LastStop, StopReason::ClockJump);
    EXPECT_EQ(view.Counters[0], "0");
    // The run keeps what it shows: nothing of the voided day is left to read.
    EXPECT_EQ(run->State.WorkSeconds, 0);
    EXPECT_EQ(view.Seconds, 0);
}

TEST_F(TestRunTest, WorkTimesPastADayShowDaysAndTheHoursOfTheDay) {
    struct Case {
        std::int64_t seconds;
        std::array<QString, 4> shown;
    };
    const Case cases[] = {
        {86399, {"0", "23", "59", "59"}},
        {86400, {"1", "0", "0", "0"}},
        {90061, {"1", "1", "1", "1"}},
        {3 * 86400 + 23 * 3600 + 3599, {"3", "23", "59", "59"}},
        {100LL * 86400 + 7, {"100", "0", "0", "7"}},
    };
    Idle();
    for (const auto& c : cases) {
        Start();
        WorkFor(c.seconds * 1000, 10000);
        Stop();
        EXPECT_EQ(view.Counters, c.shown) << c.seconds;
        EXPECT_EQ(run->State.WorkSeconds, c.seconds);
        EXPECT_EQ(InfoBelowBanner().at(3), " Worktime: " + c.shown[0] + " d, " + c.shown[1] + " h, " +
                                               c.shown[2] + " m, " + c.shown[3] + " s")
            << c.seconds;
    }
    // The clock shows the same through a day of ticks, never more than 10 s apart.
    Start();
    for (int i = 0; i < 86400 / 10 + 1; ++i) {
        time.Pass(10000);
        run->Kello().Fire();
    }
    EXPECT_FALSE(run->State.Stopped);
    EXPECT_EQ(view.Counters, (std::array<QString, 4>{"1", "0", "0", "10"}));
}

TEST_F(TestRunTest, TheRunLogIsClearedAtAHundredLinesNotBefore) {
    Idle();
    Start();
    run->SetTestChoice(TestChoice::Optimal); // the sequencer adds nothing of its own
    view.RunLog.clear();
    run->Publish(event::ClearPane{Pane::RunLog});
    for (int i = 0; i < 99; ++i) run->Say(Pane::RunLog, "x");
    run->OperateTimer().Fire();
    EXPECT_EQ(view.RunLog.size(), 99);
    run->Say(Pane::RunLog, "x");
    run->OperateTimer().Fire();
    EXPECT_TRUE(view.RunLog.isEmpty());
}

TEST_F(TestRunTest, ClockSetBackBelowTheWorkTimeCountsOnAndBeforeTheStartStops) {
    Idle();
    Start();
    for (int i = 0; i < 20; ++i) {
        time.Pass(8000);
        run->Kello().Fire();
    }
    EXPECT_EQ(view.Counters[2], "2"); // 160 s
    time.SetClockBy(-60000);
    run->Kello().Fire();
    EXPECT_FALSE(run->State.Stopped);
    EXPECT_EQ(view.Counters[2], "1");
    EXPECT_EQ(view.Counters[3], "40");
    // Set back to 150 s before the start: the distance (150 s) is more than 10 s above the last shown.
    time.SetClockBy(-250000);
    run->Kello().Fire();
    EXPECT_TRUE(run->State.Stopped);
    EXPECT_EQ(view.Messages.back().first, "Hey hey hey!");
}

TEST_F(TestRunTest, TrayHintFollowsTheWorkTime) {
    Idle();
    Start();
    time.Pass(9000);
    run->Kello().Fire();
    EXPECT_EQ(view.TrayHint, 9);
}
} // namespace
