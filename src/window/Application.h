#pragma once
// The desktop program: start-up order, message loop, shutdown.

#include "session/RunOptions.h"

#include <memory>
#include <optional>

class QSocketNotifier;

namespace torvane::app {

class TForm1;

// What the command line asks of the window beyond opening it (--start).
struct WindowStart {
    bool Start = false; // start the test run at once
    std::optional<session::FaultSpec> Fault;
};

int RunApplication(int argc, char** argv, const WindowStart& start = {});

// The ways the window ends besides "Exit" and its close box, for as long as this object lives (the window's
// message loop): a stop signal (SIGTERM when a session ends, SIGHUP at a logout, SIGINT) ends it as "Exit"
// does, and a display server that goes away (Qt then ends the process with exit(), from the main thread,
// possibly in the middle of a workload pass) still gets the window's shutdown: the run stopped, the work
// files removed, the settings stored.
class WindowExitPaths {
public:
    explicit WindowExitPaths(TForm1& form);
    ~WindowExitPaths();
    WindowExitPaths(const WindowExitPaths&) = delete;
    WindowExitPaths& operator=(const WindowExitPaths&) = delete;

private:
    std::unique_ptr<QSocketNotifier> stopSignals_;
};

} // namespace torvane::app
