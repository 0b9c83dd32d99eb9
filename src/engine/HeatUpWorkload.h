#pragma once
// The heat-up (the first five minutes of a run) and the two idle workloads. Neither computes anything
// that is compared: the heat-up keeps the GUI thread busy with events and repaints from the first second
// while the sequencer waits, the idle workloads keep the window serviced at idle priority and switch all
// the idle timers off once the run has stopped.

#include "engine/Workload.h"

namespace torvane::engine {

class HeatUpWorkload final : public Workload {
public:
    using Workload::Workload;
    static const WorkloadInfo Description;
    const WorkloadInfo& Info() const override { return Description; }

    // HeatUp1Timer and HeatUp2Timer: one tick of the given timer.
    void HeatUpTimer(TWorkerTimer& own);
};

class IdleWorkload final : public Workload {
public:
    using Workload::Workload;
    static const WorkloadInfo Description;
    const WorkloadInfo& Info() const override { return Description; }

    // Idler1Timer and Idler2Timer.
    void IdlerTimer();
};

} // namespace torvane::engine
