#include "engine/HeatUpWorkload.h"

#include "engine/TestRun.h"

namespace torvane::engine {

void HeatUpWorkload::HeatUpTick(TWorkerTimer& own) {
    // A tick handed over just before the stop still runs; it switches its timer off and finishes.
    if (run_.State.Stopped) own.SetEnabled(false);
    run_.ProcessMessages();
    run_.View().UpdateWindow();
    run_.View().Repaint();
    if (!run_.KeepGoing()) {
        run_.HeatUp1().SetEnabled(false);
        run_.HeatUp2().SetEnabled(false);
    }
}

void HeatUpWorkload::IdleTick() {
    if (!run_.KeepGoing()) run_.DisableIdlers();
}

void HeatUpWorkload::HeatUp1Timer() {
    HeatUpTick(run_.HeatUp1());
}
void HeatUpWorkload::HeatUp2Timer() {
    HeatUpTick(run_.HeatUp2());
}
void HeatUpWorkload::Idler1Timer() {
    IdleTick();
}
void HeatUpWorkload::Idler2Timer() {
    IdleTick();
}

} // namespace torvane::engine
