#pragma once
// The program's request to stop, as the waits of the file layer see it. A wait for something that may never
// come (the reader of a FIFO, room in a pipe that nobody drains) must not make a program deaf to the
// signals that stop it: such waits go in short slices and end once a stop is asked for.

#include <csignal>

namespace torvane {

// The flag that tells a stop request; nullptr (the default) for the flag of the program's stop signal
// handlers (StopSignalFlag), which tests replace.
void SetStopRequestFlag(const volatile std::sig_atomic_t* flag);

// True when the flag is set, or when a stop signal (INT, TERM, HUP) waits, blocked, to be delivered: a
// program that blocks them while it starts is asked to stop all the same.
bool StopRequested();

// True once a stop has been asked for more than a second ago (the grace): a wait that has kept its
// output's last words that long gives up.
bool StopGraceOver();
// Tests shorten the grace.
void SetStopGraceMs(int ms);

// Waits until fd (non-blocking) can take more, in slices; false when the stop grace is over first.
bool WaitUntilWritable(int fd);

// Waits up to ms milliseconds, less where a signal comes first.
void NapMs(int ms);

} // namespace torvane
