#pragma once
// The supervisor of a terminal run on several processors (--workers N|all): it runs one worker process
// per processor, each a whole test run of its own, merges their run logs into one with the processor
// named on every line ("cpu 3: Doing a 4 minute MMX Test"), passes their events on, keeps the metrics
// file, and stops every worker on the first error. A worker that dies is an error of its processor.
//
// Workers speak to their supervisor in events (EventStream.h) on descriptor 3: "error" as it happens,
// "heartbeat" once a minute, and "worker_end" with their results just before they end. The supervisor
// writes "run_start" and "run_end" itself, and speaks for a worker that died before it could.

#include "terminal/EventStream.h"
#include "workers/WorkerProcesses.h"

#include <QJsonObject>
#include <QStringList>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace torvane::app {

struct SupervisedWorker {
    int Cpu = 0;            // the logical processor it is pinned to
    WorkerCommand Command;  // the worker's command line
    std::string WorkFolder; // the folder of its work files ("" where unknown), cleared when it dies
};

struct SupervisorConfig {
    std::vector<SupervisedWorker> Workers;
    QStringList HeadLines;         // printed before the workers' lines (banner, processor)
    QJsonObject RunStart;          // the fields of the run_start event
    EventStream* Events = nullptr; // where the events go, if anywhere
    std::string MetricsPath;       // the metrics file, if any
    int MetricsPeriodMs = 10000;
    // Readable when a stop was asked for (SIGINT, SIGTERM, SIGHUP); StopRequested tells whether one was.
    int StopFd = -1;
    std::function<bool()> StopRequested;
    // How long a worker may take to stop the ordinary way before it is killed.
    int StopGraceMs = 30000;
    std::FILE* Out = stdout;
    bool OutputClosed = false; // Out was closed when the program began: the log cannot be written
    std::FILE* Err = stderr;
    // The supervisor's monotonic milliseconds (work-time estimates between heartbeats, the metrics period).
    std::function<std::int64_t()> SteadyMs;
};

// Runs the workers to their end and returns the exit status the single run would give: 0 no error, 1 an
// error (or a worker that died, or could not be started), 3 when the merged log could not be written.
int RunSupervisor(const SupervisorConfig& config);

// Removes the work files a worker left in its folder, and the folder where that empties it.
void RemoveWorkFiles(const std::string& folder);

} // namespace torvane::app
