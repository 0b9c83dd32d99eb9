#pragma once
// The commands of torvane-crypt. Each takes the arguments after its own name and the three standard
// streams, and returns the exit code: 0 success, 1 some input failed, 2 bad usage. main() only
// dispatches, so the commands run in tests without a process.

#include <iosfwd>
#include <string>
#include <vector>

namespace torvane::crypt {

struct CommandIO {
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
};

using CommandArgs = std::vector<std::string>;

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// hash [--algo NAME] [--format 16|64] [FILE|-]...
int HashCommand(const CommandArgs& args, CommandIO& io);
// list hashes
int ListCommand(const CommandArgs& args, CommandIO& io);
// selftest
int SelfTestCommand(const CommandArgs& args, CommandIO& io);
// bench [--algo NAME] [--mode M] [--mib N]
int BenchCommand(const CommandArgs& args, CommandIO& io);

struct CommandInfo {
    const char* Name;
    const char* Summary;
    int (*Run)(const CommandArgs&, CommandIO&);
};

// Every command, in the order the overall help lists them.
const std::vector<CommandInfo>& AllCommands();

// Runs a whole command line (argv without the program name): finds the command, prints the overall
// usage for --help or nothing, and reports an unknown command.
int RunCommandLine(const CommandArgs& args, CommandIO& io);

} // namespace torvane::crypt
