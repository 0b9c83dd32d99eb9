// Throughput of every cipher class of the library, in CBC and CTS, over 64 MiB coded in 4096-byte chunks
// (one EncryptBuffer call per chunk, as the streams code them), beside the same work through OpenSSL and
// Crypto++ where they have the algorithm. After the benchmarks a summary gives MB/s (10^6 bytes) and the
// ratio of our CBC to the faster of the two references.
//
//   build/bench/cipher_bench                                   # references as the processor allows
//   OPENSSL_ia32cap="~0x200000000000000" build/bench/cipher_bench   # OpenSSL without AES-NI (bit 57)
//   OPENSSL_ia32cap="~0x200020000000000" build/bench/cipher_bench   # ... and without SSSE3 (bit 41): table
//   AES
//
// --benchmark_filter=DES limits the run to matching names, as usual.

#include "BenchCommon.h"

#include "crypto/cipher/CipherClasses.h"
#include "crypto/cipher/DES.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#ifdef TORVANE_HAVE_OPENSSL
#include <openssl/evp.h>
#endif

#ifdef TORVANE_HAVE_CRYPTOPP
#define CRYPTOPP_ENABLE_NAMESPACE_WEAK 1
#include <cryptopp/3way.h>
#include <cryptopp/aes.h>
#include <cryptopp/arc4.h>
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

