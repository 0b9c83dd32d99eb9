#include "engine/EncryptionWorkload.h"

namespace torvane::engine {

namespace {

// A cycle loads the disk as much as the processor: it runs below the test timers, and in "Hardcore" at
// the highest priority of all.
constexpr ModePriorities EncryptorPriorities{ThreadPriority::Idle, ThreadPriority::Normal,
                                             ThreadPriority::Highest};

constexpr TimerInfo Timers[] = {
    {.Name = "Encryptor",
     .Role = TimerRole::Test,
     .IntervalMs = 1000,
     .Priority = ThreadPriority::Lowest,
     .InMode = &EncryptorPriorities},
};

} // namespace

const WorkloadInfo EncryptionWorkload::Description{
    .Name = "Encryption",
    .Timers = Timers,
    .TestKind = 0,
    .Available = [](const TestRun&) { return false; },
};

} // namespace torvane::engine
