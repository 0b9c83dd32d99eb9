#pragma once
// Process priority classes and relative thread priorities in the terms the load modes use, mapped onto
// nice values and SCHED_IDLE.
//
// Nice values belong to threads on this system, so the process class is applied to every thread of the
// process and each thread's nice value is the class's base plus its own relative priority. A request the
// system refuses (raising a priority without the right to) is ignored without a word, as the load modes
// have always treated it: the run goes on at the priority it has.

#include <cstdint>

namespace torvane {

enum class ProcessPriorityClass : std::uint32_t { Idle = 0x40, Normal = 0x20, High = 0x80 };

// Relative thread priorities with their conventional numeric values.
enum class ThreadPriority : int {
    Idle = -15,
    Lowest = -2,
    Lower = -1,
    Normal = 0,
    Higher = 1,
    Highest = 2,
    TimeCritical = 15,
};

// The nice value a thread of the given relative priority gets in a process of the given class
// (clamped to -20 ... 19). Idle threads additionally run under SCHED_IDLE.
int NiceValueFor(ProcessPriorityClass cls, ThreadPriority priority);

// Sets the class of the whole process: every thread is re-niced with its own relative priority.
void SetProcessPriorityClass(ProcessPriorityClass cls);
ProcessPriorityClass CurrentProcessPriorityClass();

// Sets the relative priority of one thread (a kernel thread id, CurrentThreadId()) and remembers it, so
// that a later change of the process class keeps it.
void SetThreadPriority(std::int64_t threadId, ThreadPriority priority);
// Forgets a thread that has ended.
void ForgetThreadPriority(std::int64_t threadId);
// The relative priority last requested for a thread (Normal when none was).
ThreadPriority RequestedThreadPriority(std::int64_t threadId);

// Whether requests reach the operating system (the default). Tests switch this off so that the mode
// commands they exercise do not slow down the test program itself; requests are still remembered.
void SetPriorityRequestsApplied(bool applied);

} // namespace torvane
