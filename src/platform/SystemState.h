#pragma once
// Figures of the running system that feed the random generator's reseed: they change from moment to
// moment and from machine to machine, which is all the reseed asks of them.

#include <array>
#include <cstdint>

namespace torvane {

// The memory status record in the layout the reseed was designed around: eight 32-bit words, the first
// holding the record size 32, then the memory load in percent, total and available physical memory,
// total and available swap plus physical memory, total and available address space (each in bytes,
// truncated to 32 bits).
std::array<std::uint32_t, 8> MemoryStatusRecord();

std::uint32_t ProcessId();
// The kernel's id of the calling thread (not a pthread handle).
std::int64_t CurrentThreadId();
// Milliseconds since the system started, truncated to 32 bits as such tick counts are.
std::uint32_t TickCountMs();

} // namespace torvane
