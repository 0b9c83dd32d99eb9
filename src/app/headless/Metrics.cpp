#include "app/headless/Metrics.h"

#include "platform/Error.h"
#include "platform/Files.h"

#include <cmath>
#include <cstdio>
#include <exception>

namespace torvane::app {

namespace {

void Family(std::string& out, const char* name, const char* type, const char* help) {
    out += std::string("# HELP ") + name + " " + help + "\n# TYPE " + name + " " + type + "\n";
}

std::string Labels(const MetricsState::Worker& w) {
    return w.Cpu ? "{cpu=\"" + std::to_string(*w.Cpu) + "\"}" : std::string();
}

std::string Number(double v) {
    if (std::isnan(v)) return "NaN";
    char text[32];
    std::snprintf(text, sizeof text, "%.10g", v);
    return text;
}

} // namespace

std::string MetricsText(const MetricsState& state) {
    std::string out;
    Family(out, "torvane_errors_total", "counter", "Errors the test run has found.");
    for (const auto& w : state.Workers)
        out += "torvane_errors_total" + Labels(w) + " " + std::to_string(w.Errors) + "\n";
    Family(out, "torvane_worktime_seconds", "gauge", "Work time of the test run in seconds.");
    for (const auto& w : state.Workers)
        out += "torvane_worktime_seconds" + Labels(w) + " " + std::to_string(w.WorkSeconds) + "\n";
    Family(out, "torvane_running", "gauge", "1 while the test run goes on, 0 once it has ended.");
    out += std::string("torvane_running ") + (state.Running ? "1" : "0") + "\n";
    Family(out, "torvane_workers", "gauge", "Test runs side by side, one per processor under test.");
    out += "torvane_workers " + std::to_string(state.Workers.size()) + "\n";
    if (state.TemperatureC) {
        Family(out, "torvane_temperature_celsius", "gauge", "Processor temperature from the sensor block.");
        out += "torvane_temperature_celsius " + Number(*state.TemperatureC) + "\n";
    }
    return out;
}

std::optional<std::string> WriteMetricsFile(const std::string& path, const MetricsState& state) {
    try {
        // The collector runs as another user: the file is readable by all. A FIFO that nothing reads is
        // not waited for: the run must not stand still for its metrics.
        WriteFileAtomically(path, MetricsText(state), 0644, ReaderWait::Never);
    } catch (const std::exception& e) {
        return DescribeError(e);
    }
    return std::nullopt;
}

} // namespace torvane::app
