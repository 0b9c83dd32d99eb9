#pragma once
// What the engine tests share: one QCoreApplication for the whole program, a view that records what the
// engine shows, and a way to let the worker timers run until nothing happens without a clock advance.

#include "common/TempDir.h"

#include "engine/RunStream.h"
#include "engine/TestRun.h"
#include "engine/WorkTime.h"
#include "engine/WorkerTimer.h"

#include <QCoreApplication>
#include <QStringList>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace torvane::test {

// The application object, a settings store of its own and priority requests that never reach the
// system (a test of the "idle" mode must not make the test program itself idle).
inline QCoreApplication& EngineApp() {
    static int argc = 1;
    static char name[] = "engine_tests";
    static char* argv[] = {name, nullptr};
    // Removed with the program's other statics when it ends (every test is a program of its own under
    // ctest, so a folder that stayed would be one per test).
    static const TempDir folder;
    static QCoreApplication* app = [] {
        ::setenv("TORVANE_CONFIG_DIR", folder.Path().c_str(), 1);
        // The user's private work folder, made where a run finds no stored one.
        ::setenv("XDG_CACHE_HOME", folder.Path("cache").c_str(), 1);
        torvane::SetPriorityRequestsApplied(false);
        return new QCoreApplication(argc, argv);
    }();
    return *app;
}

// The menu as a view shows it: the states the engine last gave each item.
class ShownMenu {
public:
    engine::MenuItemState Get(engine::MenuItem item) const {
        const auto it = states_.find(item);
        return it == states_.end() ? engine::MenuItemState{} : it->second;
    }
    void Show(engine::MenuItem item, const engine::MenuItemState& state) { states_[item] = state; }

private:
    std::map<engine::MenuItem, engine::MenuItemState> states_;
};

class FakeRunView : public engine::IRunSubscriber {
public:
    QStringList RunLog, Info;
    engine::Pane Shown = engine::Pane::Info;
    std::int64_t Seconds = 0;
    std::array<QString, 4> Counters{"0", "0", "0", "0"}; // as the status strip would show Seconds
    std::vector<std::pair<QString, QString>> Messages;
    QStringList Errors;
    int Repaints = 0, Updates = 0, MainWindowShown = 0;
    std::optional<std::int64_t> TrayHint; // the work time the tray hint was last given
    std::vector<engine::RunEvent> Events; // every event but the repaints, in order
    ShownMenu Menu;
    std::function<void()> OnRepaint; // runs inside every Repaint, to act in the middle of a pass

    QStringList& Lines(engine::Pane p) { return p == engine::Pane::RunLog ? RunLog : Info; }
    const QStringList& Lines(engine::Pane p) const { return p == engine::Pane::RunLog ? RunLog : Info; }

    // Every line the information pane was given, cleared or not.
    QStringList InfoWritten;

    void Hear(const engine::RunEvent& event) override {
        namespace e = engine::event;
        // Passes repaint thousands of times: only the counts of those are kept.
        if (!std::holds_alternative<e::Repaint>(event) && !std::holds_alternative<e::UpdateWindow>(event))
            Events.push_back(event);
        std::visit(engine::Overloaded{
                       [this](const e::Line& x) { AppendLine(x.Where, x.Text); },
                       [this](const e::ClearPane& x) { ClearPane(x.Which); },
                       [this](const e::ShowPane& x) { ShowPane(x.Which); },
                       [this](const e::Repaint&) { Repaint(); },
                       [this](const e::UpdateWindow&) { UpdateWindow(); },
                       [this](const e::ShowMainWindow&) { ShowMainWindow(); },
                       [this](const e::TrayHint& x) { TrayHint = x.Seconds; },
                       [this](const e::Message& x) { ShowMessage(x.Caption, x.Text); },
                       [this](const e::Failure& x) { ShowError(x.Text); },
                       [this](const e::MenuItemShown& x) { ShowMenuItem(x.Item, x.State); },
                       [this](const e::WorkTime& x) { ShowWorkTime(x.Seconds); },
                       [](const auto&) {},
                   },
                   event);
    }
    // The events of one type, in order.
    template <typename E> std::vector<E> Of() const {
        std::vector<E> r;
        for (const auto& e : Events)
            if (const auto* x = std::get_if<E>(&e)) r.push_back(*x);
        return r;
    }
    void AppendLine(engine::Pane pane, const QString& line) {
        Lines(pane).append(line);
        if (pane == engine::Pane::Info) InfoWritten.append(line);
    }
    void ClearPane(engine::Pane pane) { Lines(pane).clear(); }
    void ShowPane(engine::Pane pane) { Shown = pane; }
    void ShowWorkTime(std::int64_t seconds) {
        Seconds = seconds;
        Counters = engine::WorkTimeFields(seconds);
    }
    void Repaint() {
        ++Repaints;
        if (OnRepaint) OnRepaint();
    }
    void UpdateWindow() { ++Updates; }
    void ShowMainWindow() { ++MainWindowShown; }
    void ShowMessage(const QString& caption, const QString& text) { Messages.emplace_back(caption, text); }
    void ShowError(const QString& text) { Errors.append(text); }
    void ShowMenuItem(engine::MenuItem item, const engine::MenuItemState& state) { Menu.Show(item, state); }
};

