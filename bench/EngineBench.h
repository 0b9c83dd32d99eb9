#pragma once
// What the benchmarks of the test engine share: the application object the engine's event processing
// needs, and a view that shows nothing.

#include "engine/RunView.h"

#include <QCoreApplication>

namespace torvane::bench {

inline QCoreApplication& App() {
    static int argc = 1;
    static char name[] = "torvane_bench";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

class NullView final : public engine::IRunView {
public:
    void AppendLine(engine::Pane, const QString&) override {}
    void ClearPane(engine::Pane) override {}
    void ShowPane(engine::Pane) override {}
    void ShowWorkTime(std::int64_t) override {}
    void Repaint() override {}
    void UpdateWindow() override {}
    void ShowMainWindow() override {}
    void SetTrayHint(const QString&) override {}
    void ShowMessage(const QString&, const QString&) override {}
    void ShowError(const QString&) override {}
    void ShowMenuItem(engine::MenuItem, const engine::MenuItemState&) override {}
};

} // namespace torvane::bench
