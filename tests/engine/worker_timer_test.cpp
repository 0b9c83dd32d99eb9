// TWorkerTimer on a manual clock: pacing, Elapsed and its re-basing, the stop rules, disabling, and
// destruction whatever the timer's thread is doing.

#include "EngineTestSupport.h"

#include "engine/WorkerTimer.h"
#include "platform/Clock.h"
#include "platform/Priority.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

using torvane::ManualMsClock;
using torvane::ThreadPriority;
using torvane::engine::TWorkerTimer;
using torvane::test::ProcessUntil;
using torvane::test::Settle;

namespace {

// Waits, without serving any event, until the timer's thread has handed a tick over.
void WaitUntilPending(const TWorkerTimer& t) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!t.TickPending() && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
}

class WorkerTimerTest : public ::testing::Test {
protected:
    void SetUp() override { torvane::test::EngineApp(); }

    // An interval-1 timer whose ticks and stops are counted.
    std::unique_ptr<TWorkerTimer> MakeTimer(std::uint16_t interval = 1) {
        auto t = std::make_unique<TWorkerTimer>(nullptr, clock);
        t->SetInterval(interval);
        t->OnTimer = [this](TWorkerTimer* sender) {
            ++ticks;
            elapsedSeen.push_back(sender->Elapsed());
            if (onTick) onTick(sender);
        };
        t->OnStop = [this](TWorkerTimer*) { ++stops; };
        return t;
    }

    void Step(TWorkerTimer& t, std::int64_t ms) {
        clock.Advance(ms);
        Settle(t);
    }

    ManualMsClock clock{1000};
    int ticks = 0, stops = 0;
    std::vector<std::int32_t> elapsedSeen;
    std::function<void(TWorkerTimer*)> onTick;
};

TEST_F(WorkerTimerTest, DefaultsOfANewTimer) {
    TWorkerTimer t(nullptr, clock);
    EXPECT_FALSE(t.Enabled());
    EXPECT_EQ(t.Interval(), 1000);
    EXPECT_EQ(t.ThreadPriority(), ThreadPriority::Higher);
    EXPECT_FALSE(t.CountDown());
    EXPECT_EQ(t.StopTicks(), -1);
    EXPECT_EQ(t.Elapsed(), 0);
}

TEST_F(WorkerTimerTest, TicksOnlyWhenTheClockReachesTheDueTime) {
    auto t = MakeTimer(5);
    t->SetEnabled(true);
    Step(*t, 4);
    EXPECT_EQ(ticks, 0);
    Step(*t, 1);
    EXPECT_EQ(ticks, 1);
    EXPECT_EQ(elapsedSeen.back(), 5);
    // Missed ticks are not made up: a long gap gives one tick, and the next is due an interval later.
    Step(*t, 100);
    EXPECT_EQ(ticks, 2);
    EXPECT_EQ(elapsedSeen.back(), 105);
    Step(*t, 4);
    EXPECT_EQ(ticks, 2);
    Step(*t, 1);
    EXPECT_EQ(ticks, 3);
}

TEST_F(WorkerTimerTest, DurationStopsAfterTheFirstPassStartedAtOrAfterIt) {
    // Passes of 40 ms with a 300000 ms duration: the pass that starts at 300001 ms is the last one.
    auto t = MakeTimer();
    onTick = [this](TWorkerTimer*) { clock.Advance(40); };
    t->SetElapsed(0);
    t->SetDuration(300000);
    EXPECT_EQ(t->StopTicks(), 300000);
    t->SetEnabled(true);
    clock.Advance(1);
    ASSERT_TRUE(ProcessUntil([&] { return !t->Enabled() && !t->TickPending(); }));
    Settle(*t);
    EXPECT_EQ(stops, 1);
    ASSERT_GE(elapsedSeen.size(), 2u);
    EXPECT_GE(elapsedSeen.back(), 300000);
    EXPECT_LT(elapsedSeen[elapsedSeen.size() - 2], 300000);
    EXPECT_EQ(ticks, 7501);
    // Stopped means stopped: the clock moves on, nothing more happens.
    Step(*t, 1000);
    EXPECT_EQ(ticks, 7501);
}

TEST_F(WorkerTimerTest, ExplicitDisableInsideTheHandlerRaisesNoStop) {
    auto t = MakeTimer();
    onTick = [](TWorkerTimer* sender) { sender->SetEnabled(false); };
    t->SetEnabled(true);
    Step(*t, 1);
    EXPECT_EQ(ticks, 1);
    EXPECT_EQ(stops, 0);
    Step(*t, 10);
    EXPECT_EQ(ticks, 1);
}

