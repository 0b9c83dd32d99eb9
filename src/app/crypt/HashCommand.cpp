#include "Commands.h"

#include "crypto/Catalogue.h"
#include "crypto/hash/CRC32.h"
#include "platform/Error.h"

#include <istream>
#include <memory>
#include <optional>
#include <ostream>

namespace torvane::crypt {

namespace {

using namespace torvane::crypto;

constexpr char kUsage[] = "usage: torvane-crypt hash [--algo NAME] [--format 16|64] [FILE|-]...\n";

void PrintHelp(std::ostream& s) {
    s << kUsage
      << "\nPrints one line per input: the digest text, two blanks and the file name. Without FILE, or\n"
         "for \"-\", standard input is hashed.\n\n"
         "  --algo NAME     a hash of the catalogue, case ignored (default CRC-32);\n"
         "                  'torvane-crypt list hashes' shows the names\n"
         "  --format 16|64  hexadecimal (default) or this program's base-64 digest text\n"
         "  --help          this text\n\n"
         "A digest text lists the digest bytes in order; the checksums keep their register least\n"
         "significant byte first, so CRC-32 of \"123456789\" (CBF43926) prints as 2639F4CB.\n\n"
         "Exit status: 0 all inputs hashed, 1 some input could not be read, 2 bad usage.\n";
}

int UsageError(CommandIO& io, const std::string& message) {
    io.err << "torvane-crypt hash: " << message << "\n" << kUsage;
    return kExitUsage;
}

std::string HashStandardInput(THashClass cls, std::istream& in, std::int32_t format) {
    auto hash = cls->Create();
    hash->Start();
    char buffer[4096];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) hash->Update(buffer, in.gcount());
    if (in.bad()) throw EReadError("Read error on standard input");
    hash->Finish();
    return hash->DigestText(format);
}

} // namespace

int HashCommand(const CommandArgs& args, CommandIO& io) {
    THashClass cls = &THash_CRC32::ClassInfo;
    std::int32_t format = 16;
    std::vector<std::string> files;
    bool optionsDone = false;

    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (optionsDone || a == "-" || a.empty() || a[0] != '-') {
            files.push_back(a);
            continue;
        }
        if (a == "--") {
            optionsDone = true;
            continue;
        }
        if (a == "--help" || a == "-h") {
            PrintHelp(io.out);
            return kExitOk;
        }
        // Options take their value as the next argument or after "=".
        std::string name = a, value;
        bool hasValue = false;
        if (const auto eq = a.find('='); eq != std::string::npos) {
            name = a.substr(0, eq);
            value = a.substr(eq + 1);
            hasValue = true;
        }
        if (name != "--algo" && name != "--format") return UsageError(io, "unknown option '" + a + "'");
        if (!hasValue) {
            if (i + 1 >= args.size()) return UsageError(io, "option '" + name + "' needs a value");
            value = args[++i];
        }
        if (name == "--algo") {
            const auto* entry = HashCatalogue().FindByName(value);
            if (!entry) {
                io.err << "torvane-crypt hash: unknown hash algorithm '" << value
                       << "' (see 'torvane-crypt list hashes')\n";
                return kExitUsage;
            }
            cls = entry->Class;
        } else {
            if (value != "16" && value != "64")
                return UsageError(io, "format must be 16 or 64, not '" + value + "'");
            format = value == "16" ? 16 : 64;
        }
    }
    if (files.empty()) files.push_back("-");

    int status = kExitOk;
    for (const auto& file : files) {
        try {
            std::string text;
            if (file == "-")
                text = HashStandardInput(cls, io.in, format);
            else {
                std::vector<std::uint8_t> digest(static_cast<std::size_t>(cls->DigestLength));
                THash::HashFile(cls, digest.data(), file);
                text = DigestToText(digest.data(), cls->DigestLength, format);
            }
            io.out << text << "  " << file << "\n";
        } catch (const std::exception& e) {
            // One unreadable input does not stop the others; the exit status tells the caller.
            io.err << "torvane-crypt hash: " << e.what() << "\n";
            status = kExitFailed;
        }
    }
    io.out.flush();
    return status;
}

} // namespace torvane::crypt
