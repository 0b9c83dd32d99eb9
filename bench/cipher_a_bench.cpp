// Throughput of Blowfish, CAST-128, IDEA, MISTY1, Rijndael, TEA, XTEA and Twofish in CBC over 64 MiB in
// 4096-byte chunks through EncryptBuffer, beside the same work done by OpenSSL and Crypto++, with the
// ratio ours / faster of the two printed at the end.
//
//   cipher_a_bench [benchmark options]   the measurements
//   cipher_a_bench --check               agreement with OpenSSL (EVP and `openssl enc -nopad`) and Crypto++
//
// OpenSSL uses AES-NI where the processor has it. OPENSSL_ia32cap="~0x200000000000000" clears bit 57
// (AES-NI) and "~0x200020000000000" also bit 41 (SSSE3, which its vector-permute AES needs), leaving the
// table code; see OpenSSL's OPENSSL_ia32cap(3).

#include "BenchCommon.h"

#include "crypto/common/Hex.h"

#include "crypto/cipher/Blowfish.h"
#include "crypto/cipher/Cast128.h"
#include "crypto/cipher/IDEA.h"
#include "crypto/cipher/Misty.h"
#include "crypto/cipher/Rijndael.h"
#include "crypto/cipher/TEA.h"
#include "crypto/cipher/Twofish.h"

#include <benchmark/benchmark.h>

#if TORVANE_HAVE_OPENSSL
#include <openssl/evp.h>
#endif
#if TORVANE_HAVE_CRYPTOPP
#include <cryptopp/aes.h>
#include <cryptopp/blowfish.h>
#include <cryptopp/cast.h>
#include <cryptopp/idea.h>
#include <cryptopp/modes.h>
#include <cryptopp/tea.h>
#include <cryptopp/twofish.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace torvane::bench;
using namespace torvane::crypto;

