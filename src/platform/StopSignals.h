#pragma once
// The stop signals of a test run: SIGINT (Ctrl-C), SIGTERM (timeout, Slurm, systemd, kill) and SIGHUP (a
// closed terminal, a logout). A run must end the ordinary way (the stop sequence, its results, its work
// files removed) whenever one comes, from the program's first instruction on, so the set-up goes:
//   1. BlockStopSignals, first thing: a signal that comes now waits, blocked, instead of killing the
//      program by its default action.
//   2. CatchStopSignals, once the program knows it runs a test (the terminal run or the window): each
//      signal that was not ignored when the program started gets a handler, then all are unblocked, and a
//      signal that waited is delivered to its handler at once. A signal that was ignored at the start stays
//      ignored: `nohup torvane --headless` and `trap '' HUP` ask for a run that outlives the terminal.
//      Programs that run no test (--help, --verify) call UnblockStopSignals instead and keep the default
//      actions.
// A handler does only what is safe in a handler: it sets a flag and writes the signal's number into a
// pipe, which the program's event loop watches (StopSignalFd).

#include <csignal>

namespace torvane {

// SIGINT, SIGTERM and SIGHUP.
sigset_t StopSignalSet();

// One stop can arrive twice: `timeout` signals the program and then its whole process group, so a
// program gets two within microseconds. Requests this close to the first are that one request; only a
// later one is a second request (which ends a run at once).
inline constexpr int RepeatedStopRequestMs = 250;

// Blocks the stop signals in the calling thread. Async-signal-safe, and safe before the C library's
// own initialisation has run.
void BlockStopSignals();

// Catches the stop signals that were not ignored at the start and unblocks all three in the calling
// thread (threads started later inherit that). False, with the signals unblocked and left at their
// default actions, when the pipe cannot be made.
bool CatchStopSignals();

// Unblocks the stop signals without catching them.
void UnblockStopSignals();

// The read end of the pipe the handlers write to (non-blocking, close-on-exec); -1 while nothing is caught.
int StopSignalFd();

// Whether a stop signal has been caught since the program started.
bool StopSignalCaught();
// The flag the handlers set (for waits that must give up once a stop is asked for).
const volatile std::sig_atomic_t* StopSignalFlag();

// Whether the signal was ignored when the program started (it stays ignored).
bool IgnoredAtStart(int signal);

// The next stop signal ends the program by its default action (after a first request that is taking its
// ordinary way); signals ignored at the start stay ignored.
void RestoreDefaultStopSignals();

} // namespace torvane
