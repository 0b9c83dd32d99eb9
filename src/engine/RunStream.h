#pragma once
// What a test run tells its front ends: one stream of typed events, in the order they happen, through one
// subscriber interface. The window, the terminal log, the event file, the metrics and the window's run on
// every processor all hear the same stream and render what concerns them; the engine never knows who
// listens, and it never reads anything back.
//
// The screen's own moments (a line for a pane, a repaint, a message box, how a menu item looks) travel in
// the same stream as the run's facts (a test started, an error, the work time): one stream keeps their
// order for every renderer (the error event comes before the report's lines, the stop's results after
// the last pass), a front end that shows no screen simply passes over them, and a hub hands one run to
// several renderers without knowing what they render. Every call comes on the GUI thread.

#include "engine/RunState.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace torvane::engine {

struct WorkloadInfo;

// The two text panes: the run log (visible while a test runs) and the information pane.
enum class Pane { RunLog /* Memo1 */, Info /* Memo2 */ };

// The menu items whose commands or states belong to the engine.
enum class MenuItem {
    Start1,
    Stop1,
    Exit1,
    Options1, // the whole "Advanced" menu
    About1,
    idle1,
    Normal1,
    Hardcore1,
    Random1,
    Optimal1,
    NoEncryptiontests1,
};

inline constexpr MenuItem AllMenuItems[] = {
    MenuItem::Start1,
    MenuItem::Stop1,
    MenuItem::Exit1,
    MenuItem::Options1,
    MenuItem::About1,
    MenuItem::idle1,
    MenuItem::Normal1,
    MenuItem::Hardcore1,
    MenuItem::Random1,
    MenuItem::Optimal1,
    MenuItem::NoEncryptiontests1,
};

struct MenuItemState {
    bool Enabled = true;
    bool Checked = false;
    bool operator==(const MenuItemState&) const = default;
};

// Whether a run that ended passed: it found no error and the clock check did not void it.
enum class Verdict { Passed, Failed };

namespace event {

// --- The screen ---
struct Line {
    Pane Where;
    QString Text;
};
struct ClearPane {
    Pane Which;
};
// Shows the given pane and hides the other one.
struct ShowPane {
    Pane Which;
};
// Invalidate and paint the main window at once / paint what is invalid.
struct Repaint {};
struct UpdateWindow {};
// The main window comes back (from the notification area) and the tray icon goes.
struct ShowMainWindow {};
// The tray icon's hint shows the work time (a view without a tray icon passes over it).
struct TrayHint {
    std::int64_t Seconds;
};
// A modal message box with an OK button.
struct Message {
    QString Caption, Text;
};
// A failure that is not the test's own (a settings store that cannot be written): the window shows it
// like any error, a terminal front end on standard error.
struct Failure {
    QString Text;
};
// How a menu item of the engine looks now.
struct MenuItemShown {
    MenuItem Item;
    MenuItemState State;
};

// --- The run ---
// "Start" began a run, before its first test.
struct Started {};
// The heat-up or a timed test began, for the given whole minutes.
struct TestStarted {
    const WorkloadInfo* Workload;
    int Minutes;
};
// An encryption cycle began: the cipher as the screen names it, and the size of its file.
struct EncryptionStarted {
    const WorkloadInfo* Workload;
    QString Cipher;
    int Megabytes;
};
// A pass (or an encryption cycle) came to its end with its result checked.
struct PassEnded {
    const WorkloadInfo* Workload;
};
// The two pass texts of a result mismatch.
struct Mismatch {
    std::string Reference, Result;
};
// An error report, published before its lines: code 1 a result mismatch, 2 an exception in a pass, 3
// decrypted data that differs. The cause is the system's reason where the report has one (a work file
// that cannot be written); the processor is the one the report names, where it names one.
struct Error {
    std::int32_t Code;
    QString Message, Detail;
    std::optional<Mismatch> Differs;
    std::optional<int> Processor;
    QString Cause;
    std::int32_t Errors; // the run's error count with this one
};
// The work time after a check of the work clock, or the stop's (0 once a jump voided it).
struct WorkTime {
    std::int64_t Seconds;
};
// The processor temperature in degrees Celsius as the sensor block gave it, or none while no block is
// published (its publisher ended, or a value outside the physical range). The front end that reads the
// sensor publishes it into the run's stream; every renderer shows the last one it heard.
struct Temperature {
    std::optional<double> Celsius;
};
// The work clock found that the test could not run for the given seconds (a stall): no work time.
struct Paused {
    std::int64_t Seconds;
};
// The stop sequence has shown the results. A pass that was still running may yet end and report an
// error after this (its Error event follows).
struct Stopped {
    StopReason Reason;
    std::int32_t Errors;
    std::int64_t Seconds;
    Verdict Outcome;
};

} // namespace event

using RunEvent =
    std::variant<event::Line, event::ClearPane, event::ShowPane, event::Repaint, event::UpdateWindow,
                 event::ShowMainWindow, event::TrayHint, event::Message, event::Failure, event::MenuItemShown,
                 event::Started, event::TestStarted, event::EncryptionStarted, event::PassEnded, event::Error,
                 event::WorkTime, event::Temperature, event::Paused, event::Stopped>;

class IRunSubscriber {
public:
    virtual ~IRunSubscriber() = default;
    virtual void Hear(const RunEvent& event) = 0;
};

// Hands every event to each of its subscribers in the order they were added.
class RunEventHub final : public IRunSubscriber {
public:
    void Add(IRunSubscriber& subscriber) { subscribers_.push_back(&subscriber); }
    void Hear(const RunEvent& event) override {
        for (auto* s : subscribers_) s->Hear(event);
    }

private:
    std::vector<IRunSubscriber*> subscribers_;
};

// A visitor made of lambdas, one per event type a renderer cares for; a catch-all `[](const auto&) {}`
// passes over the rest.
template <typename... F> struct Overloaded : F... { using F::operator()...; };
template <typename... F> Overloaded(F...) -> Overloaded<F...>;

} // namespace torvane::engine
