// Throughput of every cipher class of the registration table, in CBC and CTS, over 64 MiB coded in
// 4096-byte chunks (one EncryptBuffer call per chunk, as the streams code them), beside the same work
// through OpenSSL and Crypto++ where they have the algorithm, and RC4's bare key stream beside OpenSSL's.
// Every figure is the best of three runs in processor time of this thread, so that other work on a shared
// machine disturbs it as little as possible. The summary gives MB/s (10^6 bytes), the ratio of our CBC to
// the faster reference and whose CBC output ours equals on one chunk.
//
//   build/bench/cipher_bench [--benchmark_filter=DES]
//   build/bench/cipher_bench --check      agreement with Crypto++ and OpenSSL (ECB over several key
//                                         lengths, and `openssl enc -nopad` over a 3 MiB file)
//   OPENSSL_ia32cap="~0x200000000000000" build/bench/cipher_bench   OpenSSL without AES-NI (bit 57)
//   OPENSSL_ia32cap="~0x200020000000000" build/bench/cipher_bench   ... and without SSSE3 (bit 41)

#include "BenchCommon.h"

#include "crypto/cipher/CipherClasses.h"
#include "crypto/cipher/DES.h"
#include "crypto/cipher/RC4.h"
#include "crypto/common/Hex.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#ifdef TORVANE_HAVE_OPENSSL
#include <openssl/evp.h>
#endif

#ifdef TORVANE_HAVE_CRYPTOPP
#define CRYPTOPP_ENABLE_NAMESPACE_WEAK 1
#include <cryptopp/3way.h>
#include <cryptopp/aes.h>
#include <cryptopp/algparam.h>
#include <cryptopp/arc4.h>
#include <cryptopp/argnames.h>
#include <cryptopp/blowfish.h>
#include <cryptopp/cast.h>
#include <cryptopp/des.h>
#include <cryptopp/gost.h>
#include <cryptopp/idea.h>
#include <cryptopp/mars.h>
#include <cryptopp/modes.h>
#include <cryptopp/rc2.h>
#include <cryptopp/rc5.h>
#include <cryptopp/rc6.h>
#include <cryptopp/safer.h>
#include <cryptopp/shark.h>
#include <cryptopp/skipjack.h>
#include <cryptopp/square.h>
#include <cryptopp/tea.h>
#include <cryptopp/twofish.h>
#endif

using namespace torvane::crypto;
using Bytes = std::vector<std::uint8_t>;

