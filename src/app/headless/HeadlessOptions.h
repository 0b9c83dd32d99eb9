#pragma once
// The program's command line: which form it runs in (the window, a certificate in the viewer, the
// terminal run, the help, the version) and the options of the terminal run. One parser serves all forms,
// so that an option of the terminal run given without --headless is refused, not ignored.
//
// The options of the terminal run are declared once, in HeadlessOptionTable: the parser, the help text
// and the error messages all come from that table. A new option is one row there and one field here.

#include <optional>
#include <string>
#include <vector>

namespace torvane::app {

struct HeadlessOptions {
    enum class Mode { Idle, Normal, Hardcore };
    bool Headless = false; // --headless: the terminal run
    bool Help = false;
    bool Version = false;
    Mode LoadMode = Mode::Normal;
    int Minutes = 0; // 0: until interrupted
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
    const char* Help;      // its lines in the help, "\n" between them
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
