#pragma once
// The commands of torvane-crypt and the dispatch of a whole command line to them. main() only hands over
// the command line and the standard streams, so that the commands run in tests without a process.

#include "Command.h"

#include <memory>
#include <vector>

namespace torvane::crypt {

struct CommandInfo {
    const char* Name;
    const char* Summary;
    std::unique_ptr<Command> (*Create)();
};

// Every command, in the order the overall help lists them; each lives in the file named after it.
const std::vector<CommandInfo>& AllCommands();

std::unique_ptr<Command> MakeHashCommand();
std::unique_ptr<Command> MakeEncryptCommand();
std::unique_ptr<Command> MakeDecryptCommand();
std::unique_ptr<Command> MakeBlockCommand();
std::unique_ptr<Command> MakeListCommand();
std::unique_ptr<Command> MakeSelfTestCommand();
std::unique_ptr<Command> MakeBenchCommand();

// Runs a whole command line (argv without the program name): finds the command, prints the overall usage
// for --help or nothing, and reports an unknown command.
int RunCommandLine(const CommandArgs& args, CommandIO& io);

} // namespace torvane::crypt
