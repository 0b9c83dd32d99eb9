#pragma once
// What the engine tests share: one QCoreApplication for the whole program, a view that records what the
// engine shows, and a way to let the worker timers run until nothing happens without a clock advance.

#include "engine/MenuModel.h"
#include "engine/RunView.h"
#include "engine/TestRun.h"
#include "engine/WorkerTimer.h"

#include <QCoreApplication>
#include <QStringList>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
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
    static QCoreApplication* app = [] {
        const auto dir =
            std::filesystem::temp_directory_path() / ("torvane-engine-tests-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        ::setenv("TORVANE_CONFIG_DIR", dir.c_str(), 1);
        torvane::SetPriorityRequestsApplied(false);
        return new QCoreApplication(argc, argv);
    }();
    return *app;
}

class FakeRunView : public engine::IRunView {
public:
    QStringList RunLog, Info;
    engine::Pane Shown = engine::Pane::Info;
    std::array<QString, 4> Counters{"0", "0", "0", "0"};
    std::vector<std::pair<QString, QString>> Messages;
    int Repaints = 0, Updates = 0, MainWindowShown = 0, TrayHidden = 0, Quits = 0;
    bool TrayVisible = false;
    QString TrayHint;
    QPoint Cursor;
    engine::MenuModel Menu;
    std::function<void()> OnRepaint; // runs inside every Repaint, to act in the middle of a pass

    QStringList& Lines(engine::Pane p) { return p == engine::Pane::RunLog ? RunLog : Info; }
    const QStringList& Lines(engine::Pane p) const { return p == engine::Pane::RunLog ? RunLog : Info; }

    void AppendLine(engine::Pane pane, const QString& line) override { Lines(pane).append(line); }
    void ClearPane(engine::Pane pane) override { Lines(pane).clear(); }
    int LineCount(engine::Pane pane) const override { return static_cast<int>(Lines(pane).size()); }
    void ShowPane(engine::Pane pane) override { Shown = pane; }
    void SetCounters(const QString& d, const QString& h, const QString& m, const QString& s) override {
        Counters = {d, h, m, s};
    }
    void Repaint() override {
        ++Repaints;
        if (OnRepaint) OnRepaint();
    }
    void UpdateWindow() override { ++Updates; }
    void ShowMainWindow() override { ++MainWindowShown; }
    void HideTrayIcon() override { ++TrayHidden; }
    bool TrayIconVisible() const override { return TrayVisible; }
    void SetTrayHint(const QString& hint) override { TrayHint = hint; }
    void ShowMessage(const QString& caption, const QString& text) override {
        Messages.emplace_back(caption, text);
    }
    engine::MenuItemState GetMenuItem(engine::MenuItem item) const override { return Menu.Get(item); }
    void SetMenuItem(engine::MenuItem item, const engine::MenuItemState& state) override {
        Menu.Set(item, state);
    }
    QPoint CursorPosition() const override { return Cursor; }
    void Quit() override { ++Quits; }
};

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
