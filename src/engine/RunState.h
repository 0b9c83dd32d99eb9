#pragma once
// The state of the test run that outlives a pass: read and written on the GUI thread only.

#include <cstdint>
#include <string>

namespace torvane::engine {

enum class StopReason { None, User, Error, ClockJump, TimeLimit };

// The "Tests" menu's radio choice: "Random" picks tests, "Optimal..." picks none.
enum class TestChoice { Random, Optimal };

// The reference text before the first complete pass of a run.
inline constexpr const char* NoPassYet = "moi";

struct RunState {
    bool Stopped = true;
    std::int32_t ErrorCount = 0; // since program start; "Start" does not reset it
    std::string WhetstoneReference = NoPassYet;
    std::string MmxReference = NoPassYet;
    // The work time as last shown, in seconds: what the last check of the work clock found, the stop's
    // results, or 0 once a jump of the clock has voided it.
    std::int64_t WorkSeconds = 0;
    StopReason LastStop = StopReason::None;
    // Tests the sequencer started in this run (or the last one). The heat-up is none: a run without a
    // test tested nothing, whatever its work time.
    std::int32_t TestsStarted = 0;
    // Counts the starts: a pass that outlives its run (a stop and a new start inside one of its checks)
    // can tell that the run it began in is over.
    std::uint64_t RunNumber = 0;
};

} // namespace torvane::engine
