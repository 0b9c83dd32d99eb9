// Throughput of MARS, RC2, RC4, RC5, RC6, CAST-256, Skipjack and FROG: each class codes 64 MiB in CBC,
// 4096 bytes per EncryptBuffer call (the chunk size of the stream layer), beside the same work done by
// OpenSSL (RC2; RC4 as a plain stream, it has no CBC) and Crypto++ (CAST-256, MARS, RC5, RC6, Skipjack,
// RC2). After the run a table gives each class's speed as a share of the faster library.
//
//   build/bench/cipher_c_bench [--benchmark_filter=RC6]

#include "BenchCommon.h"

#include "crypto/cipher/Cast256.h"
#include "crypto/cipher/FROG.h"
#include "crypto/cipher/Mars.h"
#include "crypto/cipher/RC2.h"
#include "crypto/cipher/RC4.h"
#include "crypto/cipher/RC5.h"
#include "crypto/cipher/RC6.h"
#include "crypto/cipher/Skipjack.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#ifdef TORVANE_HAVE_OPENSSL
#include <openssl/evp.h>
#endif
#ifdef TORVANE_HAVE_CRYPTOPP
#include <cryptopp/algparam.h>
#include <cryptopp/argnames.h>
#include <cryptopp/cast.h>
#include <cryptopp/mars.h>
#include <cryptopp/modes.h>
#include <cryptopp/rc2.h>
#include <cryptopp/rc5.h>
#include <cryptopp/rc6.h>
#include <cryptopp/skipjack.h>
#endif