namespace {

constexpr std::size_t kChunk = 4096;
constexpr std::size_t kTotal = std::size_t{64} << 20;

// A reference: the name of an OpenSSL cipher and/or a Crypto++ encryptor factory, with the key length used
// on both sides (ours too) so that key-size-dependent round counts match, and the references' own where
// their key layout differs (DESX takes its post-whitening key explicitly there).
struct Reference {
    int KeyLength;
    int TheirKeyLength;
    const char* OpenSsl;
    std::function<std::function<void(const std::uint8_t*, std::uint8_t*, std::size_t)>(
        const std::uint8_t*, int, const std::uint8_t*)>
        CryptoPP;
    const char* CryptoPPName;
};

#ifdef TORVANE_HAVE_CRYPTOPP
template <class Cipher> auto Cbc(const char* name) {
    return std::make_pair(
        [](const std::uint8_t* key, int len, const std::uint8_t* iv) {
            auto enc = std::make_shared<typename CryptoPP::CBC_Mode<Cipher>::Encryption>(key, len, iv);
            return std::function<void(const std::uint8_t*, std::uint8_t*, std::size_t)>(
                [enc](const std::uint8_t* in, std::uint8_t* out, std::size_t n) {
                    enc->ProcessData(out, in, n);
                });
        },
        name);
}
auto Rc4() {
    return std::make_pair(
        [](const std::uint8_t* key, int len, const std::uint8_t*) {
            auto enc = std::make_shared<CryptoPP::Weak::ARC4>(key, len);
            return std::function<void(const std::uint8_t*, std::uint8_t*, std::size_t)>(
                [enc](const std::uint8_t* in, std::uint8_t* out, std::size_t n) {
                    enc->ProcessData(out, in, n);
                });
        },
        "ARC4");
}
#define CPP(x) Cbc<CryptoPP::x>(#x)
#define CPP_RC4 Rc4()
#else
#define CPP(x) std::make_pair(nullptr, nullptr)
#define CPP_RC4 std::make_pair(nullptr, nullptr)
#endif

Reference Ref(int keyLength, const char* openssl, auto cryptopp, int theirKeyLength = 0) {
    Reference r{keyLength, theirKeyLength ? theirKeyLength : keyLength, openssl, nullptr, cryptopp.second};
    if constexpr (!std::is_same_v<decltype(cryptopp.first), std::nullptr_t>) r.CryptoPP = cryptopp.first;
    return r;
}

const std::map<std::string, Reference>& References() {
    static const std::map<std::string, Reference> refs = {
        {"TCipher_1DES", Ref(8, "DES-CBC", CPP(DES))},
        {"TCipher_2DES", Ref(16, "DES-EDE-CBC", CPP(DES_EDE2))},
        {"TCipher_3DES", Ref(24, "DES-EDE3-CBC", CPP(DES_EDE3))},
        {"TCipher_DESX", Ref(16, "DESX-CBC", CPP(DES_XEX3), 24)},
        {"TCipher_Blowfish", Ref(16, "BF-CBC", CPP(Blowfish))},
        {"TCipher_Cast128", Ref(16, "CAST5-CBC", CPP(CAST128))},
        {"TCipher_Rijndael", Ref(16, "AES-128-CBC", CPP(AES))},
        {"TCipher_IDEA", Ref(16, "IDEA-CBC", CPP(IDEA))},
        {"TCipher_RC2", Ref(16, "RC2-CBC", CPP(RC2))},
        {"TCipher_RC4", Ref(16, "RC4", CPP_RC4)},
        {"TCipher_RC5", Ref(16, "RC5-CBC", CPP(RC5))},
        {"TCipher_RC6", Ref(16, nullptr, CPP(RC6))},
        {"TCipher_Twofish", Ref(16, nullptr, CPP(Twofish))},
        {"TCipher_Square", Ref(16, nullptr, CPP(Square))},
        {"TCipher_Shark", Ref(16, nullptr, CPP(SHARK))},
        {"TCipher_SAFER_SK128", Ref(16, nullptr, CPP(SAFER_SK))},
        {"TCipher_SAFER_K64", Ref(8, nullptr, CPP(SAFER_K))},
        {"TCipher_TEA", Ref(16, nullptr, CPP(TEA))},
        {"TCipher_TEAN", Ref(16, nullptr, CPP(XTEA))},
        {"TCipher_Skipjack", Ref(10, nullptr, CPP(SKIPJACK))},
        {"TCipher_Gost", Ref(32, nullptr, CPP(GOST))},
        {"TCipher_3Way", Ref(12, nullptr, CPP(ThreeWay))},
        {"TCipher_Cast256", Ref(32, nullptr, CPP(CAST256))},
        {"TCipher_Mars", Ref(16, nullptr, CPP(MARS))},
    };
    return refs;
}

struct Row {
    double cbc = 0, cts = 0, openssl = 0, cryptopp = 0;
    std::string same = "-"; // whose CBC output ours equals on one chunk
};
std::map<std::string, Row>& Results() {
    static std::map<std::string, Row> rows;
    return rows;
}

std::vector<std::uint8_t> Pattern(std::size_t n, unsigned seed) {
    std::vector<std::uint8_t> v(n);
    for (auto& b : v) b = static_cast<std::uint8_t>(seed = seed * 1103515245u + 12345u);
    return v;
}

// The processor time of this thread: the machines this runs on are shared, and wall time would measure the
// neighbours as well.
double ThreadSeconds() {
    timespec ts{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Runs code over kTotal bytes per iteration and returns the MB/s of the last iteration.
template <class Code> double Run(benchmark::State& state, Code code) {
    double mbps = 0;
    for (auto _ : state) {
        const double t0 = ThreadSeconds();
        for (std::size_t done = 0; done < kTotal; done += kChunk) code();
        const double dt = ThreadSeconds() - t0;
        mbps = static_cast<double>(kTotal) / dt / 1e6;
        state.SetIterationTime(dt);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kTotal));
    return mbps;
}

int KeyLengthFor(TCipherClass cls) {
    const auto it = References().find(cls->ClassName);
    return it != References().end() ? std::min(it->second.KeyLength, cls->MaxKeySize) : cls->MaxKeySize;
}

void Ours(benchmark::State& state, TCipherClass cls, TCipherMode mode) {
    auto c = cls->Create();
    c->Mode = mode;
    const auto key = Pattern(static_cast<std::size_t>(KeyLengthFor(cls)), 1);
    c->Init(key.data(), static_cast<std::int32_t>(key.size()), nullptr);
    auto buf = Pattern(kChunk, 2);
    const double mbps = Run(state, [&] {
        c->EncryptBuffer(buf.data(), buf.data(), kChunk);
        benchmark::DoNotOptimize(buf.data());
    });
    (mode == cmCBC ? Results()[cls->ClassName].cbc : Results()[cls->ClassName].cts) = mbps;
}

#ifdef TORVANE_HAVE_OPENSSL
void OpenSsl(benchmark::State& state, std::string className, const char* name, int keyLength) {
    EVP_CIPHER* cipher = EVP_CIPHER_fetch(nullptr, name, nullptr);
    if (!cipher) {
        state.SkipWithError("not in this OpenSSL");
        return;
    }
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    const auto key = Pattern(static_cast<std::size_t>(keyLength), 1), iv = Pattern(16, 3);
    EVP_EncryptInit_ex2(ctx, cipher, nullptr, nullptr, nullptr);
    EVP_CIPHER_CTX_set_key_length(ctx, keyLength);
    EVP_EncryptInit_ex2(ctx, nullptr, key.data(), iv.data(), nullptr);
    EVP_CIPHER_CTX_set_padding(ctx, 0);
    auto in = Pattern(kChunk, 2);
    std::vector<std::uint8_t> out(kChunk + 64);
    int len = 0;
    Results()[className].openssl = Run(state, [&] {
        EVP_EncryptUpdate(ctx, out.data(), &len, in.data(), static_cast<int>(kChunk));
        benchmark::DoNotOptimize(out.data());
    });
    EVP_CIPHER_CTX_free(ctx);
    EVP_CIPHER_free(cipher);
}
#endif

void CryptoPP(benchmark::State& state, std::string className, const Reference& ref) {
    const auto key = Pattern(static_cast<std::size_t>(ref.TheirKeyLength), 1), iv = Pattern(16, 3);
    std::function<void(const std::uint8_t*, std::uint8_t*, std::size_t)> code;
    try {
        code = ref.CryptoPP(key.data(), ref.TheirKeyLength, iv.data());
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
        return;
    }
    auto in = Pattern(kChunk, 2);
    std::vector<std::uint8_t> out(kChunk);
    Results()[className].cryptopp = Run(state, [&] {
        code(in.data(), out.data(), kChunk);
        benchmark::DoNotOptimize(out.data());
    });
}

void Register() {
    for (TCipherClass cls : AllCipherClasses()) {
        const std::string name = cls->ClassName;
        for (auto [mode, tag] : {std::pair{cmCBC, "CBC"}, std::pair{cmCTS, "CTS"}})
            benchmark::RegisterBenchmark(("ours/" + name + "/" + tag).c_str(), Ours, cls, mode)
                ->Iterations(1)
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond);
        const auto it = References().find(name);
        if (it == References().end()) continue;
#ifdef TORVANE_HAVE_OPENSSL
        if (it->second.OpenSsl)
            benchmark::RegisterBenchmark(("openssl/" + name + "/" + it->second.OpenSsl).c_str(), OpenSsl,
                                         name, it->second.OpenSsl, it->second.TheirKeyLength)
                ->Iterations(1)
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond);
#endif
        if (it->second.CryptoPP)
            benchmark::RegisterBenchmark(("cryptopp/" + name + "/" + it->second.CryptoPPName).c_str(),
                                         CryptoPP, name, std::cref(it->second))
                ->Iterations(1)
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond);
    }
}

