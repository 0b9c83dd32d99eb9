#pragma once
// The terminal run on several processors as the command line asks for it (--workers N|all): which
// processors the workers take, the command line each worker is started with, and the supervised run.

#include "app/headless/HeadlessOptions.h"

#include <optional>
#include <string>
#include <vector>

namespace torvane::app {

// The processors of the workers, from the ones this process may use (lowest first): all of them for
// --workers all, else the first N, round again when N is more than there are. The problem when a fault is
// meant for a processor that no worker takes.
std::vector<int> WorkerProcessors(const HeadlessOptions& options, const std::vector<int>& allowed);
std::optional<std::string> CheckWorkerProcessors(const HeadlessOptions& options,
                                                 const std::vector<int>& cpus);

// The arguments (after the program) that start worker `index` on `cpu`: the terminal run with the options
// a single run of this run takes, its place among the workers, and the injected fault where it is meant
// for this processor.
std::vector<std::string> WorkerArguments(const HeadlessOptions& options, int index, int cpu);

// Runs the supervisor with its workers; the exit status. stopFd: readable when a stop signal came.
int RunSupervised(const HeadlessOptions& options, int stopFd);

} // namespace torvane::app
