#pragma once
// The heat-up (the first five minutes of a run) and the two idle workloads. Neither computes anything
// that is compared: the heat-up keeps the GUI thread busy with events and repaints from the first second
// while the sequencer waits, the idle workloads keep the window serviced at idle priority and switch all
// four idle timers off once the run has stopped.

namespace torvane::engine {

class TestRun;
class TWorkerTimer;

class HeatUpWorkload {
public:
    explicit HeatUpWorkload(TestRun& run) : run_(run) {}

    void HeatUp1Timer();
    void HeatUp2Timer();
    void Idler1Timer();
    void Idler2Timer();

private:
    void HeatUpTick(TWorkerTimer& own);
    void IdleTick();

    TestRun& run_;
};

} // namespace torvane::engine