namespace {

constexpr std::size_t Total = 64u << 20;
constexpr std::size_t Chunk = 4096;
constexpr int KeyBytes = 16; // 128-bit keys everywhere, so all three libraries do the same work

std::vector<std::uint8_t> RandomBytes(std::size_t n, std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<std::uint8_t> v(n);
    for (auto& b : v) b = static_cast<std::uint8_t>(rng());
    return v;
}

const std::vector<std::uint8_t>& Source() {
    static const auto data = RandomBytes(Total, 1);
    return data;
}

// One benchmark iteration codes the next 4096 bytes of the 64 MiB source; 16384 iterations cover it.
template <typename Code> void RunChunks(benchmark::State& state, Code&& code) {
    const auto& src = Source();
    std::vector<std::uint8_t> out(Chunk);
    std::size_t pos = 0;
    for (auto _ : state) {
        code(src.data() + pos, out.data(), Chunk);
        benchmark::DoNotOptimize(out.data());
        pos = (pos + Chunk) % Total;
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(Chunk));
}

void Ours(benchmark::State& state, TCipherClass cls) {
    const auto key = RandomBytes(KeyBytes, 2);
    const auto iv = RandomBytes(static_cast<std::size_t>(cls->BlockSize), 3);
    auto c = cls->Create();
    c->Mode = cmCBC;
    c->Init(key.data(), KeyBytes, iv.data());
    RunChunks(state, [&](const std::uint8_t* in, std::uint8_t* out, std::size_t n) {
        c->EncryptBuffer(in, out, static_cast<std::int64_t>(n));
    });
}

#if TORVANE_HAVE_OPENSSL
bool EvpAvailable(const char* name) {
    LoadOpenSslProviders();
    EVP_CIPHER* c = EVP_CIPHER_fetch(nullptr, name, nullptr);
    EVP_CIPHER_free(c);
    return c != nullptr;
}

struct EvpCtx {
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    EVP_CIPHER* cipher = nullptr;
    ~EvpCtx() {
        EVP_CIPHER_CTX_free(ctx);
        EVP_CIPHER_free(cipher);
    }
    bool Init(const char* name, const std::uint8_t* key, int keyLen, const std::uint8_t* iv) {
        LoadOpenSslProviders();
        cipher = EVP_CIPHER_fetch(nullptr, name, nullptr);
        if (!cipher) return false;
        if (!EVP_EncryptInit_ex(ctx, cipher, nullptr, nullptr, nullptr)) return false;
        if (keyLen != EVP_CIPHER_get_key_length(cipher) && !EVP_CIPHER_CTX_set_key_length(ctx, keyLen))
            return false;
        if (!EVP_EncryptInit_ex(ctx, nullptr, nullptr, key, iv)) return false;
        EVP_CIPHER_CTX_set_padding(ctx, 0);
        return true;
    }
    void Update(const std::uint8_t* in, std::uint8_t* out, std::size_t n) {
        int len = 0;
        EVP_EncryptUpdate(ctx, out, &len, in, static_cast<int>(n));
    }
};

void OpenSSL(benchmark::State& state, const char* name, int blockSize) {
    const auto key = RandomBytes(KeyBytes, 2);
    const auto iv = RandomBytes(static_cast<std::size_t>(blockSize), 3);
    EvpCtx e;
    if (!e.Init(name, key.data(), KeyBytes, iv.data())) {
        state.SkipWithError("not in this OpenSSL build");
        return;
    }
    RunChunks(state, [&](const std::uint8_t* in, std::uint8_t* out, std::size_t n) { e.Update(in, out, n); });
}
#endif

#if TORVANE_HAVE_CRYPTOPP
template <typename Cipher> void CryptoPP(benchmark::State& state) {
    const auto key = RandomBytes(KeyBytes, 2);
    const auto iv = RandomBytes(Cipher::BLOCKSIZE, 3);
    typename ::CryptoPP::CBC_Mode<Cipher>::Encryption enc;
    enc.SetKeyWithIV(key.data(), KeyBytes, iv.data());
    RunChunks(state,
              [&](const std::uint8_t* in, std::uint8_t* out, std::size_t n) { enc.ProcessData(out, in, n); });
}
#endif

constexpr std::int64_t Iterations = Total / Chunk;

void Register(const std::string& name, std::function<void(benchmark::State&)> fn) {
    benchmark::RegisterBenchmark(name.c_str(), [fn](benchmark::State& s) { fn(s); })
        ->Iterations(Iterations)
        ->Repetitions(5)
        ->ComputeStatistics(
            "min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); })
        ->ReportAggregatesOnly(true)
        ->Unit(benchmark::kMillisecond);
}

void RegisterAll() {
    const std::pair<const char*, TCipherClass> ours[] = {
        {"Blowfish", &TCipher_Blowfish::ClassInfo}, {"CAST-128", &TCipher_Cast128::ClassInfo},
        {"IDEA", &TCipher_IDEA::ClassInfo},         {"MISTY1", &TCipher_Misty::ClassInfo},
        {"AES-128", &TCipher_Rijndael::ClassInfo},  {"TEA", &TCipher_TEA::ClassInfo},
        {"XTEA", &TCipher_TEAN::ClassInfo},         {"Twofish", &TCipher_Twofish::ClassInfo}};
    for (const auto& [name, cls] : ours) {
        Register(std::string("CBC/") + name + "/ours", [cls](benchmark::State& s) { Ours(s, cls); });
#if TORVANE_HAVE_OPENSSL
        const std::map<std::string, std::pair<const char*, int>> evp = {{"Blowfish", {"BF-CBC", 8}},
                                                                        {"CAST-128", {"CAST5-CBC", 8}},
                                                                        {"IDEA", {"IDEA-CBC", 8}},
                                                                        {"AES-128", {"AES-128-CBC", 16}}};
        if (auto it = evp.find(name); it != evp.end() && EvpAvailable(it->second.first)) {
            const auto [evpName, block] = it->second;
            Register(std::string("CBC/") + name + "/openssl",
                     [evpName, block](benchmark::State& s) { OpenSSL(s, evpName, block); });
        }
#endif
#if TORVANE_HAVE_CRYPTOPP
        const std::map<std::string, std::function<void(benchmark::State&)>> cpp = {
            {"Blowfish", CryptoPP<::CryptoPP::Blowfish>}, {"CAST-128", CryptoPP<::CryptoPP::CAST128>},
            {"IDEA", CryptoPP<::CryptoPP::IDEA>},         {"AES-128", CryptoPP<::CryptoPP::AES>},
            {"TEA", CryptoPP<::CryptoPP::TEA>},           {"XTEA", CryptoPP<::CryptoPP::XTEA>},
            {"Twofish", CryptoPP<::CryptoPP::Twofish>}};
        if (auto it = cpp.find(name); it != cpp.end())
            Register(std::string("CBC/") + name + "/cryptopp", it->second);
#endif
    }
}

// Collects, for the ratio table, the best of the repetitions: the least processor time for one 4096-byte
// chunk, which is the figure least disturbed by other work on a shared machine.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, std::map<std::string, double>> Rates; // algorithm -> library -> MB/s
    std::vector<std::string> Order;

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const auto& r : runs) {
            if (r.aggregate_name != "min") continue;
            const std::string name = r.run_name.function_name; // CBC/<algorithm>/<library>
            const auto a = name.find('/'), b = name.rfind('/');
            const std::string alg = name.substr(a + 1, b - a - 1), lib = name.substr(b + 1);
            if (!Rates.count(alg)) Order.push_back(alg);
            const double seconds = r.GetAdjustedCPUTime() / 1e3; // the unit is milliseconds
            if (seconds > 0) Rates[alg][lib] = static_cast<double>(Chunk) / seconds / 1e6;
        }
    }

    void PrintRatios() const {
        std::printf("\n%-10s %10s %10s %10s %8s\n", "CBC", "ours MB/s", "OpenSSL", "Crypto++", "ratio");
        for (const auto& alg : Order) {
            const auto& m = Rates.at(alg);
            const auto get = [&](const char* lib) { return m.count(lib) ? m.at(lib) : 0.0; };
            const double ours = get("ours"), ossl = get("openssl"), cpp = get("cryptopp");
            const double best = std::max(ossl, cpp);
            std::printf(
                "%-10s %10.1f %10s %10s %8s\n", alg.c_str(), ours,
                ossl > 0 ? std::to_string(ossl).substr(0, std::to_string(ossl).find('.') + 2).c_str() : "-",
                cpp > 0 ? std::to_string(cpp).substr(0, std::to_string(cpp).find('.') + 2).c_str() : "-",
                best > 0 ? std::to_string(ours / best).substr(0, 4).c_str() : "-");
        }
    }
};

