#pragma once
// The options of a test run, each described once: its name and value, its lines in the help, the forms of
// the program it belongs to, how its value is read, and what a supervisor does with it. The program's
// parser, its --help and the command line every worker is started with are all made from this one table,
// so an option cannot be known to one of them and forgotten by another: a new option is one row here and
// one field of RunOptions, and the tests give every row's example to a supervised run and read it back
// from the workers' command lines.

#include "engine/RunState.h"
#include "engine/Workload.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace torvane::session {

// A fault injected on purpose, a fire drill of the error path: the next pass of the named test goes
// wrong (a compared pass disagrees with its reference; the encryption cycle flips a byte of its
// encrypted file before decryption). In a run on several processors it may name the processor whose
// worker is to meet it ("mmx@1"); without one every worker meets it.
struct FaultSpec {
    std::string Test;       // a test's name as the workloads give it, in lower case: "mmx"
    std::optional<int> Cpu; // the logical processor
};

// Reads the value of --inject-fault.
std::optional<std::string> ParseFaultSpec(const std::string& text, FaultSpec& fault);

// One worker of a run on several processors, as its supervisor starts it (the hidden --worker N:CPU).
struct WorkerRole {
    int Index = 0; // its number in the run, from 0
    int Cpu = 0;   // the logical processor it is pinned to
};

// Work time is kept in 32-bit seconds: the most whole minutes it holds.
inline constexpr long long MaxMinutes = 2147483647LL / 60;

// More workers than this would be a typing error, not a machine.
inline constexpr int MaxWorkers = 4096;

struct RunOptions {
    using Mode = engine::LoadMode;
    Mode LoadMode = Mode::Normal;
    int Minutes = 0;                // 0: until interrupted
    bool Encryption = false;        // "No Encryption tests" unticked
    std::vector<std::string> Tests; // the tests the sequencer may choose (lower case); empty: all
    // The test choice of the run that starts a worker ("Random" or "Optimal..."), which the worker takes
    // instead of the stored one; nothing: the stored choice.
    std::optional<engine::TestChoice> Choice;
    // This run's own work folder (with a trailing "/") and size limit (bytes); the store stays untouched.
    std::optional<std::string> TempDir;
    std::optional<std::int32_t> MaxTempSize;
    std::optional<FaultSpec> InjectFault;
    // --workers N|all: one worker process per processor under a supervisor; 1 is the single run.
    int Workers = 1;
    bool AllProcessors = false; // --workers all
    std::optional<WorkerRole> Worker;
    // The seconds of work time between two heartbeats of the event stream. The window's workers tell
    // their passes every few seconds, so that its strip follows them as it follows its own run; a
    // terminal run's event file keeps one a minute.
    int HeartbeatSeconds = 60;
    std::string Events;  // --events FILE|-: the event stream
    std::string Metrics; // --metrics FILE: the metrics textfile
    // --certificate FILE: the certificate the run ends with, and the description of the machine in it.
    std::string Certificate;
    std::string Owner, Cpu, Motherboard, Cooling, Ram, Os, Info;
    std::vector<std::string> Described; // the description options given, by name

    // Whether the run is a supervisor's (--workers all, or more than one).
    bool Supervised() const { return AllProcessors || Workers > 1; }
};

// The forms of the program an option may be given to.
enum RunForm : unsigned {
    TerminalRun = 1, // --headless
    WindowRun = 2,   // --start: the window, starting its run at once
};

// What a supervisor does with an option it was given.
enum class ForWorkers {
    Passed,    // every worker is started with it, as given
    PerWorker, // a worker is started with it where it concerns the worker's processor
    Kept,      // the supervisor's own: the event file, the metrics, the number of workers, the certificate
    Internal,  // given by a supervisor to its workers only; not in the help
};

struct RunOption {
    const char* Name;      // without the dashes: "minutes"
    const char* ValueName; // "N"; nullptr for an option without a value
    const char* Help;      // its lines in the help, "\n" between them; nullptr for an internal option
    unsigned Forms;        // RunForm bits
    ForWorkers Workers;
    // Checks the value (or, for an option without one, an empty text) and keeps it in the options; the
    // problem when it is no good. Values are taken in any case ("--mode Hardcore").
    std::optional<std::string> (*Apply)(const std::string& value, RunOptions& options);
    // What a worker on the given processor is started with: the value (an empty text for an option
    // without one), or nothing when the option is not given to it. Every option that reaches workers
    // has one.
    std::optional<std::string> (*Given)(const RunOptions& options, int cpu);
    // A value the option takes, and the arguments it needs beside it (blank-separated, may be empty):
    // the tests give every option its example.
    const char* Example;
    const char* ExampleNeeds;
};

const std::vector<RunOption>& RunOptionTable();

// What the options ask of each other once all are read: the problem in words, or nothing. window: the
// options were given to the window (--start) rather than to the terminal run.
std::optional<std::string> CheckTogether(RunOptions& options, bool window);

// The arguments after the program that start worker `index` on `cpu`: the terminal run with the options
// a worker takes, its place among the workers, and a fault where it is meant for its processor.
std::vector<std::string> WorkerArguments(const RunOptions& options, int index, int cpu);

// "whetstone, mmx or encryption": the tests' names as the command line writes them.
std::string TestNameList(const char* conjunction);

} // namespace torvane::session