// The references' key for ours: DESX takes its post-whitening key explicitly there.
std::vector<std::uint8_t> TheirKey(const std::string& className, const std::vector<std::uint8_t>& ours,
                                   int theirLength) {
    std::vector<std::uint8_t> k = ours;
    if (className == "TCipher_DESX" && theirLength == 24) {
        k.resize(24);
        TCipher_DESX::PostWhitening(k.data(), k.data() + 8, k.data() + 16);
    }
    k.resize(static_cast<std::size_t>(theirLength));
    return k;
}

// Before timing anything: does our CBC give the same bytes as the references' for one chunk? Where the
// parameters differ (round counts, RC2's effective key bits) or a class fills in constants of its own, it
// will not, and the summary says so; stream ciphers are left out (our CBC over them is no plain stream).
void CheckAgreement() {
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
        std::vector<std::uint8_t> ours(kChunk);
        c->EncryptBuffer(plain.data(), ours.data(), kChunk);
        const auto theirKey = TheirKey(cls->ClassName, key, ref.TheirKeyLength);
        std::string same;
#ifdef TORVANE_HAVE_OPENSSL
        if (ref.OpenSsl) {
            if (EVP_CIPHER* cipher = EVP_CIPHER_fetch(nullptr, ref.OpenSsl, nullptr)) {
                EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
                std::vector<std::uint8_t> out(kChunk + 64);
                int len = 0;
                EVP_EncryptInit_ex2(ctx, cipher, nullptr, nullptr, nullptr);
                EVP_CIPHER_CTX_set_key_length(ctx, ref.TheirKeyLength);
                EVP_EncryptInit_ex2(ctx, nullptr, theirKey.data(), iv.data(), nullptr);
                EVP_CIPHER_CTX_set_padding(ctx, 0);
                EVP_EncryptUpdate(ctx, out.data(), &len, plain.data(), static_cast<int>(kChunk));
                if (std::equal(ours.begin(), ours.end(), out.begin())) same += "OpenSSL";
                EVP_CIPHER_CTX_free(ctx);
                EVP_CIPHER_free(cipher);
            }
        }
#endif
        if (ref.CryptoPP) {
            try {
                std::vector<std::uint8_t> out(kChunk);
                ref.CryptoPP(theirKey.data(), ref.TheirKeyLength, iv.data())(plain.data(), out.data(),
                                                                             kChunk);
                if (out == ours) same += same.empty() ? "Crypto++" : "+Crypto++";
            } catch (const std::exception&) {
            }
        }
        Results()[cls->ClassName].same = same.empty() ? "differs" : same;
    }
}

void PrintSummary() {
    std::printf("\n%-22s %9s %9s %9s %9s  %-15s %s\n", "class", "CBC MB/s", "CTS MB/s", "OpenSSL", "Crypto++",
                "ours/best (CBC)", "same CBC output as");
    for (TCipherClass cls : AllCipherClasses()) {
        const auto it = Results().find(cls->ClassName);
        if (it == Results().end()) continue;
        const Row& r = it->second;
        const double best = std::max(r.openssl, r.cryptopp);
        auto cell = [](double v) {
            return v > 0 ? std::to_string(static_cast<int>(v + 0.5)) : std::string("-");
        };
        std::printf("%-22s %9s %9s %9s %9s  %-15s %s\n", cls->ClassName, cell(r.cbc).c_str(),
                    cell(r.cts).c_str(), cell(r.openssl).c_str(), cell(r.cryptopp).c_str(),
                    best > 0 && r.cbc > 0 ? std::to_string(r.cbc / best).substr(0, 4).c_str() : "-",
                    r.same.c_str());
    }
}

} // namespace

int main(int argc, char** argv) {
#ifdef TORVANE_HAVE_OPENSSL
    torvane::bench::LoadOpenSslProviders();
#endif
    CheckAgreement();
    Register();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    PrintSummary();
    return 0;
}
