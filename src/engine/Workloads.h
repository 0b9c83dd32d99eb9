#pragma once
// The one list of the test run's workloads.

#include "engine/Workload.h"

#include <memory>
#include <vector>

namespace torvane::engine {

std::vector<std::unique_ptr<Workload>> MakeWorkloads(TestRun& run);

} // namespace torvane::engine
