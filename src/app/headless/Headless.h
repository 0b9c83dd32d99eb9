#pragma once
// The terminal front end: `torvane --headless [--mode idle|normal|hardcore] [--minutes N]` runs the test
// engine on a QCoreApplication and writes the run log and information pane lines to standard output.

namespace torvane::app {

// Whether the command line asks for the terminal front end (--headless, --help or --version), so that
// main() can decide before it creates any window.
bool WantsHeadless(int argc, char** argv);

// Runs the terminal front end; returns the exit status: 0 when the run found no error, 1 when it stopped
// on an error (or on the clock check), 2 for a bad command line.
int RunHeadless(int argc, char** argv);

} // namespace torvane::app
