#pragma once
// The test run behind the main window: the engine's commands take over the "Testing", "Mode" and "Tests"
// items, and the run takes the work settings from the window each time it starts.

#include "engine/TestRun.h"

#include <QObject>

#include <memory>

namespace torvane::app {

class TForm1;

class EngineWiring : public QObject {
public:
    explicit EngineWiring(TForm1& form);
    ~EngineWiring() override;

    engine::TestRun& Run() { return *run_; }

protected:
    // Closing the window during a run stops the run first, so that its passes end at once and the work
    // files go.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void TakeSettings();

    TForm1& form_;
    std::unique_ptr<engine::TestRun> run_;
};

} // namespace torvane::app
