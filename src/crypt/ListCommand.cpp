// list: the algorithm catalogue, one tab-separated line per entry.

#include "Commands.h"

#include "crypto/Catalogue.h"

#include <CLI/CLI.hpp>

#include <ostream>

namespace torvane::crypt {

namespace {

class ListCommand final : public Command {
public:
    ListCommand()
        : Command(
              "list", "[hashes|ciphers]",
              "One line per catalogue entry, in catalogue order, fields separated by tabs. hashes: name,\n"
              "note and digest size in bits. ciphers: name, note (\"-\" when there is none), block size\n"
              "and maximal key size in bytes. Without an argument both lists, each under a comment line.") {
        Options().add_option("KIND", kind_);
        SetExtraArgumentHint("list shows hashes, ciphers or both");
    }

private:
    int Execute(CommandIO& io) override {
        if (!Given("KIND")) {
            io.out << "# hashes: name, note, digest size in bits\n";
            Hashes(io.out);
            io.out << "# ciphers: name, note, block size and maximal key size in bytes\n";
            Ciphers(io.out);
        } else if (kind_ == "hashes") {
            Hashes(io.out);
        } else if (kind_ == "ciphers") {
            Ciphers(io.out);
        } else {
            throw UsageError("cannot list '" + kind_ + "': list shows hashes, ciphers or both");
        }
        return kExitOk;
    }

    static void Hashes(std::ostream& out) {
        for (const auto& e : crypto::HashCatalogue().Entries())
            out << e.Name() << '\t' << e.Note() << '\t' << e.Class->DigestLength * 8 << '\n';
    }

    static void Ciphers(std::ostream& out) {
        for (const auto& e : crypto::CipherCatalogue().Entries()) {
            const auto note = e.Note();
            out << e.Name() << '\t' << (note.empty() ? "-" : note) << '\t' << e.Class->BlockSize << '\t'
                << e.Class->MaxKeySize << '\n';
        }
    }

    std::string kind_;
};

} // namespace

std::unique_ptr<Command> MakeListCommand() {
    return std::make_unique<ListCommand>();
}

} // namespace torvane::crypt
