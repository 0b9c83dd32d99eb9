// A worker pinned to one processor turns the timer threads' spinning off: waiting for a tick, they sleep
// and leave the processor to the thread that runs the passes.

#include "EngineTestSupport.h"

#include "engine/WorkerTimer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

namespace {

using torvane::engine::TWorkerTimer;

// Nanoseconds a thread of this process has run on a processor, from the scheduler's account.
long long RunNanoseconds(std::int64_t tid) {
    std::ifstream in("/proc/self/task/" + std::to_string(tid) + "/schedstat");
    long long ns = -1;
    in >> ns;
    return ns;
}

TEST(TimerSpinning, WithoutSpinningAWaitingTimerThreadSleepsAndStillTicks) {
    torvane::test::EngineApp();
    ASSERT_TRUE(TWorkerTimer::Spinning()) << "spinning is the default";
    TWorkerTimer::SetSpinning(false);
    int ticks = 0;
    {
        TWorkerTimer timer;
        timer.SetInterval(1);
        timer.OnTimer = [&](TWorkerTimer*) { ++ticks; };
        timer.SetEnabled(true);
        torvane::test::ProcessUntil([&] { return timer.ThreadId() != 0; });
        const long long before = RunNanoseconds(timer.ThreadId());
        const auto start = std::chrono::steady_clock::now();
        // The GUI thread serves every tick at once: a spinning thread would spin through each gap. At least
        // 200 ms and 20 ticks, however long a busy machine takes to give them (a minute at most).
        const auto watched = [&] {
            const auto passed = std::chrono::steady_clock::now() - start;
            return passed >= std::chrono::minutes(1) ||
                   (passed >= std::chrono::milliseconds(200) && ticks >= 20);
        };
        while (!watched()) {
            torvane::test::PumpEvents();
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
        const long long ran = RunNanoseconds(timer.ThreadId()) - before;
        const long long elapsed =
            std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start)
                .count();
        timer.SetEnabled(false);
        ASSERT_GE(before, 0) << "no scheduler statistics";
        EXPECT_LT(ran, elapsed / 4) << "the timer thread ran " << ran << " of " << elapsed << " ns";
    }
    TWorkerTimer::SetSpinning(true);
    EXPECT_GE(ticks, 20);
}

} // namespace
