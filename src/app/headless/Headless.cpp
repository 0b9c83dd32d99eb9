#include "app/headless/Headless.h"

#include <cstdio>
#include <cstring>

namespace torvane::app {

int RunHeadless(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--version")) {
            std::printf("Torvane Test 5.0\n");
            return 0;
        }
        if (!std::strcmp(argv[i], "--help")) {
            std::printf("Usage: torvane [FILE.tvc]\n"
                        "       torvane --headless [OPTIONS]\n"
                        "       torvane --help | --version\n\n"
                        "Without options the program opens its window; a certificate file opens in the\n"
                        "certificate viewer. --headless runs the stability test in the terminal.\n");
            return 0;
        }
    }
    std::fprintf(stderr, "torvane: the test run without a window is not available yet\n");
    return 2;
}

} // namespace torvane::app
