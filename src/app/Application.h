#pragma once
// The desktop program: start-up order, message loop, shutdown.

namespace torvane::app {

int RunApplication(int argc, char** argv);

} // namespace torvane::app
