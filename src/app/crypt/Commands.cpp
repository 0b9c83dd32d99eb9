#include "Commands.h"

#include "CipherCommands.h"

#include <ostream>

namespace torvane::crypt {

const std::vector<CommandInfo>& AllCommands() {
    static const std::vector<CommandInfo> commands = {
        {"hash", "print the digests of files (like sha256sum)", HashCommand},
        {"encrypt", "encrypt a file with a cipher of the catalogue", EncryptCommand},
        {"decrypt", "decrypt a file with a cipher of the catalogue", DecryptCommand},
        {"block", "code one block with a raw key (known-answer checks)", BlockCommand},
        {"list", "list the algorithm catalogue", ListCommand},
        {"selftest", "check every class against its known answers", SelfTestCommand},
        {"bench", "measure cipher throughput (like cryptsetup benchmark)", BenchCommand},
    };
    return commands;
}

namespace {

void PrintUsage(std::ostream& s) {
    s << "usage: torvane-crypt COMMAND [ARGS...]\n\ncommands:\n";
    for (const auto& c : AllCommands())
        s << "  " << c.Name << std::string(10 - std::string(c.Name).size(), ' ') << c.Summary << "\n";
    s << "\n'torvane-crypt COMMAND --help' describes a command.\n";
}

} // namespace

int RunCommandLine(const CommandArgs& args, CommandIO& io) {
    if (args.empty()) {
        PrintUsage(io.err);
        return kExitUsage;
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        PrintUsage(io.out);
        return kExitOk;
    }
    for (const auto& c : AllCommands())
        if (args[0] == c.Name) return c.Run(CommandArgs(args.begin() + 1, args.end()), io);
    io.err << "torvane-crypt: unknown command '" << args[0] << "'\n";
    PrintUsage(io.err);
    return kExitUsage;
}

} // namespace torvane::crypt
