#include "Commands.h"

#include "crypto/Catalogue.h"
#include "crypto/cipher/CipherClasses.h"

#include <chrono>
#include <cstdio>
#include <ostream>
#include <random>
#include <vector>

namespace torvane::crypt {

namespace {

constexpr char kUsage[] = "usage: torvane-crypt bench [--algo NAME] [--mode cts|cbc|cfb|ofb|ecb] [--mib N]\n";

const char* const kModeNames[] = {"cts", "cbc", "cfb", "ofb", "ecb"};

bool ParseMode(const std::string& s, crypto::TCipherMode& mode) {
    for (int i = 0; i < 5; ++i)
        if (s == kModeNames[i]) {
            mode = static_cast<crypto::TCipherMode>(i);
            return true;
        }
    return false;
}

// MiB per second of coding `mib` MiB in 4096-byte chunks, the way files are coded.
double Measure(crypto::TCipher& c, int mib, bool encrypt) {
    std::vector<std::uint8_t> chunk(4096);
    std::mt19937 rng(1);
    for (auto& b : chunk) b = static_cast<std::uint8_t>(rng());
    const long chunks = static_cast<long>(mib) * 256;
    const auto start = std::chrono::steady_clock::now();
    for (long i = 0; i < chunks; ++i) {
        if (encrypt)
            c.EncryptBuffer(chunk.data(), chunk.data(), 4096);
        else
            c.DecryptBuffer(chunk.data(), chunk.data(), 4096);
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    return took.count() > 0 ? mib / took.count() : 0.0;
}

} // namespace

int BenchCommand(const CommandArgs& args, CommandIO& io) {
    std::string algo;
    crypto::TCipherMode mode = crypto::cmCTS;
    int mib = 16;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const auto& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--help" || a == "-h") {
            io.out << kUsage
                   << "\nMeasures how fast each cipher of the catalogue (or the one named) encrypts and\n"
                      "decrypts memory in 4096-byte chunks, in the given chaining mode (default cts) over N "
                      "MiB\n"
                      "(default 16).\n";
            return kExitOk;
        } else if (a == "--algo" && hasValue) {
            algo = args[++i];
        } else if (a == "--mode" && hasValue) {
            if (!ParseMode(args[++i], mode)) {
                io.err << "torvane-crypt bench: unknown mode '" << args[i] << "'\n" << kUsage;
                return kExitUsage;
            }
        } else if (a == "--mib" && hasValue) {
            const auto& v = args[++i];
            char* end = nullptr;
            const long n = std::strtol(v.c_str(), &end, 10);
            if (v.empty() || *end != '\0' || n < 1 || n > 65536) {
                io.err << "torvane-crypt bench: --mib takes a whole number from 1 to 65536\n";
                return kExitUsage;
            }
            mib = static_cast<int>(n);
        } else {
            io.err << "torvane-crypt bench: unexpected argument '" << a << "'\n" << kUsage;
            return kExitUsage;
        }
    }

    std::vector<const crypto::TCatalogueEntry<crypto::TCipherClass>*> entries;
    if (!algo.empty()) {
        const auto* e = crypto::CipherCatalogue().FindByName(algo);
        if (!e) {
            io.err << "torvane-crypt bench: no cipher is called '" << algo
                   << "' (see 'torvane-crypt list ciphers')\n";
            return kExitUsage;
        }
        entries.push_back(e);
    } else {
        for (const auto& e : crypto::CipherCatalogue().Entries()) entries.push_back(&e);
    }

    char line[160];
    std::snprintf(line, sizeof line, "# %-20s %5s %7s %16s %16s\n", "Algorithm", "Mode", "Key", "Encryption",
                  "Decryption");
    io.out << line;
    std::vector<std::uint8_t> key(256, 0x5A);
    for (const auto* e : entries) {
        auto c = e->Class->Create();
        c->Mode = mode;
        c->Init(key.data(), e->Class->MaxKeySize, nullptr);
        const double enc = Measure(*c, mib, true);
        c->Rewind();
        const double dec = Measure(*c, mib, false);
        std::snprintf(line, sizeof line, "  %-20s %5s %4db %10.1f MiB/s %10.1f MiB/s\n", e->Name().c_str(),
                      kModeNames[mode], e->Class->MaxKeySize * 8, enc, dec);
        io.out << line;
        io.out.flush();
    }
    return kExitOk;
}

} // namespace torvane::crypt
