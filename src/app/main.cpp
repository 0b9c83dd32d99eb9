#include "app/Application.h"
#include "app/headless/Headless.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace {

// These arguments belong to the front end without a window; they are looked for before any toolkit
// starts, so that they work where no display is.
bool WantsHeadless(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        for (const char* option : {"--headless", "--help", "--version"})
            if (!std::strcmp(argv[i], option)) return true;
    return false;
}

// Without a display Qt would abort with a core dump; a plain word helps the user more.
bool DisplayReachable(int argc, char** argv) {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        if (const char* value = std::getenv(name); value && *value) return true;
    for (int i = 1; i < argc; ++i)
        if (!std::strcmp(argv[i], "-platform") || !std::strcmp(argv[i], "--platform")) return true;
    return false;
}

} // namespace

int main(int argc, char** argv) {
    if (WantsHeadless(argc, argv)) return torvane::app::RunHeadless(argc, argv);
    if (!DisplayReachable(argc, argv)) {
        std::fprintf(stderr, "torvane: no display found (DISPLAY is not set).\n"
                             "Run 'torvane --headless' for a test run in the terminal.\n");
        return 1;
    }
    return torvane::app::RunApplication(argc, argv);
}
