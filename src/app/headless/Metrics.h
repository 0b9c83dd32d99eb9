#pragma once
// The state of the terminal run in the Prometheus text exposition format, for node_exporter's textfile
// collector (--metrics FILE). The file is replaced as a whole every time, never written in place, so
// that the collector never reads half a file.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace torvane::app {

struct MetricsState {
    struct Worker {
        std::optional<int> Cpu; // the processor a worker is pinned to; none for the single run
        std::int64_t Errors = 0;
        std::int64_t WorkSeconds = 0;
    };
    bool Running = false;
    std::vector<Worker> Workers;        // one for the single run
    std::optional<double> TemperatureC; // where a sensor block publishes one
};

// The exposition text: every metric with its HELP and TYPE lines. A worker pinned to a processor gives
// its series a cpu label; the single run's series have none.
std::string MetricsText(const MetricsState& state);

// Replaces the file with the text (a new file beside it takes its place). The reason when it could not.
std::optional<std::string> WriteMetricsFile(const std::string& path, const MetricsState& state);

} // namespace torvane::app