// A run that takes its time only from the given manual clocks: no automatic window timers, no sleeps, a
// fixed reseed and "." as the decimal separator.
inline engine::TestRunEnvironment ManualEnvironment(ManualMsClock& ms, ManualWorkTimeSource& time) {
    engine::TestRunEnvironment env;
    env.msClock = &ms;
    env.workTime = &time;
    env.automaticWindowTimers = false;
    env.sleep = [](int) {};
    env.systemState = [] { return engine::ReseedInputs{}; };
    env.decimalSeparator = '.';
    return env;
}

// Lets real time pass on a run's work clock in steps the clock counts as work (at most 10 s), each
// checked as the clock tick checks it.
inline void WorkFor(engine::TestRun& run, ManualWorkTimeSource& time, std::int64_t ms,
                    std::int64_t step = 10000) {
    for (; ms > 0; ms -= step) {
        time.Pass(std::min(ms, step));
        run.UpdateWorkTime();
    }
}

// Fires the sequencer until it has started a test; false when it did not within a hundred ticks.
inline bool StartATest(engine::TestRun& run) {
    for (int i = 0; i < 100 && run.State.TestsStarted == 0; ++i) run.OperateTimer().Fire();
    return run.State.TestsStarted > 0;
}

// Serves what is waiting, as the engine's ProcessMessages does.
inline void PumpEvents() {
    engine::TWorkerTimer::ServePendingTicks();
    QCoreApplication::processEvents();
}

// Processes events until no timer will do anything more without a clock advance (a few seconds of real
// time at most; a timer that never settles fails the test instead of hanging it).
template <typename Timers> void Settle(const Timers& timers) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    const auto allQuiet = [&] {
        for (const engine::TWorkerTimer* t : timers)
            if (!t->Quiet()) return false;
        return true;
    };
    for (;;) {
        PumpEvents();
        if (allQuiet()) {
            PumpEvents();
            if (allQuiet()) return;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            ADD_FAILURE() << "worker timers did not settle";
            return;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
}

inline void Settle(engine::TWorkerTimer& timer) {
    Settle(std::vector<engine::TWorkerTimer*>{&timer});
}
inline void Settle(engine::TestRun& run) {
    Settle(run.WorkerTimers());
}

// Waits, without serving anything, until each timer has handed a tick over (false after a few seconds).
inline bool WaitUntilHandedOver(const std::vector<engine::TWorkerTimer*>& timers) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (const auto* t : timers)
        while (!t->TickPending())
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            else
                std::this_thread::yield();
    return true;
}

// Processes events until the condition holds (or fails the test after a few seconds).
inline bool ProcessUntil(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!condition()) {
        PumpEvents();
        if (std::chrono::steady_clock::now() > deadline) {
            ADD_FAILURE() << "condition not reached";
            return false;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
    return true;
}

} // namespace torvane::test
