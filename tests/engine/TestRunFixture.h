#pragma once
// The test run on manual clocks, as the run's own tests drive it: its start, stop and menu commands, the
// work clock moved by hand, and what the screen shows.

#include "EngineTestSupport.h"

#include "engine/TestRun.h"
#include "engine/WhetstoneWorkload.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <algorithm>
#include <memory>

using namespace torvane;
using namespace torvane::engine;
using torvane::test::FakeRunView;
using torvane::test::Settle;

inline const QStringList Banner = {"Torvane Test 5.0 [ Ombrel ]", "(c) 1999-2000 Quarnett", ""};

class TestRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        torvane::test::EngineApp();
        run = std::make_unique<TestRun>(view, test::ManualEnvironment(ms, time));
        run->BannerLines = Banner;
        run->TempDir = "/nonexistent-torvane-dir/";
        // Short Whetstone passes keep the idle workloads quick; they still compute and compare.
        run->Whetstone().StartValues.OuterCount = 2;
    }
    void TearDown() override { run.reset(); }

    void Advance(std::int64_t ms_) {
        ms.Advance(ms_);
        Settle(*run);
    }
    // Real time passes in steps the work clock counts (at most 10 s), checked after each.
    void WorkFor(std::int64_t ms, std::int64_t step = 8000) {
        for (; ms > 0; ms -= step) {
            time.Pass(std::min(ms, step));
            run->UpdateWorkTime();
        }
    }
    void Idle() { run->ClickMenuItem(MenuItem::idle1); }
    void Start() { run->ClickMenuItem(MenuItem::Start1); }
    void Stop() { run->ClickMenuItem(MenuItem::Stop1); }
    bool HasLineStarting(const QStringList& lines, const QString& prefix) const {
        for (const auto& l : lines)
            if (l.startsWith(prefix)) return true;
        return false;
    }
    bool HasTestLine() const {
        for (const auto& l : view.RunLog)
            if (l.startsWith("Doing a ") && l.endsWith(" Test")) return true;
        return false;
    }
    // Fires the sequencer until it starts a test; the number of ticks it took.
    int PickUntilATestStarts() {
        for (int i = 1; i <= 50; ++i) {
            run->OperateTimer().Fire();
            if (HasTestLine()) return i;
        }
        return -1;
    }
    // Everything below the banner on the information pane.
    QStringList InfoBelowBanner() const { return view.Info.mid(Banner.size()); }

    ManualMsClock ms{1000};
    ManualWorkTimeSource time;
    FakeRunView view;
    std::unique_ptr<TestRun> run;
};
