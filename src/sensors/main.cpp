#include "LibSensors.h"
#include "SensorsCommand.h"

#include <cerrno>
#include <csignal>
#include <ctime>
#include <iostream>
#include <memory>

namespace {

// The signals that end the program are taken as they come between two rewrites, not by a handler, so the
// block is removed on the ordinary way out.
sigset_t EndingSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&set, signal);
    return set;
}

} // namespace

int main(int argc, char** argv) {
    const sigset_t ending = EndingSignals();
    // Blocked before the block exists, so that no signal can end the program between its creation and
    // the loop that removes it.
    pthread_sigmask(SIG_BLOCK, &ending, nullptr);

    torvane::sensors::SensorsEnvironment environment;
    environment.OpenSensors = [] { return std::make_unique<torvane::sensors::TLibSensors>(); };
    environment.WaitForNextRewrite = [&ending] {
        const timespec second{1, 0};
        while (true) {
            const int signal = sigtimedwait(&ending, nullptr, &second);
            if (signal > 0) return false;
            if (errno == EAGAIN) return true; // the second passed
        }
    };
    environment.Out = &std::cout;
    environment.Err = &std::cerr;
    return torvane::sensors::RunSensors({argv + 1, argv + argc}, environment);
}
