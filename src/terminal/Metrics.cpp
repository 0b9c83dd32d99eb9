#include "terminal/Metrics.h"

#include "platform/Error.h"
#include "platform/Files.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fcntl.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace torvane::app {

namespace {

// A metrics file is a few kilobytes; anything far larger is none of ours.
constexpr off_t MaxRecordBytes = 1 << 20;

void Family(std::string& out, const char* name, const char* type, const char* help) {
    out += std::string("# HELP ") + name + " " + help + "\n# TYPE " + name + " " + type + "\n";
}

// A label value as the text format wants it: backslash, double quote and newline escaped.
std::string LabelValue(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        out += c == '\n' ? std::string("\\n") : std::string(1, c);
    }
    return out;
}

std::string Labels(const MetricsState& state, const MetricsState::Worker* w = nullptr) {
    std::string labels;
    if (!state.File.empty()) labels += "file=\"" + LabelValue(state.File) + "\"";
    if (w && w->Cpu)
        labels += (labels.empty() ? "" : ",") + std::string("cpu=\"") + std::to_string(*w->Cpu) + "\"";
    return labels.empty() ? labels : "{" + labels + "}";
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
        out += "torvane_errors_total" + Labels(state, &w) + " " + std::to_string(w.Errors) + "\n";
    Family(out, "torvane_failed_runs_total", "counter",
           "Runs with this file that found an error or never told their end, this one included.");
    out += "torvane_failed_runs_total" + Labels(state) + " " +
           std::to_string(state.FailedRunsBefore + (state.Failed ? 1 : 0)) + "\n";
    Family(out, "torvane_worktime_seconds", "gauge", "Work time of the test run in seconds.");
    for (const auto& w : state.Workers)
        out += "torvane_worktime_seconds" + Labels(state, &w) + " " + std::to_string(w.WorkSeconds) + "\n";
    Family(out, "torvane_running", "gauge", "1 while the test run goes on, 0 once it has ended.");
    out += "torvane_running" + Labels(state) + " " + (state.Running ? "1" : "0") + "\n";
    Family(out, "torvane_workers", "gauge", "Test runs side by side, one per processor under test.");
    out += "torvane_workers" + Labels(state) + " " + std::to_string(state.Workers.size()) + "\n";
    if (state.TemperatureC) {
        Family(out, "torvane_temperature_celsius", "gauge", "Processor temperature from the sensor block.");
        out += "torvane_temperature_celsius" + Labels(state) + " " + Number(*state.TemperatureC) + "\n";
    }
    return out;
}

std::optional<std::string> WriteMetricsFile(const std::string& path, const MetricsState& state) {
    MetricsState named = state;
    named.File = path.substr(path.find_last_of('/') + 1);
    try {
        // The collector runs as another user: the file is readable by all. A FIFO that nothing reads is
        // not waited for: the run must not stand still for its metrics.
        WriteFileAtomically(path, MetricsText(named), 0644, ReaderWait::Never);
    } catch (const std::exception& e) {
        return DescribeError(e);
    }
    return std::nullopt;
}

std::int64_t FailedRunsOnRecord(const std::string& path) {
    // Without blocking: a FIFO in the file's place has no writer to wait for.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return 0;
    struct stat st {};
    std::string text;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= MaxRecordBytes) {
        char buf[4096];
        for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0 && text.size() <= MaxRecordBytes;)
            text.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);

    // The value of every sample of a family (name, then labels or a blank), summed.
    const auto sum = [&text](const std::string& name) -> std::optional<double> {
        std::optional<double> total;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);) {
            if (line.compare(0, name.size(), name) != 0 || line.size() == name.size()) continue;
            if (line[name.size()] != ' ' && line[name.size()] != '{') continue;
            const auto blank = line.find_last_of(' ');
            char* end = nullptr;
            const double v = std::strtod(line.c_str() + blank + 1, &end);
            if (end == line.c_str() + blank + 1 || !std::isfinite(v) || v < 0) continue;
            total = total.value_or(0) + v;
        }
        return total;
    };
    const auto failed = sum("torvane_failed_runs_total");
    const bool running = sum("torvane_running").value_or(0) > 0;
    const bool errors = sum("torvane_errors_total").value_or(0) > 0;
    // A run counts itself in the file as soon as it has failed; one that has not was cut off.
    const bool counted = failed && errors;
    const double before = std::min(failed.value_or(0), 1e15);
    return static_cast<std::int64_t>(before) + ((running || errors) && !counted ? 1 : 0);
}

void RunMetrics::Hear(const engine::RunEvent& event) {
    namespace e = engine::event;
    std::visit(engine::Overloaded{
                   [this](const e::Started&) {
                       running_ = true;
                       // The error count goes on from the program's start, as the screen's does.
                       failed_ = worker_.Errors > 0;
                       worker_.WorkSeconds = 0;
                   },
                   [this](const e::WorkTime& x) { worker_.WorkSeconds = x.Seconds; },
                   [this](const e::Temperature& x) { celsius_ = x.Celsius; },
                   // Also an error of a pass that ended after the stop: the run failed all the same.
                   [this](const e::Error& x) {
                       worker_.Errors = x.Errors;
                       failed_ = true;
                   },
                   [this](const e::Stopped& x) {
                       running_ = false;
                       worker_.Errors = x.Errors;
                       worker_.WorkSeconds = x.Seconds;
                       failed_ = failed_ || x.Outcome == engine::Verdict::Failed;
                   },
                   [](const auto&) {},
               },
               event);
}

} // namespace torvane::app
