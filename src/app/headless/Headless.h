#pragma once
// The test run without a window: screen lines on standard output, for servers, terminals and scripts.

namespace torvane::app {

// Runs `torvane --headless [...]` (also --help and --version); returns the process exit code.
int RunHeadless(int argc, char** argv);

// True when the arguments ask for the headless front end rather than the window.
bool WantsHeadless(int argc, char** argv);

} // namespace torvane::app
