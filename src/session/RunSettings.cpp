#include "session/RunSettings.h"

#include "engine/TestRun.h"

namespace torvane::session {

void LoadRunSettings(engine::TestRun& run, engine::SettingsReader& stored) {
    run.LoadWorkSettings(stored);
    run.LoadTestChoice(stored);
}

void ApplyRunOptions(engine::TestRun& run, const RunOptions& options) {
    if (options.Encryption) run.SetNoEncryptionTests(false);
    run.RestrictTests(options.Tests);
    if (options.Choice)
        run.SetTestChoice(*options.Choice);
    else if (!options.Tests.empty())
        run.SetTestChoice(engine::TestChoice::Random);
    if (options.TempDir) run.TempDir = *options.TempDir;
    if (options.MaxTempSize) {
        run.MaxTempSize = *options.MaxTempSize;
        run.StoreSizeLimit = false;
    }
    if (options.InjectFault) run.InjectFault(options.InjectFault->Test);
    switch (options.LoadMode) {
    case RunOptions::Mode::Idle:
        run.ClickMenuItem(engine::MenuItem::idle1);
        break;
    case RunOptions::Mode::Hardcore:
        run.ClickMenuItem(engine::MenuItem::Hardcore1);
        break;
    case RunOptions::Mode::Normal:
        break;
    }
    run.TimeLimitSeconds = static_cast<std::int64_t>(options.Minutes) * 60;
}

} // namespace torvane::session
