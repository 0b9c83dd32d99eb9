#pragma once
// Which logical processors the process runs on. A worker process of the terminal run is pinned to one of
// them, so that a fault that shows only under that processor's own load is found and named.

#include <optional>
#include <string>
#include <vector>

namespace torvane {

// The logical processors this process may run on, ascending (the affinity mask the system or a scheduler
// such as Slurm or a container runtime gave it). Empty where the system cannot tell.
std::vector<int> AllowedProcessors();

// Pins every thread of the process to the given logical processor; threads started later inherit the
// pin. The system's reason when it refuses (a processor that is offline or outside the allowed set).
std::optional<std::string> PinProcessToProcessor(int cpu);
// Lets every thread of the process run on the given logical processors again (a pin undone).
std::optional<std::string> PinProcessToProcessors(const std::vector<int>& cpus);

} // namespace torvane