namespace {

constexpr std::size_t kChunk = 4096;
constexpr std::size_t kTotal = std::size_t{64} << 20;
constexpr int kRepetitions = 3;

Bytes Pattern(std::size_t n, unsigned seed) {
    Bytes v(n);
    for (auto& b : v) b = static_cast<std::uint8_t>(seed = seed * 1103515245u + 12345u);
    return v;
}

// ---- References ------------------------------------------------------------------------------------------

// Codes n bytes from in to out, chaining across calls.
using CodeFn = std::function<void(const std::uint8_t* in, std::uint8_t* out, std::size_t n)>;
// Makes a coder from a key and a vector (ignored in ECB); ecb selects ECB over CBC.
using Factory =
    std::function<CodeFn(const std::uint8_t* key, int keyLength, const std::uint8_t* iv, bool ecb)>;

// The key length used on both sides (ours too, so that key-dependent round counts match), the references'
// own where their key layout differs (DESX takes its post-whitening key explicitly there), their names,
// and the key lengths the agreement check tries.
struct Reference {
    int KeyLength;
    int TheirKeyLength;
    const char* OpenSsl; // CBC cipher name; its ECB twin ends in "-ECB" instead
    Factory CryptoPP;
    const char* CryptoPPName;
    std::vector<int> CheckKeyLengths;
};

#ifdef TORVANE_HAVE_CRYPTOPP
// rounds 0: the library's default round count.
template <class Cipher> Factory CryptoPPBlock(int rounds = 0) {
    return [rounds](const std::uint8_t* key, int keyLength, const std::uint8_t* iv, bool ecb) -> CodeFn {
        const auto length = static_cast<std::size_t>(keyLength);
        std::shared_ptr<CryptoPP::SymmetricCipher> c;
        if (ecb) {
            c = std::make_shared<typename CryptoPP::ECB_Mode<Cipher>::Encryption>();
            if (rounds > 0)
                c->SetKey(key, length, CryptoPP::MakeParameters(CryptoPP::Name::Rounds(), rounds));
            else
                c->SetKey(key, length);
        } else {
            c = std::make_shared<typename CryptoPP::CBC_Mode<Cipher>::Encryption>();
            auto params = CryptoPP::MakeParameters(CryptoPP::Name::IV(),
                                                   CryptoPP::ConstByteArrayParameter(iv, Cipher::BLOCKSIZE));
            if (rounds > 0)
                c->SetKey(key, length, params(CryptoPP::Name::Rounds(), rounds));
            else
                c->SetKey(key, length, params);
        }
        return [c](const std::uint8_t* in, std::uint8_t* out, std::size_t n) { c->ProcessData(out, in, n); };
    };
}
#define CPP(Cipher, ...) CryptoPPBlock<CryptoPP::Cipher>(__VA_ARGS__), #Cipher
#else
#define CPP(Cipher, ...) nullptr, nullptr
#endif

const std::map<std::string, Reference>& References() {
    static const std::map<std::string, Reference> refs = {
        {"TCipher_1DES", {8, 8, "DES-CBC", CPP(DES), {8}}},
        {"TCipher_2DES", {16, 16, "DES-EDE-CBC", CPP(DES_EDE2), {16}}},
        {"TCipher_3DES", {24, 24, "DES-EDE3-CBC", CPP(DES_EDE3), {24}}},
        {"TCipher_DESX", {16, 24, "DESX-CBC", CPP(DES_XEX3), {}}},
        {"TCipher_Blowfish", {16, 16, "BF-CBC", CPP(Blowfish), {4, 5, 8, 13, 16, 24, 56}}},
        {"TCipher_Cast128", {16, 16, "CAST5-CBC", CPP(CAST128), {5, 8, 10, 11, 16}}},
        {"TCipher_Rijndael", {16, 16, "AES-128-CBC", CPP(AES), {16, 24, 32}}},
        {"TCipher_IDEA", {16, 16, "IDEA-CBC", CPP(IDEA), {16}}},
        {"TCipher_RC2", {16, 16, "RC2-CBC", CPP(RC2), {}}},
        {"TCipher_RC5", {16, 16, "RC5-CBC", CPP(RC5, 12), {1, 5, 7, 16, 33}}},
        {"TCipher_RC6", {16, 16, nullptr, CPP(RC6), {16, 24, 32}}},
        {"TCipher_Twofish", {16, 16, nullptr, CPP(Twofish), {16, 24, 32}}},
        {"TCipher_Square", {16, 16, nullptr, CPP(Square), {16}}},
        {"TCipher_Shark", {16, 16, nullptr, CPP(SHARK), {16}}},
        {"TCipher_SAFER_K64", {8, 8, nullptr, CPP(SAFER_K, 6), {8}}},
        {"TCipher_SAFER_SK64", {8, 8, nullptr, CPP(SAFER_SK, 8), {8}}},
        {"TCipher_SAFER_K128", {16, 16, nullptr, CPP(SAFER_K, 10), {}}},
        {"TCipher_SAFER_SK128", {16, 16, nullptr, CPP(SAFER_SK, 10), {16}}},
        {"TCipher_TEA", {16, 16, nullptr, CPP(TEA), {16}}},
        {"TCipher_TEAN", {16, 16, nullptr, CPP(XTEA), {16}}},
        {"TCipher_Skipjack", {10, 10, nullptr, CPP(SKIPJACK), {}}},
        {"TCipher_Gost", {32, 32, nullptr, CPP(GOST), {}}},
        {"TCipher_3Way", {12, 12, nullptr, CPP(ThreeWay), {}}},
        {"TCipher_Cast256", {32, 32, nullptr, CPP(CAST256), {16, 24, 32}}},
        {"TCipher_Mars", {16, 16, nullptr, CPP(MARS), {16, 24, 32}}},
        // RC4 has no CBC: OpenSSL's figure is the bare stream, set beside ours in the summary's last row.
        {"TCipher_RC4", {16, 16, "RC4", nullptr, nullptr, {}}},
    };
    return refs;
}

int KeyLengthFor(TCipherClass cls) {
    const auto it = References().find(cls->ClassName);
    return it != References().end() ? std::min(it->second.KeyLength, cls->MaxKeySize) : cls->MaxKeySize;
}

// The references' key for ours: DESX takes its post-whitening key explicitly there.
Bytes TheirKey(const std::string& className, const Bytes& ours, int theirLength) {
    Bytes k = ours;
    if (className == "TCipher_DESX" && theirLength == 24) {
        k.resize(24);
        TCipher_DESX::PostWhitening(k.data(), k.data() + 8, k.data() + 16);
    }
    k.resize(static_cast<std::size_t>(theirLength));
    return k;
}

#ifdef TORVANE_HAVE_OPENSSL
struct EvpCoder {
    EVP_CIPHER* cipher = nullptr;
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    ~EvpCoder() {
        EVP_CIPHER_CTX_free(ctx);
        EVP_CIPHER_free(cipher);
    }
    bool Init(const char* name, const std::uint8_t* key, int keyLength, const std::uint8_t* iv) {
        torvane::bench::LoadOpenSslProviders();
        cipher = EVP_CIPHER_fetch(nullptr, name, nullptr);
        if (!cipher || !EVP_EncryptInit_ex2(ctx, cipher, nullptr, nullptr, nullptr)) return false;
        if (keyLength != EVP_CIPHER_get_key_length(cipher) && !EVP_CIPHER_CTX_set_key_length(ctx, keyLength))
            return false;
        if (!EVP_EncryptInit_ex2(ctx, nullptr, key, iv, nullptr)) return false;
        EVP_CIPHER_CTX_set_padding(ctx, 0);
        return true;
    }
    void Code(const std::uint8_t* in, std::uint8_t* out, std::size_t n) {
        int len = 0;
        EVP_EncryptUpdate(ctx, out, &len, in, static_cast<int>(n));
    }
};

// The ECB twin of a CBC name; AES names carry the key length.
std::string EcbName(const std::string& cbc, int keyLength) {
    if (cbc.rfind("AES-", 0) == 0) return "AES-" + std::to_string(8 * keyLength) + "-ECB";
    return cbc.substr(0, cbc.size() - 3) + "ECB";
}
#endif

// ---- Benchmarks ------------------------------------------------------------------------------------------

struct Row {
    double cbc = 0, cts = 0, stream = 0, openssl = 0, cryptopp = 0;
    std::string same = "-"; // whose CBC output ours equals on one chunk
};
std::map<std::string, Row>& Results() {
    static std::map<std::string, Row> rows;
    return rows;
}

// The processor time of this thread: the machines this runs on are shared, and wall time would measure the
// neighbours as well.
double ThreadSeconds() {
    timespec ts{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Runs code over kTotal bytes per iteration; keeps the best MB/s of the repetitions in best.
template <class Code> void Run(benchmark::State& state, double& best, Code code) {
    for (auto _ : state) {
        const double t0 = ThreadSeconds();
        for (std::size_t done = 0; done < kTotal; done += kChunk) code();
        const double dt = ThreadSeconds() - t0;
        best = std::max(best, static_cast<double>(kTotal) / dt / 1e6);
        state.SetIterationTime(dt);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kTotal));
}

void Ours(benchmark::State& state, TCipherClass cls, TCipherMode mode) {
    auto c = cls->Create();
    c->Mode = mode;
    const auto key = Pattern(static_cast<std::size_t>(KeyLengthFor(cls)), 1);
    c->Init(key.data(), static_cast<std::int32_t>(key.size()), nullptr);
    auto buf = Pattern(kChunk, 2);
    auto& row = Results()[cls->ClassName];
    Run(state, mode == cmCBC ? row.cbc : row.cts, [&] {
        c->EncryptBuffer(buf.data(), buf.data(), kChunk);
        benchmark::DoNotOptimize(buf.data());
    });
}

// RC4's key stream alone: EncryptBlock over the chunk, no chaining mode around it.
void OursRc4Stream(benchmark::State& state) {
    TCipher_RC4 c;
    const auto key = Pattern(16, 1);
    c.Init(key.data(), 16, nullptr);
    auto buf = Pattern(kChunk, 2);
    Run(state, Results()["TCipher_RC4"].stream, [&] {
        for (std::size_t off = 0; off < kChunk; off += 16) c.EncryptBlock(buf.data() + off);
        benchmark::DoNotOptimize(buf.data());
    });
}

#ifdef TORVANE_HAVE_OPENSSL
void OpenSsl(benchmark::State& state, std::string className, const Reference& ref) {
    const auto key = Pattern(static_cast<std::size_t>(ref.TheirKeyLength), 1), iv = Pattern(16, 3);
    EvpCoder e;
    if (!e.Init(ref.OpenSsl, key.data(), ref.TheirKeyLength, iv.data())) {
        state.SkipWithError("not in this OpenSSL");
        return;
    }
    auto in = Pattern(kChunk, 2);
    Bytes out(kChunk + 64);
    Run(state, Results()[className].openssl, [&] {
        e.Code(in.data(), out.data(), kChunk);
        benchmark::DoNotOptimize(out.data());
    });
}
#endif

void CryptoPP(benchmark::State& state, std::string className, const Reference& ref) {
    const auto key = Pattern(static_cast<std::size_t>(ref.TheirKeyLength), 1), iv = Pattern(16, 3);
    CodeFn code;
    try {
        code = ref.CryptoPP(key.data(), ref.TheirKeyLength, iv.data(), false);
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
        return;
    }
    auto in = Pattern(kChunk, 2);
    Bytes out(kChunk);
    Run(state, Results()[className].cryptopp, [&] {
        code(in.data(), out.data(), kChunk);
        benchmark::DoNotOptimize(out.data());
    });
}

template <class Fn, class... Args> void Register(const std::string& name, Fn fn, Args&&... args) {
    benchmark::RegisterBenchmark(name.c_str(), fn, std::forward<Args>(args)...)
        ->Iterations(1)
        ->Repetitions(kRepetitions)
        ->ReportAggregatesOnly(true)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
}

void RegisterAll() {
    for (TCipherClass cls : AllCipherClasses()) {
        const std::string name = cls->ClassName;
        for (auto [mode, tag] : {std::pair{cmCBC, "CBC"}, std::pair{cmCTS, "CTS"}})
            Register("ours/" + name + "/" + tag, Ours, cls, mode);
        if (name == "TCipher_RC4") Register("ours/TCipher_RC4/stream", OursRc4Stream);
        const auto it = References().find(name);
        if (it == References().end()) continue;
#ifdef TORVANE_HAVE_OPENSSL
        if (it->second.OpenSsl)
            Register("openssl/" + name + "/" + it->second.OpenSsl, OpenSsl, name, std::cref(it->second));
#endif
        if (it->second.CryptoPP)
            Register("cryptopp/" + name + "/" + it->second.CryptoPPName, CryptoPP, name,
                     std::cref(it->second));
    }
}

// ---- Agreement -------------------------------------------------------------------------------------------

// Before timing anything: does our CBC give the same bytes as the references' for one chunk? Where the
// parameters differ (RC2's effective key bits) or a class fills in constants of its own, it will not, and
// the summary says so; RC4 is left out (our CBC over it is no plain stream).
void CheckCbcAgreement() {
    for (TCipherClass cls : AllCipherClasses()) {
        const auto it = References().find(cls->ClassName);
        if (it == References().end() || std::string(cls->ClassName) == "TCipher_RC4") continue;
        const Reference& ref = it->second;
        const auto key = Pattern(static_cast<std::size_t>(KeyLengthFor(cls)), 1);
        const auto iv = Pattern(static_cast<std::size_t>(cls->BlockSize), 3);
        const auto plain = Pattern(kChunk, 2);
        auto c = cls->Create();
        c->Mode = cmCBC;
        c->Init(key.data(), static_cast<std::int32_t>(key.size()), iv.data());
        Bytes ours(kChunk);
        c->EncryptBuffer(plain.data(), ours.data(), kChunk);
        const auto theirKey = TheirKey(cls->ClassName, key, ref.TheirKeyLength);
        std::string same;
#ifdef TORVANE_HAVE_OPENSSL
        EvpCoder e;
        if (ref.OpenSsl && e.Init(ref.OpenSsl, theirKey.data(), ref.TheirKeyLength, iv.data())) {
            Bytes out(kChunk + 64);
            e.Code(plain.data(), out.data(), kChunk);
            if (std::equal(ours.begin(), ours.end(), out.begin())) same += "OpenSSL";
        }
#endif
        if (ref.CryptoPP) {
            try {
                Bytes out(kChunk);
                ref.CryptoPP(theirKey.data(), ref.TheirKeyLength, iv.data(), false)(plain.data(), out.data(),
                                                                                    kChunk);
                if (out == ours) same += same.empty() ? "Crypto++" : "+Crypto++";
            } catch (const std::exception&) {
            }
        }
        Results()[cls->ClassName].same = same.empty() ? "differs" : same;
    }
}

int failures = 0;

void Report(const std::string& what, bool ok) {
    std::printf("%-60s %s\n", what.c_str(), ok ? "agree" : "DIFFER");
    if (!ok) ++failures;
}

Bytes OursEcb(TCipherClass cls, const Bytes& key, Bytes data) {
    auto c = cls->Create();
    c->Init(key.data(), static_cast<std::int32_t>(key.size()), nullptr);
    for (std::size_t off = 0; off < data.size(); off += static_cast<std::size_t>(cls->BlockSize))
        c->EncryptBlock(data.data() + off);
    return data;
}

// ECB of 16 blocks under 50 keys of each length, against each reference that has the class.
void CheckEcb(TCipherClass cls, const Reference& ref) {
    for (int len : ref.CheckKeyLengths) {
        const std::string what =
            std::string(cls->ClassName) + " ECB, " + std::to_string(len) + "-byte keys, ";
        if (ref.CryptoPP) {
            bool ok = true;
            for (unsigned seed = 0; seed < 50 && ok; ++seed) {
                const auto key = Pattern(static_cast<std::size_t>(len), 100 + seed);
                const auto data = Pattern(static_cast<std::size_t>(cls->BlockSize) * 16, 200 + seed);
                Bytes theirs(data.size());
                try {
                    ref.CryptoPP(key.data(), len, nullptr, true)(data.data(), theirs.data(), data.size());
                    ok = theirs == OursEcb(cls, key, data);
                } catch (const std::exception&) {
                    ok = false;
                }
            }
            Report(what + "Crypto++", ok);
        }
#ifdef TORVANE_HAVE_OPENSSL
        if (!ref.OpenSsl) continue;
        const auto ecb = EcbName(ref.OpenSsl, len);
        bool ok = true, available = true;
        for (unsigned seed = 0; seed < 50 && ok && available; ++seed) {
            const auto key = Pattern(static_cast<std::size_t>(len), 300 + seed);
            const auto data = Pattern(static_cast<std::size_t>(cls->BlockSize) * 16, 400 + seed);
            EvpCoder e;
            available = e.Init(ecb.c_str(), key.data(), len, nullptr);
            if (!available) break;
            Bytes theirs(data.size() + 64);
            e.Code(data.data(), theirs.data(), data.size());
            theirs.resize(data.size());
            ok = theirs == OursEcb(cls, key, data);
        }
        if (available)
            Report(what + "OpenSSL " + ecb, ok);
        else
            std::printf("%-60s not in this build\n", (what + "OpenSSL " + ecb).c_str());
#endif
    }
}

#ifdef TORVANE_HAVE_OPENSSL
// Our CBC over a random file of a few MiB against `openssl enc -nopad` with the same key and vector.
void CheckOpensslEnc(const char* encName, bool legacy, TCipherClass cls, int keyLength) {
    namespace fs = std::filesystem;
    const auto dir = fs::temp_directory_path() / ("cipher_bench_check_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::size_t size = 3u << 20; // a multiple of every block size
    const auto plain = Pattern(size, 500);
    const auto key = Pattern(static_cast<std::size_t>(keyLength), 501);
    const auto iv = Pattern(static_cast<std::size_t>(cls->BlockSize), 502);
    const auto in = dir / "plain.bin", out = dir / "openssl.bin";
    std::ofstream(in, std::ios::binary)
        .write(reinterpret_cast<const char*>(plain.data()), static_cast<std::streamsize>(plain.size()));
    auto c = cls->Create();
    c->Mode = cmCBC;
    c->Init(key.data(), keyLength, iv.data());
    Bytes ours(size);
    for (std::size_t off = 0; off < size; off += kChunk)
        c->EncryptBuffer(plain.data() + off, ours.data() + off, static_cast<std::int64_t>(kChunk));
    const std::string cmd = std::string("openssl enc -") + encName +
                            (legacy ? " -provider legacy -provider default" : "") + " -nopad -K " +
                            common::HexText(key) + " -iv " + common::HexText(iv) + " -in " + in.string() +
                            " -out " + out.string() + " 2>&1";
    const int rc = std::system(cmd.c_str());
    Bytes theirs(size);
    std::ifstream(out, std::ios::binary)
        .read(reinterpret_cast<char*>(theirs.data()), static_cast<std::streamsize>(size));
    fs::remove_all(dir);
    Report(std::string("openssl enc -") + encName + " -nopad, 3 MiB file", rc == 0 && ours == theirs);
}
#endif

int RunChecks() {
    for (TCipherClass cls : AllCipherClasses())
        if (const auto it = References().find(cls->ClassName); it != References().end())
            CheckEcb(cls, it->second);
#ifdef TORVANE_HAVE_OPENSSL
    CheckOpensslEnc("bf-cbc", true, FindCipherClass("TCipher_Blowfish"), 16);
    CheckOpensslEnc("cast5-cbc", true, FindCipherClass("TCipher_Cast128"), 16);
    CheckOpensslEnc("aes-128-cbc", false, FindCipherClass("TCipher_Rijndael"), 16);
    CheckOpensslEnc("des-ede3-cbc", false, FindCipherClass("TCipher_3DES"), 24);
#endif
    std::printf("%s\n", failures ? "SOME CHECKS DIFFER" : "all checks agree");
    return failures ? 1 : 0;
}

void PrintSummary() {
    std::printf("\n%-22s %9s %9s %9s %9s  %-15s %s\n", "class", "CBC MB/s", "CTS MB/s", "OpenSSL", "Crypto++",
                "ours/best (CBC)", "same CBC output as");
    auto cell = [](double v) { return v > 0 ? std::to_string(static_cast<int>(v + 0.5)) : std::string("-"); };
    auto ratio = [](double ours, double best) {
        return best > 0 && ours > 0 ? std::to_string(ours / best).substr(0, 4) : std::string("-");
    };
    for (TCipherClass cls : AllCipherClasses()) {
        const auto it = Results().find(cls->ClassName);
        if (it == Results().end()) continue;
        const Row& r = it->second;
        if (r.cbc <= 0 && r.cts <= 0) continue;
        const double best = std::max(r.openssl, r.cryptopp);
        std::printf("%-22s %9s %9s %9s %9s  %-15s %s\n", cls->ClassName, cell(r.cbc).c_str(),
                    cell(r.cts).c_str(), cell(r.openssl).c_str(), cell(r.cryptopp).c_str(),
                    ratio(r.cbc, best).c_str(), r.same.c_str());
    }
    if (const auto it = Results().find("TCipher_RC4"); it != Results().end() && it->second.stream > 0)
        std::printf("%-22s %9s %9s %9s %9s  %-15s %s\n", "TCipher_RC4 stream",
                    cell(it->second.stream).c_str(), "-", cell(it->second.openssl).c_str(), "-",
                    ratio(it->second.stream, it->second.openssl).c_str(), "key stream only");
}

} // namespace

int main(int argc, char** argv) {
#ifdef TORVANE_HAVE_OPENSSL
    torvane::bench::LoadOpenSslProviders();
#endif
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--check") == 0) return RunChecks();
    CheckCbcAgreement();
    RegisterAll();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    PrintSummary();
    return 0;
}
