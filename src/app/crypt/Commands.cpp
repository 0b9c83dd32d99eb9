#include "Commands.h"

#include <ostream>

namespace torvane::crypt {

const std::vector<CommandInfo>& AllCommands() {
    static const std::vector<CommandInfo> commands = {
        {"hash", "print the digests of files (like sha256sum)", MakeHashCommand},
        {"encrypt", "encrypt a file with a cipher of the catalogue", MakeEncryptCommand},
        {"decrypt", "decrypt a file with a cipher of the catalogue", MakeDecryptCommand},
        {"block", "code one block with a raw key (known-answer checks)", MakeBlockCommand},
        {"list", "list the algorithm catalogue", MakeListCommand},
        {"selftest", "check every class against its known answers", MakeSelfTestCommand},
        {"bench", "measure cipher throughput (like cryptsetup benchmark)", MakeBenchCommand},
    };
    return commands;
}

namespace {

void PrintUsage(std::ostream& s) {
    s << "usage: torvane-crypt COMMAND [ARGS...]\n\nCommands:\n";
    for (const auto& c : AllCommands())
        s << "  " << c.Name << std::string(10 - std::string(c.Name).size(), ' ') << c.Summary << "\n";
    s << "\n'torvane-crypt COMMAND --help' describes a command. FILE, IN and OUT may be \"-\" for standard\n"
         "input or output; \"--\" ends the options.\n";
}

} // namespace

int RunCommandLine(const CommandArgs& args, CommandIO& io) {
    if (args.empty()) {
        PrintUsage(io.err);
        return kExitUsage;
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        PrintUsage(io.out);
        return CheckedOutput(io, "", kExitOk);
    }
    for (const auto& c : AllCommands())
        if (args[0] == c.Name) return c.Create()->Run(CommandArgs(args.begin() + 1, args.end()), io);
    io.err << "torvane-crypt: unknown command '" << args[0] << "'\n";
    PrintUsage(io.err);
    return kExitUsage;
}

} // namespace torvane::crypt
