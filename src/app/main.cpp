#include "app/headless/Headless.h"
#include "app/headless/HeadlessCertificate.h"
#include "app/headless/HeadlessOptions.h"

#ifdef TORVANE_WITH_WINDOW
#include "app/Application.h"
#endif

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

} // namespace

int main(int argc, char** argv) {
    // The terminal run catches its stop signals before anything slow happens.
    for (int i = 1; i < argc; ++i)
        if (!std::strcmp(argv[i], "--headless")) torvane::app::InstallStopSignals();

    const std::string program = argc > 0 ? argv[0] : "torvane";
    const auto options =
        torvane::app::ParseHeadlessOptions(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
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
    return torvane::app::RunApplication(argc, argv);
#else
    std::fprintf(stderr, "torvane: this build has no window.\n"
                         "Run 'torvane --headless' for a test run in the terminal.\n");
    return 2;
#endif
}
