#pragma once
// The desktop program: start-up order, message loop, shutdown.

#include <memory>

class QSocketNotifier;

namespace torvane::app {

class TForm1;

int RunApplication(int argc, char** argv);

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
