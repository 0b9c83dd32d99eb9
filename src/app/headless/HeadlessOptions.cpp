#include "app/headless/HeadlessOptions.h"

#include <charconv>
#include <climits>

namespace torvane::app {

namespace {

// Work time is kept in 32-bit seconds.
constexpr long long MaxMinutes = INT_MAX / 60;

} // namespace

HeadlessOptions ParseHeadlessOptions(const std::vector<std::string>& args) {
    HeadlessOptions o;
    for (std::size_t i = 0; i < args.size() && o.Error.empty(); ++i) {
        std::string name = args[i];
        std::optional<std::string> value;
        if (const auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
        }
        const auto takeValue = [&]() -> std::optional<std::string> {
            if (value) return value;
            if (i + 1 < args.size()) return args[++i];
            o.Error = "option '" + name + "' needs a value";
            return std::nullopt;
        };
        if (name == "--headless") {
            if (value) o.Error = "option '--headless' takes no value";
        } else if (name == "--help" || name == "-h") {
            o.Help = true;
        } else if (name == "--version") {
            o.Version = true;
        } else if (name == "--mode") {
            const auto v = takeValue();
            if (!v) break;
            if (*v == "idle")
                o.LoadMode = HeadlessOptions::Mode::Idle;
            else if (*v == "normal")
                o.LoadMode = HeadlessOptions::Mode::Normal;
            else if (*v == "hardcore")
                o.LoadMode = HeadlessOptions::Mode::Hardcore;
            else
                o.Error = "unknown mode '" + *v + "' (idle, normal or hardcore)";
        } else if (name == "--minutes") {
            const auto v = takeValue();
            if (!v) break;
            long long n = 0;
            const auto res = std::from_chars(v->data(), v->data() + v->size(), n);
            if (res.ec != std::errc() || res.ptr != v->data() + v->size() || n < 1 || n > MaxMinutes)
                o.Error = "'" + *v + "' is not a number of minutes (1 to " + std::to_string(MaxMinutes) + ")";
            else
                o.Minutes = static_cast<int>(n);
        } else {
            o.Error = "unknown option '" + args[i] + "'";
        }
    }
    return o;
}

std::string HeadlessUsage(const std::string& program) {
    return "Usage: " + program +
           " --headless [--mode idle|normal|hardcore] [--minutes N]\n"
           "Runs the Torvane Test burn-in in the terminal: a 5-minute heat-up, then Whetstone and MMX\n"
           "tests in random order, until the run is stopped. The run log goes to standard output.\n"
           "\n"
           "  --mode MODE    load mode: idle (lowest priority, no heat-up), normal (default) or\n"
           "                 hardcore (raised priorities where the system allows it)\n"
           "  --minutes N    stop after N minutes of work time and print the results\n"
           "  --help         show this help and exit\n"
           "  --version      show the version and exit\n"
           "\n"
           "Ctrl-C (SIGINT) or SIGTERM stops the run the ordinary way and prints the results.\n"
           "Exit status: 0 no error found, 1 the run stopped on an error, 2 bad command line.\n";
}

} // namespace torvane::app