// ---- agreement checks -------------------------------------------------------------------------------

int failures = 0;

void Report(const std::string& what, bool ok) {
    std::printf("%-60s %s\n", what.c_str(), ok ? "agree" : "DIFFER");
    if (!ok) ++failures;
}

void NotAvailable(const std::string& what) {
    std::printf("%-60s %s\n", what.c_str(), "not in this build");
}

std::vector<std::uint8_t> OursEcb(TCipherClass cls, const std::vector<std::uint8_t>& key,
                                  std::vector<std::uint8_t> data) {
    auto c = cls->Create();
    c->Init(key.data(), static_cast<std::int32_t>(key.size()), nullptr);
    for (std::size_t off = 0; off < data.size(); off += static_cast<std::size_t>(cls->BlockSize))
        c->EncryptBlock(data.data() + off);
    return data;
}

#if TORVANE_HAVE_CRYPTOPP
template <typename Cipher>
void CheckCryptoPP(const char* name, TCipherClass cls, std::initializer_list<int> keyLengths) {
    for (int len : keyLengths) {
        bool ok = true;
        for (std::uint32_t seed = 0; seed < 50 && ok; ++seed) {
            const auto key = RandomBytes(static_cast<std::size_t>(len), 100 + seed);
            const auto data = RandomBytes(static_cast<std::size_t>(cls->BlockSize) * 16, 200 + seed);
            std::vector<std::uint8_t> theirs(data.size());
            typename ::CryptoPP::ECB_Mode<Cipher>::Encryption enc(key.data(), static_cast<std::size_t>(len));
            enc.ProcessData(theirs.data(), data.data(), data.size());
            ok = OursEcb(cls, key, data) == theirs;
        }
        Report(std::string("Crypto++ ") + name + " ECB, " + std::to_string(len) + "-byte keys", ok);
    }
}
#endif

#if TORVANE_HAVE_OPENSSL
void CheckEvp(const char* evpName, TCipherClass cls, std::initializer_list<int> keyLengths) {
    if (!EvpAvailable(evpName)) return NotAvailable(std::string("OpenSSL EVP ") + evpName);
    for (int len : keyLengths) {
        bool ok = true;
        for (std::uint32_t seed = 0; seed < 50 && ok; ++seed) {
            const auto key = RandomBytes(static_cast<std::size_t>(len), 300 + seed);
            const auto data = RandomBytes(static_cast<std::size_t>(cls->BlockSize) * 16, 400 + seed);
            std::vector<std::uint8_t> theirs(data.size());
            EvpCtx e;
            ok = e.Init(evpName, key.data(), len, nullptr);
            if (ok) {
                e.Update(data.data(), theirs.data(), data.size());
                ok = OursEcb(cls, key, data) == theirs;
            }
        }
        Report(std::string("OpenSSL EVP ") + evpName + ", " + std::to_string(len) + "-byte keys", ok);
    }
}

