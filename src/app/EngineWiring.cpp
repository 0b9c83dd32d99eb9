#include "app/EngineWiring.h"

#include "app/Form1.h"

#include <QEvent>

#include <utility>

namespace torvane::app {

using engine::MenuItem;
using engine::TestRun;

EngineWiring::EngineWiring(TForm1& form) : form_(form), run_(std::make_unique<TestRun>(form)) {
    TakeSettings();
    const std::pair<MenuItem, void (TestRun::*)()> commands[] = {
        {MenuItem::Start1, &TestRun::Start1Click},   {MenuItem::Stop1, &TestRun::Stop1Click},
        {MenuItem::Exit1, &TestRun::Exit1Click},     {MenuItem::idle1, &TestRun::idle1Click},
        {MenuItem::Normal1, &TestRun::Normal1Click}, {MenuItem::Hardcore1, &TestRun::Hardcore1Click},
        {MenuItem::Random1, &TestRun::Random1Click}, {MenuItem::Optimal1, &TestRun::Optimal1Click},
    };
    for (const auto& [item, command] : commands) {
        form_.SetCommandHandler(item, [this, command = command] {
            // "Select Temp dir" and "Max Temp size" can only change them while no run is active.
            TakeSettings();
            ((*run_).*command)();
        });
    }
    form_.installEventFilter(this);
}

EngineWiring::~EngineWiring() {
    form_.removeEventFilter(this);
    for (auto item : {MenuItem::Start1, MenuItem::Stop1, MenuItem::Exit1, MenuItem::idle1, MenuItem::Normal1,
                      MenuItem::Hardcore1, MenuItem::Random1, MenuItem::Optimal1})
        form_.SetCommandHandler(item, nullptr);
    run_.reset();
}

void EngineWiring::TakeSettings() {
    run_->TempDir = form_.TempDir();
    run_->MaxTempSize = form_.MaxTempSize();
    run_->BannerLines = form_.BannerLines();
}

bool EngineWiring::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &form_ && event->type() == QEvent::Close && !run_->State.Stopped)
        run_->ClickMenuItem(MenuItem::Stop1);
    return QObject::eventFilter(watched, event);
}

} // namespace torvane::app