TEST_F(WorkerTimerTest, CountUpWithoutDurationRunsUntilDisabled) {
    for (const int duration : {-1, 0}) {
        auto t = MakeTimer();
        ticks = stops = 0;
        if (duration == 0) t->SetDuration(0);
        EXPECT_EQ(t->StopTicks(), duration);
        t->SetEnabled(true);
        for (int i = 0; i < 50; ++i) Step(*t, 1000);
        EXPECT_EQ(ticks, 50);
        EXPECT_EQ(stops, 0);
        EXPECT_TRUE(t->Enabled());
    }
}

TEST_F(WorkerTimerTest, CountDownStopsAtZero) {
    auto t = MakeTimer();
    t->SetElapsed(100);
    t->SetCountDown(true);
    t->SetEnabled(true);
    for (int i = 0; i < 6; ++i) Step(*t, 30);
    EXPECT_EQ(elapsedSeen, (std::vector<std::int32_t>{70, 40, 10, -20}));
    EXPECT_EQ(stops, 1);
    EXPECT_FALSE(t->Enabled());
}

TEST_F(WorkerTimerTest, CountDownChangeContinuesFromThePresentValue) {
    auto t = MakeTimer();
    t->SetEnabled(true);
    Step(*t, 50);
    EXPECT_EQ(elapsedSeen.back(), 50);
    t->SetCountDown(true);
    Step(*t, 20);
    EXPECT_EQ(elapsedSeen.back(), 30);
    t->SetCountDown(false);
    Step(*t, 5);
    EXPECT_EQ(elapsedSeen.back(), 35);
}

TEST_F(WorkerTimerTest, ReEnablingKeepsCountingUnlessElapsedIsSet) {
    auto t = MakeTimer();
    t->SetEnabled(true);
    Step(*t, 30);
    t->SetEnabled(false);
    Step(*t, 500); // time while disabled does not count
    EXPECT_EQ(ticks, 1);
    t->SetEnabled(true);
    Step(*t, 10);
    EXPECT_EQ(elapsedSeen.back(), 40);
    t->SetEnabled(false);
    t->SetElapsed(0);
    t->SetEnabled(true);
    Step(*t, 10);
    EXPECT_EQ(elapsedSeen.back(), 10);
    // While enabled, SetElapsed re-bases: the next refresh continues from the given value.
    t->SetElapsed(1000);
    Step(*t, 10);
    EXPECT_EQ(elapsedSeen.back(), 1010);
}

TEST_F(WorkerTimerTest, EnablingTwiceChangesNothing) {
    auto t = MakeTimer();
    t->SetEnabled(true);
    Step(*t, 20);
    t->SetEnabled(true); // no re-base: the next tick still counts from the first enable
    Step(*t, 20);
    EXPECT_EQ(elapsedSeen.back(), 40);
    t->SetEnabled(false);
    t->SetEnabled(false);
    EXPECT_FALSE(t->Enabled());
}

TEST_F(WorkerTimerTest, IntervalZeroDisables) {
    auto t = MakeTimer();
    t->SetEnabled(true);
    t->SetInterval(0);
    EXPECT_FALSE(t->Enabled());
    EXPECT_EQ(t->Interval(), 0);
    // Used anyway, Ticks and SetDuration count in milliseconds instead of dividing by zero.
    t->SetDuration(50);
    EXPECT_EQ(t->StopTicks(), 50);
    EXPECT_EQ(t->Ticks(), 0);
}

TEST_F(WorkerTimerTest, LongIntervalsSleepThenSpin) {
    auto t = MakeTimer(1000);
    t->SetEnabled(true);
    Settle(*t); // the sleep counts from when the thread starts it
    Step(*t, 949);
    Step(*t, 50);
    EXPECT_EQ(ticks, 0);
    Step(*t, 1);
    EXPECT_EQ(ticks, 1);
    EXPECT_EQ(t->Ticks(), 1);
}

