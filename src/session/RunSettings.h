#pragma once
// A run's settings, loaded and applied in one place for the window and the terminal: what the store
// gives every run (the work folder Q1, the size limit Q2, the test choice Q12), then what the command line
// gives this run alone, which is never stored.

#include "session/RunOptions.h"

namespace torvane::engine {
class SettingsReader;
class TestRun;
} // namespace torvane::engine

namespace torvane::session {

// The stored settings of a run: the work folder (where it exists) and size limit, and the test choice
// ("Random" runs its command, "Optimal..." is ticked without it, nothing stored leaves "Random").
void LoadRunSettings(engine::TestRun& run, engine::SettingsReader& stored);

// This run's own options over the stored settings. The test choice: a worker takes the one of the run that
// started it; tests named for the run are chosen whatever the stored choice ("Random"); otherwise the
// stored one stands.
void ApplyRunOptions(engine::TestRun& run, const RunOptions& options);

} // namespace torvane::session
