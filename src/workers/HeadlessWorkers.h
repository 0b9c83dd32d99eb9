#pragma once
// The terminal run on several processors as the command line asks for it (--workers N|all): which
// processors the workers take, the command line each worker is started with, and the supervised run.

#include "terminal/HeadlessOptions.h"

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

// Runs the supervisor with its workers; the exit status. stopFd: readable when a stop signal came;
// outputClosed: standard output was closed when the program began.
int RunSupervised(const HeadlessOptions& options, int stopFd, bool outputClosed);

} // namespace torvane::app