TEST_F(WorkerTimerTest, AStaleTickStillRunsOnceAfterTheDisable) {
    auto t = MakeTimer();
    t->SetEnabled(true);
    clock.Advance(1);
    WaitUntilPending(*t);
    ASSERT_TRUE(t->TickPending());
    t->SetEnabled(false);
    bool enabledDuringTick = true;
    onTick = [&](TWorkerTimer* sender) { enabledDuringTick = sender->Enabled(); };
    Settle(*t);
    EXPECT_EQ(ticks, 1);
    EXPECT_FALSE(enabledDuringTick);
    Step(*t, 100);
    EXPECT_EQ(ticks, 1);
}

TEST_F(WorkerTimerTest, TicksQueuedBehindARunningOneAreServedInsideIt) {
    auto outer = MakeTimer();
    TWorkerTimer inner(nullptr, clock);
    inner.SetInterval(5);
    int innerTicks = 0, innerDuringOuter = 0;
    bool inOuter = false;
    inner.OnTimer = [&](TWorkerTimer*) {
        ++innerTicks;
        if (inOuter) ++innerDuringOuter;
    };
    onTick = [&](TWorkerTimer*) {
        inOuter = true;
        ProcessUntil([&] { return innerTicks > 0; });
        inOuter = false;
    };
    outer->SetEnabled(true);
    inner.SetEnabled(true);
    // Both ticks are queued, the outer one first, before the GUI thread serves anything.
    clock.Advance(1);
    WaitUntilPending(*outer);
    clock.Advance(10);
    WaitUntilPending(inner);
    Settle(std::vector<TWorkerTimer*>{outer.get(), &inner});
    EXPECT_EQ(ticks, 2); // the outer timer was due again when its first tick ended
    EXPECT_EQ(innerTicks, 1);
    EXPECT_EQ(innerDuringOuter, 1);
}

// Two timers whose ticks are both waiting; each tick processes events for a while and notes whether the
// other timer's tick ran inside it.
struct NestingProbe {
    explicit NestingProbe(ManualMsClock& clock) : a(nullptr, clock), b(nullptr, clock) {
        for (auto* t : {&a, &b}) {
            t->SetInterval(1);
            t->OnTimer = [this](TWorkerTimer* self) {
                if (running) ++nested;
                TWorkerTimer* const outer = running;
                running = self;
                for (int i = 0; i < 20; ++i) {
                    torvane::test::PumpEvents();
                    std::this_thread::sleep_for(std::chrono::microseconds(200));
                }
                running = outer;
                ++ticks;
            };
        }
    }
    void RunOnce(ManualMsClock& clock) {
        a.SetEnabled(true);
        b.SetEnabled(true);
        clock.Advance(1);
        WaitUntilPending(a);
        WaitUntilPending(b);
        ProcessUntil([&] { return ticks >= 2; });
        a.SetEnabled(false);
        b.SetEnabled(false);
        torvane::test::Settle(std::vector<TWorkerTimer*>{&a, &b});
    }
    TWorkerTimer a, b;
    TWorkerTimer* running = nullptr;
    int ticks = 0, nested = 0;
};

// An idle workload takes only the time nothing else wants: its tick does not run inside another idle
// workload's pass (their lengths would multiply), but it does inside a pass of any other priority, and a
// normal tick runs inside an idle pass.
TEST_F(WorkerTimerTest, IdleTicksDoNotNestInsideEachOther) {
    NestingProbe idle(clock);
    idle.a.SetThreadPriority(ThreadPriority::Idle);
    idle.b.SetThreadPriority(ThreadPriority::Idle);
    idle.RunOnce(clock);
    EXPECT_EQ(idle.ticks, 2);
    EXPECT_EQ(idle.nested, 0);

    NestingProbe mixed(clock);
    mixed.a.SetThreadPriority(ThreadPriority::Idle);
    mixed.b.SetThreadPriority(ThreadPriority::Normal);
    mixed.RunOnce(clock);
    EXPECT_EQ(mixed.ticks, 2);
    EXPECT_EQ(mixed.nested, 1);
}

TEST_F(WorkerTimerTest, AnEscapingExceptionKeepsTheTimerRunning) {
    auto t = MakeTimer();
    std::string reported;
    t->OnError = [&](TWorkerTimer*, std::exception_ptr e) {
        try {
            std::rethrow_exception(e);
        } catch (const std::exception& x) {
            reported = x.what();
        }
    };
    onTick = [](TWorkerTimer*) { throw std::runtime_error("boom"); };
    t->SetEnabled(true);
    Step(*t, 1);
    Step(*t, 1);
    EXPECT_EQ(reported, "boom");
    EXPECT_EQ(ticks, 2);
}

