#include "platform/StopSignals.h"
#include "terminal/Headless.h"
#include "terminal/HeadlessCertificate.h"
#include "terminal/HeadlessOptions.h"

#ifdef TORVANE_WITH_WINDOW
#include "window/Application.h"
#endif

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#ifndef TORVANE_VERSION
#define TORVANE_VERSION "5.0.0"
#endif

namespace {

#ifdef TORVANE_WITH_WINDOW
// Without a display Qt would abort with a core dump; a plain word helps the user more.
bool DisplayGiven(int argc, char** argv) {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        if (const char* value = std::getenv(name); value && *value) return true;
    for (int i = 1; i < argc; ++i)
        if (!std::strcmp(argv[i], "-platform") || !std::strcmp(argv[i], "--platform")) return true;
    return false;
}
#endif

// The program's first code, run by the loader before any library is initialised (the executable's
// pre-initialisation array): from here on a stop signal waits for the run's handlers instead of killing
// the program half started.
extern "C" void BlockStopSignalsFirst(int, char**, char**) {
    torvane::BlockStopSignals();
}
__attribute__((section(".preinit_array"),
               used)) void (*const kBlockStopSignalsFirst)(int, char**, char**) = BlockStopSignalsFirst;

} // namespace

int main(int argc, char** argv) {
    // Again, for a loader that knows no pre-initialisation.
    torvane::BlockStopSignals();

    const std::string program = argc > 0 ? argv[0] : "torvane";
    const auto options =
        torvane::app::ParseHeadlessOptions(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
    // A test run (the terminal's or the window's) stops the ordinary way on a stop signal; anything else
    // keeps the signals' default actions.
    const bool runsATest = options.Error.empty() && !options.Help && !options.Version && !options.Verify;
    if (runsATest) {
        if (!torvane::CatchStopSignals())
            std::fprintf(stderr, "%s: cannot catch stop signals: %s\n", program.c_str(),
                         std::strerror(errno));
    } else {
        torvane::UnblockStopSignals();
    }
    if (!options.Error.empty()) {
        std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", program.c_str(), options.Error.c_str(),
                     program.c_str());
        return 2;
    }
    if (options.Help) {
        std::fputs(torvane::app::HeadlessUsage(program).c_str(), stdout);
        return 0;
    }
    if (options.Version) {
        std::printf("Torvane Test %s\n", TORVANE_VERSION);
        return 0;
    }
    if (options.Verify) return torvane::app::RunVerify(options.VerifyFiles);
    if (options.Headless) return torvane::app::RunHeadless(options, argc, argv);

#ifdef TORVANE_WITH_WINDOW
    if (!DisplayGiven(argc, argv)) {
        std::fprintf(stderr, "torvane: no display found (DISPLAY is not set).\n"
                             "Run 'torvane --headless' for a test run in the terminal.\n");
        return 1;
    }
    torvane::app::WindowStart start;
    start.Start = options.Start;
    start.Fault = options.InjectFault;
    return torvane::app::RunApplication(argc, argv, start);
#else
    std::fprintf(stderr, "torvane: this build has no window.\n"
                         "Run 'torvane --headless' for a test run in the terminal.\n");
    return 2;
#endif
}
