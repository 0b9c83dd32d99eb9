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

// The manual page is made of the full help, so it carries the examples too.
void PrintUsage(std::ostream& s, bool full = false) {
    s << "usage: torvane-crypt COMMAND [ARGS...]\n\nCommands:\n";
    for (const auto& c : AllCommands())
        s << "  " << c.Name << std::string(10 - std::string(c.Name).size(), ' ') << c.Summary << "\n";
    s << "\n'torvane-crypt COMMAND --help' describes a command. FILE, IN and OUT may be \"-\" for standard\n"
         "input or output; \"--\" ends the options.\n";
    if (!full) return;
    s << "\n"
         "Examples:\n"
         "  torvane-crypt list ciphers\n"
         "                        the ciphers, their block and key sizes\n"
         "  torvane-crypt hash --algo \"Message Digest 5\" image.iso\n"
         "                        a file's MD5 digest, as md5sum prints it\n"
         "  torvane-crypt encrypt --algo Rijndael --key \"pass phrase\" --check plain.txt secret.bin\n"
         "                        a file encrypted, with a check of the key for its decryption\n"
         "  torvane-crypt decrypt --algo rijndael --key \"pass phrase\" --check secret.bin plain.txt\n"
         "                        and decrypted; under a wrong key it fails and writes nothing\n"
         "  tar c docs | torvane-crypt encrypt --algo Rijndael --key \"pass phrase\" - docs.tar.bin\n"
         "                        a stream encrypted into a file\n"
         "  torvane-crypt block --algo DESX --key-hex 0123456789ABCDEF08192A3B4C5D6E7F 0123456789ABCDE7\n"
         "                        one block under a raw key, for known-answer checks\n"
         "  torvane-crypt selftest\n"
         "                        every class against its published known answers\n";
}

} // namespace

int RunCommandLine(const CommandArgs& args, CommandIO& io) {
    if (args.empty()) {
        PrintUsage(io.err);
        return kExitUsage;
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        PrintUsage(io.out, true);
        return CheckedOutput(io, "", kExitOk);
    }
    for (const auto& c : AllCommands())
        if (args[0] == c.Name) return c.Create()->Run(CommandArgs(args.begin() + 1, args.end()), io);
    io.err << "torvane-crypt: unknown command '" << args[0] << "'\n";
    PrintUsage(io.err);
    return kExitUsage;
}

} // namespace torvane::crypt
