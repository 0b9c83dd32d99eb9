// What the run reports: its events, the error report and the comparison of passes that leads to one, and
// the work clock's checks with the work time they show. The sequencer and the commands (TestRun.cpp)
// decide what runs; this is what they tell.

#include "engine/TestRun.h"

#include "engine/ErrorReport.h"
#include "engine/Workload.h"

namespace torvane::engine {

void TestRun::ReportTestError(std::int32_t code, const QString& message, const QString& detail,
                              const QString& cause) {
    Publish(event::Error{code, message, detail, mismatch_, ReportCpu, cause, State.ErrorCount});
    StopFor(StopReason::Error);
    // Also when the run had stopped already: an error in its last pass is its end all the same.
    State.LastStop = StopReason::Error;
    const QStringList lines = BannerLines + ErrorReportLines({code, message, detail, cause, ReportCpu});
    Sleep(10);
    Publish(event::ClearPane{Pane::Info});
    for (const auto& line : lines) Say(Pane::Info, line);
    Publish(event::ShowMainWindow{});
}

void TestRun::EndPass(Workload& workload, const std::string& text, bool failed) {
    const WorkloadInfo& info = workload.Info();
    const QString message = QString::fromLatin1(info.FailedMessage);
    auto& reference = State.*info.Reference;
    // A fault asked for goes into the first pass that has a reference to disagree with.
    std::string result = text;
    if (reference != NoPassYet && workload.TakeFault())
        result = result.empty() || result.back() != '0' ? result + "0" : result + "1";
    if (failed) {
        State.ErrorCount += 1;
        ReportTestError(2, message, QStringLiteral("N/A"));
    }
    if (reference != NoPassYet && reference != result) {
        Say(Pane::RunLog, message);
        State.ErrorCount += 1;
        // Kept aside: the report runs the stop sequence, and a nested pass may change the reference.
        mismatch_ = event::Mismatch{reference, result};
        ReportTestError(1, message, QStringLiteral("Calculation error"));
        mismatch_.reset();
        // The reference stays the text of the passes that agreed: a pass that disagreed would otherwise
        // make the next sound pass disagree too, and one fault would count twice.
        return;
    }
    if (failed) return; // the partial text of a pass cut short by an exception is no pass's result
    Publish(event::PassEnded{&info});
    State.*info.Reference = result;
}

void TestRun::ShowWorkTime(std::int64_t seconds) {
    State.WorkSeconds = seconds;
    Publish(event::WorkTime{seconds});
}

bool TestRun::CheckWorkClock() {
    if (!workClock_.Running()) return false;
    const WorkClockCheck check = workClock_.Check();
    if (check.PausedMs > 0) {
        const std::int64_t seconds = (check.PausedMs + 500) / 1000;
        Say(Pane::RunLog, QStringLiteral("Work time paused %1 s: the test could not run (a busy, "
                                         "stopped or sleeping machine)")
                              .arg(seconds));
        Publish(event::Paused{seconds});
    }
    if (check.Jumped) {
        workClock_.Discard();
        return true;
    }
    ShowWorkTime(check.Seconds);
    return false;
}

void TestRun::ShowCheating() {
    State.LastStop = StopReason::ClockJump;
    Publish(event::Message{QStringLiteral("Hey hey hey!"), QStringLiteral("It\u00B4s not nice to cheat!")});
    Publish(event::ClearPane{Pane::Info});
    ShowWorkTime(0);
}

void TestRun::UpdateWorkTime() {
    if (CheckWorkClock()) {
        // The stop's own check finds the work time discarded: its results show none of it.
        StopFor(StopReason::ClockJump);
        ShowCheating();
        return;
    }
    if (TimeLimitSeconds > 0 && workClock_.Running() && workClock_.ElapsedSeconds() >= TimeLimitSeconds) {
        StopFor(StopReason::TimeLimit);
    }
}

void TestRun::KelloTimer() {
    UpdateWorkTime();
    Publish(event::TrayHint{State.WorkSeconds});
    ProcessMessages();
    Publish(event::Repaint{});
    Publish(event::UpdateWindow{});
}

void TestRun::Publish(const RunEvent& e) {
    if (const auto* line = std::get_if<event::Line>(&e); line && line->Where == Pane::RunLog) ++runLogLines_;
    if (const auto* clear = std::get_if<event::ClearPane>(&e); clear && clear->Which == Pane::RunLog)
        runLogLines_ = 0;
    out_.Hear(e);
}

} // namespace torvane::engine
