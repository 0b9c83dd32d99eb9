#pragma once
// The test run without a window: screen lines on standard output, for servers, terminals and scripts.

namespace torvane::app {

// Runs `torvane --headless [...]` (also --help and --version); returns the process exit code.
int RunHeadless(int argc, char** argv);

} // namespace torvane::app
