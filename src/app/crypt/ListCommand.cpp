#include "Commands.h"

#include "crypto/Catalogue.h"

#include <ostream>

namespace torvane::crypt {

namespace {

constexpr char kUsage[] = "usage: torvane-crypt list hashes\n";

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
               << "\nOne line per catalogue entry, in catalogue order: name, note and digest size in bits,\n"
                  "separated by tabs.\n";
        return kExitOk;
    }
    if (args.size() == 1 && args[0] == "hashes") return ListHashes(io);
    io.err << "torvane-crypt list: "
           << (args.empty() ? "what to list is missing" : "cannot list '" + args[0] + "'") << "\n"
           << kUsage;
    return kExitUsage;
}

} // namespace torvane::crypt
