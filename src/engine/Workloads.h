#pragma once
// The one list of the test run's workloads.

#include "engine/Workload.h"

#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace torvane::engine {

std::vector<std::unique_ptr<Workload>> MakeWorkloads(TestRun& run);

// The descriptions of the same workloads, in the same order, for those who need them without a run (the
// command line names the tests by them).
std::span<const WorkloadInfo* const> WorkloadDescriptions();

// The workload whose test has the given name, in any case; nullptr for a name that is no test.
const WorkloadInfo* FindTest(std::string_view name);

// A load mode's name as the command line, the events and the workers' command lines write it ("idle",
// "normal", "hardcore"), and the mode a name in any case stands for.
const char* LoadModeName(LoadMode mode);
std::optional<LoadMode> LoadModeNamed(std::string_view name);

} // namespace torvane::engine