namespace {

using namespace torvane::crypto;

constexpr std::size_t Chunk = 4096;
constexpr std::size_t Total = 64u << 20;

const std::uint8_t Key[32] = {0x2b, 0x7e, 0x15, 0x16, 0x28, 0xae, 0xd2, 0xa6, 0xab, 0xf7, 0x15,
                              0x88, 0x09, 0xcf, 0x4f, 0x3c, 0x76, 0x2e, 0x71, 0x60, 0xf3, 0x8b,
                              0x4b, 0xda, 0x56, 0xa1, 0x8d, 0x5a, 0xb0, 0x37, 0x61, 0x9a};
const std::uint8_t Iv[32] = {};

std::vector<std::uint8_t> Data() {
    return torvane::bench::PatternChunk(Chunk);
}

template <class Cipher> void Ours(benchmark::State& state, int keyBytes) {
    Cipher c;
    c.Mode = cmCBC;
    c.Init(Key, keyBytes, Iv);
    auto buf = Data();
    for (auto _ : state) {
        for (std::size_t done = 0; done < Total; done += Chunk)
            c.EncryptBuffer(buf.data(), buf.data(), Chunk);
        benchmark::DoNotOptimize(buf.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * Total));
}

// The bare key stream of the RC4 class: EncryptBlock over the chunk, no chaining mode around it.
void OursRc4Stream(benchmark::State& state) {
    TCipher_RC4 c;
    c.Init(Key, 16, Iv);
    auto buf = Data();
    for (auto _ : state) {
        for (std::size_t done = 0; done < Total; done += Chunk)
            for (std::size_t off = 0; off < Chunk; off += 16) c.EncryptBlock(buf.data() + off);
        benchmark::DoNotOptimize(buf.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * Total));
}

#ifdef TORVANE_HAVE_OPENSSL
void OpenSsl(benchmark::State& state, const char* name, int keyBytes) {
    torvane::bench::LoadOpenSslProviders();
    EVP_CIPHER* cipher = EVP_CIPHER_fetch(nullptr, name, nullptr);
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    if (!cipher || !ctx || !EVP_EncryptInit_ex(ctx, cipher, nullptr, nullptr, nullptr) ||
        !EVP_CIPHER_CTX_set_key_length(ctx, keyBytes) ||
        !EVP_EncryptInit_ex(ctx, nullptr, nullptr, Key, Iv)) {
        state.SkipWithError("OpenSSL cipher not available (legacy provider?)");
        EVP_CIPHER_CTX_free(ctx);
        EVP_CIPHER_free(cipher);
        return;
    }
    EVP_CIPHER_CTX_set_padding(ctx, 0);
    auto in = Data();
    std::vector<std::uint8_t> out(Chunk + 64);
    for (auto _ : state) {
        for (std::size_t done = 0; done < Total; done += Chunk) {
            int outl = 0;
            EVP_EncryptUpdate(ctx, out.data(), &outl, in.data(), static_cast<int>(Chunk));
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * Total));
    EVP_CIPHER_CTX_free(ctx);
    EVP_CIPHER_free(cipher);
}
#endif

#ifdef TORVANE_HAVE_CRYPTOPP
template <class Block> void CryptoPp(benchmark::State& state, int keyBytes, int rounds = 0) {
    typename CryptoPP::CBC_Mode<Block>::Encryption enc;
    auto params = CryptoPP::MakeParameters(CryptoPP::Name::IV(),
                                           CryptoPP::ConstByteArrayParameter(Iv, Block::BLOCKSIZE));
    if (rounds > 0)
        enc.SetKey(Key, static_cast<std::size_t>(keyBytes), params(CryptoPP::Name::Rounds(), rounds));
    else
        enc.SetKey(Key, static_cast<std::size_t>(keyBytes), params);
    auto buf = Data();
    for (auto _ : state) {
        for (std::size_t done = 0; done < Total; done += Chunk)
            enc.ProcessData(buf.data(), buf.data(), Chunk);
        benchmark::DoNotOptimize(buf.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * Total));
}
#endif

// Class name -> {ours, OpenSSL, Crypto++} benchmark names, for the ratio table.
struct Row {
    const char* Class;
    std::string Ours, OpenSsl, CryptoPp;
};
std::vector<Row>& Rows() {
    static std::vector<Row> rows;
    return rows;
}

template <class Fn> std::string Register(const std::string& name, Fn fn) {
    benchmark::RegisterBenchmark(name.c_str(), fn)->Unit(benchmark::kMillisecond)->MinTime(0.5);
    return name;
}

void RegisterAll() {
    auto ours = [](const char* cls, auto fn) { return Register(std::string(cls) + "/ours_cbc", fn); };
    std::string none;
#define OURS(Class, Name, KeyBytes) ours(Name, [](benchmark::State& s) { Ours<Class>(s, KeyBytes); })
#ifdef TORVANE_HAVE_OPENSSL
#define OSSL(Name, Evp, KeyBytes)                                                                            \
    Register(std::string(Name) + "/openssl", [](benchmark::State& s) { OpenSsl(s, Evp, KeyBytes); })
#else
#define OSSL(Name, Evp, KeyBytes) none
#endif
#ifdef TORVANE_HAVE_CRYPTOPP
#define CPP(Name, Block, KeyBytes, Rounds)                                                                   \
    Register(std::string(Name) + "/cryptopp_cbc",                                                            \
             [](benchmark::State& s) { CryptoPp<Block>(s, KeyBytes, Rounds); })
#else
#define CPP(Name, Block, KeyBytes, Rounds) none
#endif
    auto& rows = Rows();
    rows.push_back(
        {"TCipher_Mars", OURS(TCipher_Mars, "Mars", 16), none, CPP("Mars", CryptoPP::MARS, 16, 0)});
    rows.push_back({"TCipher_RC2", OURS(TCipher_RC2, "RC2", 16), OSSL("RC2", "RC2-CBC", 16),
                    CPP("RC2", CryptoPP::RC2, 16, 0)});
    // RC4 has no CBC: OpenSSL's figure is the bare stream, ours is the class in CBC as the program uses it.
    const std::string rc4Stream = OSSL("RC4", "RC4", 16);
    rows.push_back({"TCipher_RC4", OURS(TCipher_RC4, "RC4", 16), rc4Stream, none});
    rows.push_back({"TCipher_RC4 stream", Register("RC4/ours_stream", OursRc4Stream), rc4Stream, none});
    rows.push_back({"TCipher_RC5", OURS(TCipher_RC5, "RC5", 16), none, CPP("RC5", CryptoPP::RC5, 16, 12)});
    rows.push_back({"TCipher_RC6", OURS(TCipher_RC6, "RC6", 16), none, CPP("RC6", CryptoPP::RC6, 16, 0)});
    rows.push_back({"TCipher_Cast256", OURS(TCipher_Cast256, "Cast256", 32), none,
                    CPP("Cast256", CryptoPP::CAST256, 32, 0)});
    rows.push_back({"TCipher_Skipjack", OURS(TCipher_Skipjack, "Skipjack", 10), none,
                    CPP("Skipjack", CryptoPP::SKIPJACK, 10, 0)});
    rows.push_back({"TCipher_FROG", OURS(TCipher_FROG, "FROG", 16), none, none});
#undef OURS
#undef OSSL
#undef CPP
}

class Collector : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> BytesPerSecond;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& r : runs) {
            if (r.error_occurred || r.run_type != Run::RT_Iteration) continue;
            auto it = r.counters.find("bytes_per_second");
            if (it != r.counters.end()) BytesPerSecond[r.run_name.function_name] = it->second.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

int main(int argc, char** argv) {
    RegisterAll();
    benchmark::Initialize(&argc, argv);
    Collector reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n%-18s %10s %10s %10s %8s\n", "class", "ours MiB/s", "OpenSSL", "Crypto++", "ratio");
    auto mbps = [&](const std::string& name) {
        auto it = reporter.BytesPerSecond.find(name);
        return it == reporter.BytesPerSecond.end() ? 0.0 : it->second / 1048576.0;
    };
    for (const auto& row : Rows()) {
        const double o = mbps(row.Ours), s = mbps(row.OpenSsl), c = mbps(row.CryptoPp);
        if (o == 0) continue;
        const double best = std::max(s, c);
        if (best > 0)
            std::printf("%-18s %10.1f %10.1f %10.1f %8.2f\n", row.Class, o, s, c, o / best);
        else
            std::printf("%-18s %10.1f %10s %10s %8s\n", row.Class, o, "-", "-", "-");
    }
    benchmark::Shutdown();
}
