// bench: how fast each cipher codes memory, in the manner of cryptsetup benchmark.

#include "Commands.h"

#include "crypto/Catalogue.h"

#include <CLI/CLI.hpp>

#include <chrono>
#include <cstdio>
#include <ostream>
#include <random>
#include <vector>

namespace torvane::crypt {

namespace {

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

class BenchCommand final : public Command {
public:
    BenchCommand()
        : Command("bench", "[--algo NAME] [--mode cts|cbc|cfb|ofb|ecb] [--mib N]",
                  "Measures how fast each cipher of the catalogue (or the one named) encrypts and decrypts\n"
                  "memory in 4096-byte chunks, keyed with its maximal key size.") {
        Options()
            .add_option("--algo", algo_, "a cipher of the catalogue, case ignored (default: all)")
            ->type_name("NAME");
        Options().add_option("--mode", mode_, "chaining mode (default cts)")->type_name("MODE");
        Options().add_option("--mib", mib_, "MiB coded each way (1 to 65536, default 16)")->type_name("N");
    }

private:
    int Execute(CommandIO& io) override {
        const auto mode = Given("--mode") ? ModeNamed(mode_) : crypto::cmCTS;
        char* end = nullptr;
        const long mib = std::strtol(mib_.c_str(), &end, 10);
        if (mib_.empty() || *end != '\0' || mib < 1 || mib > 65536)
            throw UsageError("--mib takes a whole number from 1 to 65536");
        std::vector<const crypto::TCatalogueEntry<crypto::TCipherClass>*> entries;
        if (Given("--algo"))
            entries.push_back(crypto::CipherCatalogue().FindByClass(CipherNamed(algo_)));
        else
            for (const auto& e : crypto::CipherCatalogue().Entries()) entries.push_back(&e);

        char line[160];
        std::snprintf(line, sizeof line, "# %-20s %5s %7s %16s %16s\n", "Algorithm", "Mode", "Key",
                      "Encryption", "Decryption");
        io.out << line;
        std::vector<std::uint8_t> key(256, 0x5A);
        for (const auto* e : entries) {
            auto c = e->Class->Create();
            c->Mode = mode;
            c->Init(key.data(), e->Class->MaxKeySize, nullptr);
            const double enc = Measure(*c, static_cast<int>(mib), true);
            c->Rewind();
            const double dec = Measure(*c, static_cast<int>(mib), false);
            std::snprintf(line, sizeof line, "  %-20s %5s %4db %10.1f MiB/s %10.1f MiB/s\n",
                          e->Name().c_str(), ModeName(mode), e->Class->MaxKeySize * 8, enc, dec);
            io.out << line << std::flush;
            // A line that cannot be shown ends the run: the rest would be measured for nobody.
            if (!io.out) break;
        }
        return kExitOk;
    }

    std::string algo_, mode_, mib_ = "16";
};

} // namespace

std::unique_ptr<Command> MakeBenchCommand() {
    return std::make_unique<BenchCommand>();
}

} // namespace torvane::crypt