TEST_F(WorkerTimerTest, PriorityIsAppliedToTheThread) {
    auto t = MakeTimer();
    t->SetEnabled(true);
    ASSERT_TRUE(ProcessUntil([&] { return t->ThreadId() != 0; }));
    ProcessUntil([&] { return torvane::RequestedThreadPriority(t->ThreadId()) == ThreadPriority::Higher; });
    EXPECT_EQ(torvane::RequestedThreadPriority(t->ThreadId()), ThreadPriority::Higher);
    t->SetThreadPriority(ThreadPriority::Idle);
    EXPECT_EQ(torvane::RequestedThreadPriority(t->ThreadId()), ThreadPriority::Idle);
}

// Destruction must neither hang nor touch freed memory, wherever the thread is.
class WorkerTimerDestruction : public WorkerTimerTest {};

TEST_F(WorkerTimerDestruction, WhileParkedOrNeverStarted) {
    { TWorkerTimer never(nullptr, clock); }
    auto t = MakeTimer();
    t->SetEnabled(true);
    Step(*t, 1);
    t->SetEnabled(false);
    t.reset();
    EXPECT_EQ(ticks, 1);
}

TEST_F(WorkerTimerDestruction, WhileWaitingForTheClock) {
    auto spinning = MakeTimer();
    auto sleeping = MakeTimer(5000);
    spinning->SetEnabled(true);
    sleeping->SetEnabled(true);
    Settle(std::vector<TWorkerTimer*>{spinning.get(), sleeping.get()});
    spinning.reset();
    sleeping.reset();
    EXPECT_EQ(ticks, 0);
}

TEST_F(WorkerTimerDestruction, OnTheRealClockWithinAMomentWhateverTheThreadDoes) {
    // Sleeping for a minute less 50 ms: a destruction that waited for the sleep's end would take it, one
    // that ends the sleep takes a moment however busy the machine is.
    auto slow = std::make_unique<TWorkerTimer>();
    slow->SetInterval(60000);
    slow->SetEnabled(true);
    auto fast = std::make_unique<TWorkerTimer>(); // interval 1: spinning, or waiting in the hand-off
    fast->SetInterval(1);
    int fastTicks = 0;
    fast->OnTimer = [&](TWorkerTimer*) { ++fastTicks; };
    fast->SetEnabled(true);
    ProcessUntil([&] { return fastTicks >= 3; });
    std::this_thread::sleep_for(std::chrono::milliseconds(3));
    const auto before = std::chrono::steady_clock::now();
    slow.reset();
    fast.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(30));
}

TEST_F(WorkerTimerDestruction, WithTicksHandedOverButNotServed) {
    std::vector<std::unique_ptr<TWorkerTimer>> timers;
    for (int i = 0; i < 11; ++i) {
        timers.push_back(MakeTimer());
        timers.back()->SetEnabled(true);
    }
    clock.Advance(1);
    for (auto& t : timers) WaitUntilPending(*t);
    timers.clear();
    // The discarded ticks never reach their handlers.
    const int before = ticks;
    for (int i = 0; i < 10; ++i) QCoreApplication::processEvents();
    EXPECT_EQ(ticks, before);
}

TEST_F(WorkerTimerDestruction, InsideItsOwnTick) {
    auto t = MakeTimer();
    TWorkerTimer* raw = t.get();
    onTick = [&](TWorkerTimer* sender) {
        if (sender == raw) t.reset();
    };
    raw->SetEnabled(true);
    clock.Advance(1);
    ASSERT_TRUE(ProcessUntil([&] { return t == nullptr; }));
    EXPECT_EQ(ticks, 1);
    EXPECT_EQ(stops, 0);
}

TEST_F(WorkerTimerDestruction, OfAnotherTimerWhoseTickWaitsBehindTheRunningOne) {
    auto first = MakeTimer();
    auto second = MakeTimer(5);
    onTick = [&](TWorkerTimer* sender) {
        // The second timer's tick is queued behind this one; destroy it before it is served.
        if (sender == first.get() && second) second.reset();
    };
    first->SetEnabled(true);
    second->SetEnabled(true);
    clock.Advance(1);
    WaitUntilPending(*first);
    clock.Advance(10);
    WaitUntilPending(*second);
    ASSERT_TRUE(ProcessUntil([&] { return second == nullptr; }));
    Settle(*first);
    EXPECT_EQ(ticks, 2); // both ticks of the first timer, none of the destroyed one
}

} // namespace
