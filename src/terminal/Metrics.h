#pragma once
// The state of the terminal run in the Prometheus text exposition format, for node_exporter's textfile
// collector (--metrics FILE). The file is replaced as a whole every time, never written in place, so
// that the collector never reads half a file.
//
// Every series carries the label file, the metrics file's own name: the collector reads every file of its
// folder, and two runs' files (a burn-in and a soak of one node) must not give the same series. The file
// also keeps the count of the earlier runs that did not pass, which a restarted run reads back and carries
// on, so that a container that restarts after an error does not wipe the record of it.

#include "engine/RunStream.h"

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
    std::string File;                   // the file's name, the value of every series' file label
    // Earlier runs with this file that did not pass (FailedRunsOnRecord), and whether this one has failed
    // (found an error, or the clock check stopped it): torvane_failed_runs_total is their sum.
    std::int64_t FailedRunsBefore = 0;
    bool Failed = false;
};

// The metrics of one test run (the single run, as one worker without a processor) as its events tell them:
// running from its start to its stop, its errors and work time, and whether it failed.
class RunMetrics final : public engine::IRunSubscriber {
public:
    void Hear(const engine::RunEvent& event) override;
    bool Running() const { return running_; }
    bool Failed() const { return failed_; }
    MetricsState::Worker Worker() const { return worker_; }
    // The last temperature heard, where a sensor block publishes one.
    std::optional<double> TemperatureC() const { return celsius_; }

private:
    bool running_ = false;
    bool failed_ = false;
    MetricsState::Worker worker_;
    std::optional<double> celsius_;
};

// The exposition text: every metric with its HELP and TYPE lines. A worker pinned to a processor gives
// its series a cpu label; the single run's series have none.
std::string MetricsText(const MetricsState& state);

// Replaces the file with the text (a new file beside it takes its place), the file label being the
// file's name. The reason when it could not.
std::optional<std::string> WriteMetricsFile(const std::string& path, const MetricsState& state);

// The runs that did not pass according to the metrics file an earlier run left at path: its count of
// failed runs, and one more for an earlier run that never told its end (killed, or the machine went
// down: the file still says it runs) or one that failed before the count existed. 0 when there is no
// such file or it is none of ours; never blocks on a FIFO.
std::int64_t FailedRunsOnRecord(const std::string& path);

} // namespace torvane::app
