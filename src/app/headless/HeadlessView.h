#pragma once
// The screen of the terminal front end: every line the engine writes to the run log or the information
// pane goes to standard output as it appears, with a work-time line once a minute.

#include "engine/MenuModel.h"
#include "engine/RunView.h"

#include <cstdio>

namespace torvane::app {

class HeadlessView final : public engine::IRunView {
public:
    explicit HeadlessView(std::FILE* out = stdout) : out_(out) {}

    void AppendLine(engine::Pane pane, const QString& line) override;
    void ClearPane(engine::Pane pane) override;
    int LineCount(engine::Pane pane) const override;
    void ShowPane(engine::Pane) override {}
    void SetCounters(const QString& days, const QString& hours, const QString& minutes,
                     const QString& seconds) override;
    void Repaint() override {}
    void UpdateWindow() override {}
    void ShowMainWindow() override {}
    void HideTrayIcon() override {}
    bool TrayIconVisible() const override { return false; }
    void SetTrayHint(const QString&) override {}
    void ShowMessage(const QString& caption, const QString& text) override;
    engine::MenuItemState GetMenuItem(engine::MenuItem item) const override { return menu_.Get(item); }
    void SetMenuItem(engine::MenuItem item, const engine::MenuItemState& state) override {
        menu_.Set(item, state);
    }
    void Quit() override;

private:
    void Print(const QString& line);

    std::FILE* out_;
    engine::MenuModel menu_;
    int lines_[2] = {0, 0};
    long long lastMinute_ = 0; // whole minutes of work time last announced
};

} // namespace torvane::app
