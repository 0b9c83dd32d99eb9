#include "engine/HeatUpWorkload.h"

#include "engine/TestRun.h"

namespace torvane::engine {

namespace {

void HeatUpTick(Workload& w, TWorkerTimer& own) {
    static_cast<HeatUpWorkload&>(w).HeatUpTimer(own);
}

void IdleTick(Workload& w, TWorkerTimer&) {
    static_cast<IdleWorkload&>(w).IdlerTimer();
}

// Normal priority in every mode: the heat-up is what loads the processor before the first test.
constexpr TimerInfo HeatUpTimers[] = {
    {.Name = "HeatUp1",
     .Role = TimerRole::HeatUp,
     .IntervalMs = 1,
     .Priority = ThreadPriority::Normal,
     .StopsItself = true,
     .Tick = HeatUpTick},
    {.Name = "HeatUp2",
     .Role = TimerRole::HeatUp,
     .IntervalMs = 1,
     .Priority = ThreadPriority::Normal,
     .StopsItself = true,
     .Tick = HeatUpTick},
};

constexpr TimerInfo IdleTimers[] = {
    {.Name = "Idler1",
     .Role = TimerRole::Idle,
     .IntervalMs = 1,
     .Priority = ThreadPriority::Idle,
     .Tick = IdleTick},
    {.Name = "Idler2",
     .Role = TimerRole::Idle,
     .IntervalMs = 1,
     .Priority = ThreadPriority::Idle,
     .Tick = IdleTick},
};

} // namespace

const WorkloadInfo HeatUpWorkload::Description{.Name = "Heat-up", .Timers = HeatUpTimers};
const WorkloadInfo IdleWorkload::Description{.Name = "Idle", .Timers = IdleTimers};

void HeatUpWorkload::HeatUpTimer(TWorkerTimer& own) {
    // A tick handed over just before the stop still runs; it switches its timer off and finishes.
    if (run_.State.Stopped) own.SetEnabled(false);
    run_.ProcessMessages();
    run_.Publish(event::UpdateWindow{});
    run_.Publish(event::Repaint{});
    if (!run_.KeepGoing()) run_.DisableTimers(*this, TimerRole::HeatUp);
}

void IdleWorkload::IdlerTimer() {
    if (!run_.KeepGoing()) run_.DisableIdlers();
}

} // namespace torvane::engine
