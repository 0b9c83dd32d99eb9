#pragma once
// The screen of the terminal front end, a renderer of the run's events: every line the run writes to the
// run log or the information pane goes to standard output as it appears, a message box as a line, a
// work-time line once a minute (and the processor temperature after it where one is published). Errors
// that are not the test's own go to standard error. What only a window shows it passes over.
//
// A line that cannot be written (a full disk, a closed pipe, a standard output closed from the start) is
// never lost in silence: the first failure is reported on standard error with its reason, the front end
// is told (it stops the run), and every later line goes to standard error instead.

#include "engine/RunStream.h"

#include <cstdio>
#include <functional>
#include <optional>
#include <string>

namespace torvane::app {

class HeadlessView final : public engine::IRunSubscriber {
public:
    explicit HeadlessView(std::FILE* out = stdout, std::FILE* err = stderr) : out_(out), err_(err) {}

    void Hear(const engine::RunEvent& event) override;
    void AppendLine(engine::Pane pane, const QString& line);
    void ShowWorkTime(std::int64_t seconds);
    void ShowMessage(const QString& caption, const QString& text);
    void ShowError(const QString& text);

    // Standard output was closed before the program began: nothing can be written to it.
    void SetOutputClosed() { closed_ = true; }
    bool OutputFailed() const { return failed_; }
    // Runs once, at the first line that could not be written.
    std::function<void()> OnOutputFailed;
    // The stored unit (A1) the temperature after the work-time line is shown in.
    std::optional<std::string> TemperatureUnit;

private:
    void Print(const QString& line);
    void Fail(int error);

    std::FILE* out_;
    std::FILE* err_;
    bool closed_ = false;
    bool failed_ = false;
    long long lastMinute_ = 0;      // whole minutes of work time last announced
    std::optional<double> celsius_; // the last temperature heard
};

} // namespace torvane::app