// Our CBC over a random file of a few MiB against `openssl enc -nopad` with the same key and vector.
void CheckOpensslEnc(const char* encName, const char* evpName, bool legacy, TCipherClass cls, int keyLen) {
    if (!EvpAvailable(evpName)) return NotAvailable(std::string("openssl enc -") + encName);
    namespace fs = std::filesystem;
    const auto dir = fs::temp_directory_path() / ("cipher_a_check_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::size_t size = 3u << 20; // a multiple of every block size
    const auto plain = RandomBytes(size, 500);
    const auto key = RandomBytes(static_cast<std::size_t>(keyLen), 501);
    const auto iv = RandomBytes(static_cast<std::size_t>(cls->BlockSize), 502);
    const auto in = dir / "plain.bin", out = dir / "openssl.bin";
    std::ofstream(in, std::ios::binary)
        .write(reinterpret_cast<const char*>(plain.data()), static_cast<std::streamsize>(plain.size()));

    auto c = cls->Create();
    c->Mode = cmCBC;
    c->Init(key.data(), keyLen, iv.data());
    std::vector<std::uint8_t> ours(size);
    for (std::size_t off = 0; off < size; off += Chunk)
        c->EncryptBuffer(plain.data() + off, ours.data() + off, static_cast<std::int64_t>(Chunk));

    const std::string cmd =
        std::string("openssl enc -") + encName + (legacy ? " -provider legacy -provider default" : "") +
        " -nopad -K " + torvane::crypto::common::HexText(key) + " -iv " +
        torvane::crypto::common::HexText(iv) + " -in " + in.string() + " -out " + out.string() + " 2>&1";
    const int rc = std::system(cmd.c_str());
    std::vector<std::uint8_t> theirs(size);
    std::ifstream(out, std::ios::binary)
        .read(reinterpret_cast<char*>(theirs.data()), static_cast<std::streamsize>(size));
    fs::remove_all(dir);
    Report(std::string("openssl enc -") + encName + " -nopad, 3 MiB file", rc == 0 && ours == theirs);
}
#endif

int RunChecks() {
#if TORVANE_HAVE_CRYPTOPP
    CheckCryptoPP<::CryptoPP::Blowfish>("Blowfish", &TCipher_Blowfish::ClassInfo, {4, 5, 8, 13, 16, 24, 56});
    CheckCryptoPP<::CryptoPP::CAST128>("CAST-128", &TCipher_Cast128::ClassInfo, {5, 8, 10, 11, 16});
    CheckCryptoPP<::CryptoPP::IDEA>("IDEA", &TCipher_IDEA::ClassInfo, {16});
    {
        // Subkeys of zero stand for 2^16 in IDEA's multiplication: keys full of zero bytes exercise them.
        bool ok = true;
        for (std::uint32_t seed = 0; seed < 50 && ok; ++seed) {
            auto key = RandomBytes(16, 600 + seed);
            for (std::size_t i = 0; i < 16; ++i)
                if ((seed >> (i % 5)) & 1) key[i] = 0;
            const auto data = RandomBytes(8 * 16, 700 + seed);
            std::vector<std::uint8_t> theirs(data.size());
            ::CryptoPP::ECB_Mode<::CryptoPP::IDEA>::Encryption enc(key.data(), 16);
            enc.ProcessData(theirs.data(), data.data(), data.size());
            ok = OursEcb(&TCipher_IDEA::ClassInfo, key, data) == theirs;
        }
        Report("Crypto++ IDEA ECB, keys with zero words", ok);
    }
    CheckCryptoPP<::CryptoPP::Twofish>("Twofish", &TCipher_Twofish::ClassInfo, {16, 24, 32});
    CheckCryptoPP<::CryptoPP::TEA>("TEA", &TCipher_TEA::ClassInfo, {16});
    CheckCryptoPP<::CryptoPP::XTEA>("XTEA", &TCipher_TEAN::ClassInfo, {16});
    CheckCryptoPP<::CryptoPP::AES>("AES", &TCipher_Rijndael::ClassInfo, {16, 24, 32});
#endif
#if TORVANE_HAVE_OPENSSL
    CheckEvp("BF-ECB", &TCipher_Blowfish::ClassInfo, {1, 7, 16, 33, 56});
    CheckEvp("CAST5-ECB", &TCipher_Cast128::ClassInfo, {5, 10, 11, 16});
    CheckEvp("IDEA-ECB", &TCipher_IDEA::ClassInfo, {16});
    CheckEvp("AES-128-ECB", &TCipher_Rijndael::ClassInfo, {16});
    CheckEvp("AES-192-ECB", &TCipher_Rijndael::ClassInfo, {24});
    CheckEvp("AES-256-ECB", &TCipher_Rijndael::ClassInfo, {32});
    CheckOpensslEnc("bf-cbc", "BF-CBC", true, &TCipher_Blowfish::ClassInfo, 16);
    CheckOpensslEnc("cast5-cbc", "CAST5-CBC", true, &TCipher_Cast128::ClassInfo, 16);
    CheckOpensslEnc("idea-cbc", "IDEA-CBC", true, &TCipher_IDEA::ClassInfo, 16);
    CheckOpensslEnc("aes-128-cbc", "AES-128-CBC", false, &TCipher_Rijndael::ClassInfo, 16);
#endif
    std::printf("%s\n", failures ? "SOME CHECKS DIFFER" : "all checks agree");
    return failures ? 1 : 0;
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--check") == 0) return RunChecks();
    benchmark::Initialize(&argc, argv);
    RegisterAll();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
