#pragma once
// How the test run knows its workloads. Each workload is described once, by one constant description:
// its name, its timers with their priorities in each load mode and the handlers of their ticks, the
// sequencer's draw that picks it as the next test, the line that announces the test, and for a workload
// whose passes are compared, the reference text and the message of a failed pass. The run creates the
// timers, starts and stops them and sets their priorities by walking the descriptions; no timer of a
// workload is named anywhere else.

#include "engine/RunState.h"
#include "platform/Priority.h"

#include <cstdint>
#include <span>
#include <string>
#include <utility>

namespace torvane::engine {

class TestRun;
class TWorkerTimer;
class Workload;

enum class LoadMode { Idle, Normal, Hardcore };

// When a timer runs.
enum class TimerRole {
    HeatUp, // the first five minutes of a run that is not in "idle" mode
    Test,   // while the sequencer's test of its workload runs; the sequencer waits for these
    Idle,   // the whole run (not in "idle" mode), at idle priority
};

// A timer's thread priority in each load mode.
struct ModePriorities {
    ThreadPriority Idle, Normal, Hardcore;
    ThreadPriority In(LoadMode mode) const {
        return mode == LoadMode::Idle ? Idle : mode == LoadMode::Normal ? Normal : Hardcore;
    }
};

// The Whetstone and MMX test timers: one step above normal in "Hardcore".
inline constexpr ModePriorities TestTimerPriorities{ThreadPriority::Idle, ThreadPriority::Normal,
                                                    ThreadPriority::Higher};

struct TimerInfo {
    const char* Name;
    TimerRole Role;
    std::uint16_t IntervalMs;
    ThreadPriority Priority;                // from program start until a mode command runs
    const ModePriorities* InMode = nullptr; // nullptr: keeps Priority in every mode
    bool StopsItself = false;               // switched off by its OnStop once its duration has passed
    // Runs beside a test that has no time limit of its own (the encryption cycle), as long as that test.
    bool Companion = false;
    void (*Tick)(Workload& workload, TWorkerTimer& own) = nullptr;
};

struct WorkloadInfo {
    // Also the test's name on the command line, in any case ("--tests mmx,encryption").
    const char* Name;
    std::span<const TimerInfo> Timers;

    // The sequencer's draw (0, 1 or 2) that picks this workload as the next test; -1: never a test.
    int TestKind = -1;
    // The line that announces a test of the drawn minutes ("Doing a %1 minute MMX Test"); nullptr: none.
    const char* TestLine = nullptr;
    // Whether the sequencer may start the test now; nullptr: always.
    bool (*Available)(const TestRun& run) = nullptr;
    // Starts the test; nullptr: the workload's test timers run for the drawn duration.
    void (*StartTest)(TestRun& run, Workload& workload, std::int32_t durationMs) = nullptr;

    // Workloads whose passes are compared: the run's reference text and the message of a failed pass.
    std::string RunState::*Reference = nullptr;
    const char* FailedMessage = nullptr;
};

class Workload {
public:
    explicit Workload(TestRun& run) : run_(run) {}
    virtual ~Workload() = default;
    Workload(const Workload&) = delete;
    Workload& operator=(const Workload&) = delete;

    virtual const WorkloadInfo& Info() const = 0;

    // A fire drill of the error path: the workload's next pass goes wrong on purpose (a compared pass
    // disagrees with its reference, the encryption cycle flips a byte of its encrypted file).
    void InjectFault() { faultPending_ = true; }
    bool FaultPending() const { return faultPending_; }
    // True once, for the pass that is to go wrong.
    bool TakeFault() { return std::exchange(faultPending_, false); }

protected:
    TestRun& run_;

private:
    bool faultPending_ = false;
};

} // namespace torvane::engine
