#include "app/headless/Headless.h"

#include "app/ScreenText.h"
#include "app/headless/HeadlessOptions.h"
#include "app/headless/HeadlessView.h"
#include "engine/TestRun.h"
#include "platform/Files.h"
#include "platform/Settings.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

#ifndef TORVANE_VERSION
#define TORVANE_VERSION "5.0.0"
#endif

namespace torvane::app {

namespace {

int g_signalPipe[2] = {-1, -1};

// Only async-signal-safe work here: one byte into the pipe, which the event loop reads.
extern "C" void OnStopSignal(int signal) {
    const int saved = errno;
    const char byte = static_cast<char>(signal);
    [[maybe_unused]] const auto n = ::write(g_signalPipe[1], &byte, 1);
    errno = saved;
}

bool InstallStopSignals() {
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return false;
    struct sigaction sa {};
    sa.sa_handler = OnStopSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    return ::sigaction(SIGINT, &sa, nullptr) == 0 && ::sigaction(SIGTERM, &sa, nullptr) == 0;
}

// After the first request the run stops the ordinary way; a second Ctrl-C ends the program at once.
void RestoreDefaultSignals() {
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
}

// The work directory and size limit as the window takes them from the settings, without writing any.
void LoadSettings(engine::TestRun& run) {
    run.TempDir = SystemTempDirectory();
    try {
        SettingsKey key;
        if (key.ValueExists("Q1")) {
            const auto dir = WithTrailingSeparator(NativePath(key.ReadString("Q1")));
            if (DirectoryExists(dir)) run.TempDir = dir;
        }
        if (key.ValueExists("Q2")) run.MaxTempSize = std::stoi(key.ReadString("Q2"));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "torvane: settings not used: %s\n", e.what());
    }
    const auto problem = SettingsKey::TakeLoadProblem();
    if (!problem.empty()) std::fprintf(stderr, "torvane: %s\n", problem.c_str());
}

} // namespace

bool WantsHeadless(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--headless" || a == "--help" || a == "-h" || a == "--version") return true;
    }
    return false;
}

int RunHeadless(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const std::string program = argc > 0 ? argv[0] : "torvane";
    const auto options =
        ParseHeadlessOptions(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
    if (!options.Error.empty()) {
        std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", program.c_str(), options.Error.c_str(),
                     program.c_str());
        return 2;
    }
    if (options.Help) {
        std::fputs(HeadlessUsage(program).c_str(), stdout);
        return 0;
    }
    if (options.Version) {
        std::printf("Torvane Test %s\n", TORVANE_VERSION);
        return 0;
    }

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Torvane Test"));

    HeadlessView view;
    engine::TestRun run(view);
    run.BannerLines = MakeBannerLines();
    LoadSettings(run);

    std::unique_ptr<QSocketNotifier> notifier;
    if (InstallStopSignals()) {
        notifier = std::make_unique<QSocketNotifier>(g_signalPipe[0], QSocketNotifier::Read);
        QObject::connect(notifier.get(), &QSocketNotifier::activated, [&run] {
            char buf[16];
            while (::read(g_signalPipe[0], buf, sizeof buf) > 0) {
            }
            RestoreDefaultSignals();
            run.ClickMenuItem(engine::MenuItem::Stop1);
        });
    } else {
        std::fprintf(stderr, "%s: cannot catch SIGINT: %s\n", program.c_str(), std::strerror(errno));
    }

    switch (options.LoadMode) {
    case HeadlessOptions::Mode::Idle:
        run.ClickMenuItem(engine::MenuItem::idle1);
        break;
    case HeadlessOptions::Mode::Hardcore:
        run.ClickMenuItem(engine::MenuItem::Hardcore1);
        break;
    case HeadlessOptions::Mode::Normal:
        break;
    }

    // Watches the run from the event loop: stops it when the work time is reached, ends the program once
    // it has stopped for whatever reason.
    QTimer watch;
    watch.setInterval(200);
    const long long limit = static_cast<long long>(options.Minutes) * 60;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!run.State.Stopped && limit > 0 && run.Clock().ElapsedSeconds() >= limit)
            run.ClickMenuItem(engine::MenuItem::Stop1);
        if (run.State.Stopped) {
            watch.stop();
            const bool failed = run.State.LastStop == engine::StopReason::Error ||
                                run.State.LastStop == engine::StopReason::ClockJump ||
                                run.State.ErrorCount > 0;
            QCoreApplication::exit(failed ? 1 : 0);
        }
    });

    run.ClickMenuItem(engine::MenuItem::Start1);
    watch.start();
    const int status = QCoreApplication::exec();
    notifier.reset();
    return status;
}

} // namespace torvane::app
