#include "Commands.h"

#include "CipherCommands.h"

#include "crypto/Catalogue.h"

#include <ostream>

namespace torvane::crypt {

namespace {

constexpr char kUsage[] = "usage: torvane-crypt list [hashes|ciphers]\n";

int ListHashes(CommandIO& io) {
    for (const auto& e : crypto::HashCatalogue().Entries())
        io.out << e.Name() << '\t' << e.Note() << '\t' << e.Class->DigestLength * 8 << '\n';
    io.out.flush();
    return kExitOk;
}

} // namespace

int ListCommand(const CommandArgs& args, CommandIO& io) {
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        io.out << kUsage
               << "\nOne line per catalogue entry, in catalogue order, fields separated by tabs. hashes: name,\n"
                  "note and digest size in bits. ciphers: name, note (\"-\" when there is none), block size\n"
                  "and maximal key size in bytes. Without an argument both lists, each under a comment line.\n";
        return kExitOk;
    }
    if (args.empty()) {
        io.out << "# hashes: name, note, digest size in bits\n";
        ListHashes(io);
        io.out << "# ciphers: name, note, block size and maximal key size in bytes\n";
        return ListCiphers(io.out);
    }
    if (args.size() == 1 && args[0] == "hashes") return ListHashes(io);
    if (args.size() == 1 && args[0] == "ciphers") return ListCiphers(io.out);
    io.err << "torvane-crypt list: "
           << "cannot list '" + args[0] + "'" << "\n"
           << kUsage;
    return kExitUsage;
}

} // namespace torvane::crypt
