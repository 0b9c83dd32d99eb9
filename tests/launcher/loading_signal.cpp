// A module of the dynamic loader's audit interface (LD_AUDIT) that makes "a signal while the program is
// being loaded" a certainty instead of a matter of luck: once the loader has mapped the library whose name
// contains TORVANE_LOADING_LIBRARY (default libQt6Core), before any library is relocated or initialised
// and before the program's own first instruction, the process sends itself the signal numbered
// TORVANE_LOADING_SIGNAL. With SIGSTOP it stops there, for a test to signal it from outside while it is
// half loaded. It says so on standard error, so that a test knows the moment came.

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <link.h>
#include <unistd.h>

namespace {
bool g_sent = false;
}

extern "C" unsigned int la_version(unsigned int version) {
    return version < LAV_CURRENT ? version : LAV_CURRENT;
}

extern "C" unsigned int la_objopen(struct link_map* map, Lmid_t, uintptr_t*) {
    if (g_sent || !map->l_name) return 0;
    const char* library = std::getenv("TORVANE_LOADING_LIBRARY");
    const char* signal = std::getenv("TORVANE_LOADING_SIGNAL");
    if (!signal || !std::strstr(map->l_name, library && *library ? library : "libQt6Core")) return 0;
    g_sent = true;
    const int number = std::atoi(signal);
    std::fprintf(stderr, "loading signal %d while loading %s\n", number, map->l_name);
    std::fflush(stderr);
    ::kill(::getpid(), number);
    return 0;
}
