#pragma once
// The program's command line: which form it runs in (the window, a certificate in the viewer, the
// terminal run, the help, the version) and the options of the terminal run. One parser serves all forms,
// so that an option of the terminal run given without --headless is refused, not ignored.
//
// The options of the terminal run are declared once, in HeadlessOptionTable: the parser, the help text
// and the error messages all come from that table. A new option is one row there and one field here.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace torvane::app {

// A fault injected on purpose, a fire drill of the error path: the next pass of the named test goes
// wrong (a compared pass disagrees with its reference; the encryption cycle flips a byte of its
// encrypted file before decryption). In a run on several processors it may name the processor whose
// worker is to meet it ("mmx@1"); without one every worker meets it.
struct FaultSpec {
    std::string Test;       // a test's name as the workloads give it, in lower case: "mmx"
    std::optional<int> Cpu; // the logical processor
};

// One worker of a run on several processors, as its supervisor starts it (the hidden --worker N:CPU).
struct WorkerRole {
    int Index = 0; // its number in the run, from 0
    int Cpu = 0;   // the logical processor it is pinned to
};

// Reads the value of --inject-fault.
std::optional<std::string> ParseFaultSpec(const std::string& text, FaultSpec& fault);

struct HeadlessOptions {
    enum class Mode { Idle, Normal, Hardcore };
    bool Headless = false; // --headless: the terminal run
    bool Help = false;
    bool Version = false;
    Mode LoadMode = Mode::Normal;
    int Minutes = 0;                // 0: until interrupted
    bool Encryption = false;        // "No Encryption tests" unticked
    std::vector<std::string> Tests; // the tests the sequencer may choose (lower case); empty: all
    // This run's own work folder (with a trailing "/") and size limit (bytes); the store stays untouched.
    std::optional<std::string> TempDir;
    std::optional<std::int32_t> MaxTempSize;
    std::optional<FaultSpec> InjectFault;
    // --workers N|all: one worker process per processor under a supervisor; 1 is the single run.
    int Workers = 1;
    bool AllProcessors = false; // --workers all
    std::optional<WorkerRole> Worker;
    std::string Events;  // --events FILE|-: the event stream
    std::string Metrics; // --metrics FILE: the metrics textfile
    // Whether the run is a supervisor's (--workers all, or more than one).
    bool Supervised() const { return AllProcessors || Workers > 1; }
    // --certificate FILE: the certificate the run ends with, and the description of the machine in it.
    std::string Certificate;
    std::string Owner, Cpu, Motherboard, Cooling, Ram, Os, Info;
    std::vector<std::string> Described; // the description options given, by name
    bool Verify = false;                // --verify FILE.tvc...: check certificates
    std::vector<std::string> VerifyFiles;
    std::string Error; // non-empty: a bad command line, with what was wrong
};

// One option of the terminal run.
struct HeadlessOption {
    const char* Name;      // without the dashes: "minutes"
    const char* ValueName; // "N"; nullptr for an option without a value
    const char* Help;      // its lines in the help, "\n" between them; nullptr: not in the help
    // Checks the value (or, for an option without one, an empty text) and keeps it in the options;
    // the problem when it is no good. Values are taken in any case ("--mode Hardcore").
    std::optional<std::string> (*Apply)(const std::string& value, HeadlessOptions& options);
};

const std::vector<HeadlessOption>& HeadlessOptionTable();

// Work time is kept in 32-bit seconds: the most whole minutes it holds.
inline constexpr long long MaxMinutes = 2147483647LL / 60;

// Reads the arguments after the program name. Options may be written "--minutes 12" or "--minutes=12".
HeadlessOptions ParseHeadlessOptions(const std::vector<std::string>& args);

// The help: every form of the command line and every option of the terminal run.
std::string HeadlessUsage(const std::string& program);

} // namespace torvane::app
