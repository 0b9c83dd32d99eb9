#include "engine/WhetstoneWorkload.h"

#include "engine/TestRun.h"

namespace torvane::engine {

namespace {

constexpr TimerInfo Timers[] = {
    {.Name = "WhetStone1",
     .Role = TimerRole::Test,
     .IntervalMs = 1,
     .Priority = ThreadPriority::Normal,
     .InMode = &TestTimerPriorities,
     .StopsItself = true,
     .Companion = true,
     .Tick = [](Workload& w, TWorkerTimer&) { static_cast<WhetstoneWorkload&>(w).WhetStone1Timer(); }},
    {.Name = "WhetStone2",
     .Role = TimerRole::Test,
     .IntervalMs = 1,
     .Priority = ThreadPriority::Normal,
     .InMode = &TestTimerPriorities,
     .StopsItself = true,
     .Tick = [](Workload& w, TWorkerTimer&) { static_cast<WhetstoneWorkload&>(w).WhetStone2Timer(); }},
    {.Name = "Idler3",
     .Role = TimerRole::Idle,
     .IntervalMs = 1,
     .Priority = ThreadPriority::Idle,
     .Tick = [](Workload& w, TWorkerTimer&) { static_cast<WhetstoneWorkload&>(w).Idler3Timer(); }},
};

} // namespace

const WorkloadInfo WhetstoneWorkload::Description{
    .Name = "Whetstone",
    .Timers = Timers,
    .TestKind = 1,
    .TestLine = "Doing a %1 minute Whetstone Test",
    .Reference = &RunState::WhetstoneReference,
    .FailedMessage = "Whetstone test failed!",
};

bool RunWhetstonePass(WhetstonePass& pass, const std::function<bool()>& before,
                      const std::function<bool()>& after) {
    const std::int32_t outer = pass.Variables().OuterCount;
    for (std::int32_t i = 0; i < outer; ++i) {
        if (!before()) return false;
        pass.RunIteration();
        if (!after()) return false;
    }
    return true;
}

void WhetstoneWorkload::WhetStone1Timer() {
    TestPass();
}
void WhetstoneWorkload::WhetStone2Timer() {
    TestPass();
}
void WhetstoneWorkload::Idler3Timer() {
    IdlePass();
}

void WhetstoneWorkload::TestPass() {
    const auto leave = [this] { run_.DisableTimers(*this, TimerRole::Test); };
    if (!run_.KeepGoing()) {
        leave();
        return;
    }
    WhetstonePass pass(run_.DecimalSeparator(), StartValues);
    const auto check = [&] {
        if (run_.KeepGoing()) return true;
        leave();
        return false;
    };
    bool failed = false;
    try {
        if (!RunWhetstonePass(pass, check, check)) return;
    } catch (...) {
        failed = true;
    }
    run_.EndPass(*this, pass.ResultText(), failed);
}

void WhetstoneWorkload::IdlePass() {
    // At idle priority the pass polls the stop flag directly and only lets events through; it leaves
    // without switching anything off, the idle ticks do that.
    if (!run_.KeepGoing()) run_.DisableIdlers();
    WhetstonePass pass(run_.DecimalSeparator(), StartValues);
    bool failed = false;
    try {
        const bool complete = RunWhetstonePass(
            pass, [this] { return !run_.State.Stopped; },
            [this] {
                run_.ProcessMessages();
                return true;
            });
        if (!complete) return;
    } catch (...) {
        failed = true;
    }
    run_.EndPass(*this, pass.ResultText(), failed);
}

} // namespace torvane::engine
