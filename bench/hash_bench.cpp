// Throughput of every hash class of the registration table, beside OpenSSL, Crypto++ and zlib where
// they have the algorithm: every run hashes 64 MiB fed in 4096-byte updates, the way HashFile feeds a file.
// SHA-1 runs on each compression path this processor offers. Before timing, every comparison pair is
// checked to give the same digest, so a figure never compares different work. The summary gives MB/s
// (10^6 bytes), the best of three runs in processor time, and the ratio of ours to the fastest reference.
//
//   build/bench/hash_bench                                  all figures, SHA-1 of OpenSSL with SHA-NI
//   OPENSSL_ia32cap=":~0x20000000" build/bench/hash_bench --benchmark_filter=SHA1
//                                                          OpenSSL's SHA-1 without the SHA extensions
//
// (bit 64+29 of OPENSSL_ia32cap is the SHA extension flag of CPUID leaf 7.)

#include "BenchCommon.h"

#include "crypto/common/Hex.h"

#include "crypto/hash/Checksums.h"
#include "crypto/hash/HashClasses.h"
#include "crypto/hash/MD5.h"
#include "crypto/hash/RipeMD.h"
#include "crypto/hash/SHA.h"
#include "crypto/hash/Tiger.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#ifdef TORVANE_HAVE_OPENSSL
#include <openssl/evp.h>
#endif
#ifdef TORVANE_HAVE_CRYPTOPP
#define CRYPTOPP_ENABLE_NAMESPACE_WEAK 1
#include <cryptopp/md4.h>
#include <cryptopp/md5.h>
#include <cryptopp/ripemd.h>
#include <cryptopp/sha.h>
#include <cryptopp/tiger.h>
#endif
#ifdef TORVANE_HAVE_ZLIB
#include <zlib.h>
#endif

namespace {

using namespace torvane::crypto;
using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kTotal = 64u << 20;
constexpr std::size_t kChunk = 4096;

const Bytes& Data() {
    static const Bytes data = [] {
        Bytes d(kTotal);
        std::mt19937_64 rng(12345);
        for (std::size_t i = 0; i < d.size(); i += 8) {
            const auto v = rng();
            std::memcpy(&d[i], &v, 8);
        }
        return d;
    }();
    return data;
}

// One digest function per implementation: hashes `size` bytes in 4096-byte updates.
using DigestFn = std::function<Bytes(const std::uint8_t*, std::size_t)>;

Bytes Torvane(THashClass cls, const std::uint8_t* p, std::size_t n) {
    auto h = cls->Create();
    h->Start();
    for (std::size_t at = 0; at < n; at += kChunk)
        h->Update(p + at, static_cast<std::int64_t>(std::min(kChunk, n - at)));
    h->Finish();
    return Bytes(h->DigestBytes(), h->DigestBytes() + h->DigestLength());
}

#ifdef TORVANE_HAVE_OPENSSL
DigestFn OpenSsl(const char* name) {
    torvane::bench::LoadOpenSslProviders();
    EVP_MD* md = EVP_MD_fetch(nullptr, name, nullptr);
    if (!md) return nullptr;
    return [md](const std::uint8_t* p, std::size_t n) {
        EVP_MD_CTX* ctx = EVP_MD_CTX_new();
        EVP_DigestInit_ex(ctx, md, nullptr);
        for (std::size_t at = 0; at < n; at += kChunk)
            EVP_DigestUpdate(ctx, p + at, std::min(kChunk, n - at));
        Bytes out(static_cast<std::size_t>(EVP_MD_get_size(md)));
        EVP_DigestFinal_ex(ctx, out.data(), nullptr);
        EVP_MD_CTX_free(ctx);
        return out;
    };
}
#endif

#ifdef TORVANE_HAVE_CRYPTOPP
template <class H> Bytes CryptoPp(const std::uint8_t* p, std::size_t n) {
    H h;
    for (std::size_t at = 0; at < n; at += kChunk) h.Update(p + at, std::min(kChunk, n - at));
    Bytes out(H::DIGESTSIZE);
    h.Final(out.data());
    return out;
}
#endif

#ifdef TORVANE_HAVE_ZLIB
Bytes Zlib(const std::uint8_t* p, std::size_t n) {
    uLong crc = crc32(0, nullptr, 0);
    for (std::size_t at = 0; at < n; at += kChunk)
        crc = crc32(crc, p + at, static_cast<uInt>(std::min(kChunk, n - at)));
    // Our digest bytes are the register least significant byte first.
    return Bytes{static_cast<std::uint8_t>(crc), static_cast<std::uint8_t>(crc >> 8),
                 static_cast<std::uint8_t>(crc >> 16), static_cast<std::uint8_t>(crc >> 24)};
}
#endif

struct Reference {
    const char* Library;
    const char* Algorithm;
    THashClass Ours;
    DigestFn Fn;
};

std::vector<Reference> References() {
    std::vector<Reference> refs;
#ifdef TORVANE_HAVE_OPENSSL
    const std::pair<const char*, THashClass> openssl[] = {{"MD4", &THash_MD4::ClassInfo},
                                                          {"MD5", &THash_MD5::ClassInfo},
                                                          {"SHA1", &THash_SHA1::ClassInfo},
                                                          {"RIPEMD160", &THash_RipeMD160::ClassInfo}};
    for (const auto& [name, cls] : openssl)
        if (auto fn = OpenSsl(name)) refs.push_back({"OpenSSL", name, cls, fn});
#endif
#ifdef TORVANE_HAVE_CRYPTOPP
    refs.push_back({"CryptoPP", "MD4", &THash_MD4::ClassInfo, CryptoPp<CryptoPP::Weak::MD4>});
    refs.push_back({"CryptoPP", "MD5", &THash_MD5::ClassInfo, CryptoPp<CryptoPP::Weak::MD5>});
    refs.push_back({"CryptoPP", "SHA1", &THash_SHA1::ClassInfo, CryptoPp<CryptoPP::SHA1>});
    refs.push_back({"CryptoPP", "RIPEMD128", &THash_RipeMD128::ClassInfo, CryptoPp<CryptoPP::RIPEMD128>});
    refs.push_back({"CryptoPP", "RIPEMD160", &THash_RipeMD160::ClassInfo, CryptoPp<CryptoPP::RIPEMD160>});
    refs.push_back({"CryptoPP", "RIPEMD256", &THash_RipeMD256::ClassInfo, CryptoPp<CryptoPP::RIPEMD256>});
    refs.push_back({"CryptoPP", "RIPEMD320", &THash_RipeMD320::ClassInfo, CryptoPp<CryptoPP::RIPEMD320>});
    refs.push_back({"CryptoPP", "Tiger", &THash_Tiger::ClassInfo, CryptoPp<CryptoPP::Tiger>});
#endif
#ifdef TORVANE_HAVE_ZLIB
    refs.push_back({"zlib", "CRC32", &THash_CRC32::ClassInfo, Zlib});
#endif
    return refs;
}

// Same digests over an odd-sized slice (so the last update is partial) before any figure is taken.
bool CrossCheck(const std::vector<Reference>& refs) {
    const std::size_t n = (1u << 20) + 37;
    bool ok = true;
    for (const auto& r : refs) {
        const auto ours = Torvane(r.Ours, Data().data() + 3, n);
        const auto theirs = r.Fn(Data().data() + 3, n);
        if (ours != theirs) {
            std::fprintf(stderr, "MISMATCH %s %s: ours %s, theirs %s\n", r.Library, r.Algorithm,
                         torvane::crypto::common::HexText(ours).c_str(),
                         torvane::crypto::common::HexText(theirs).c_str());
            ok = false;
        }
    }
    std::fprintf(stderr, "cross-check of %zu reference digests: %s\n", refs.size(),
                 ok ? "all agree" : "FAILED");
    return ok;
}

// The best MB/s of the repetitions, by benchmark name.
std::map<std::string, double>& Best() {
    static std::map<std::string, double> best;
    return best;
}

double ThreadSeconds() {
    timespec ts{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

void Run(benchmark::State& state, const std::string& name, const DigestFn& fn) {
    const auto& d = Data();
    for (auto _ : state) {
        const double t0 = ThreadSeconds();
        benchmark::DoNotOptimize(fn(d.data(), d.size()));
        const double dt = ThreadSeconds() - t0;
        state.SetIterationTime(dt);
        Best()[name] = std::max(Best()[name], static_cast<double>(d.size()) / dt / 1e6);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(d.size()));
}

void Register(const std::string& name, DigestFn fn) {
    benchmark::RegisterBenchmark(name.c_str(), [name, fn](benchmark::State& s) { Run(s, name, fn); })
        ->Iterations(1)
        ->Repetitions(3)
        ->ReportAggregatesOnly(true)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
}

const char* PathName(TSha1Path path) {
    switch (path) {
    case TSha1Path::Portable:
        return "portable";
    case TSha1Path::Bmi2:
        return "bmi2";
    case TSha1Path::Extensions:
        return "extensions";
    }
    return "?";
}

void PrintSummary(const std::vector<Reference>& refs) {
    std::printf("\n%-26s %9s %9s %9s %9s %8s\n", "class", "ours MB/s", "OpenSSL", "Crypto++", "zlib",
                "ours/best");
    auto row = [&](const std::string& label, THashClass cls, double ours) {
        std::map<std::string, double> theirs;
        for (const auto& r : refs)
            if (r.Ours == cls) theirs[r.Library] = Best()[std::string(r.Library) + "/" + r.Algorithm];
        double best = 0;
        for (const auto& [lib, v] : theirs) best = std::max(best, v);
        auto cell = [&](const char* lib) {
            return theirs.count(lib) && theirs[lib] > 0 ? std::to_string(static_cast<int>(theirs[lib] + 0.5))
                                                        : std::string("-");
        };
        std::printf("%-26s %9.0f %9s %9s %9s %8s\n", label.c_str(), ours, cell("OpenSSL").c_str(),
                    cell("CryptoPP").c_str(), cell("zlib").c_str(),
                    best > 0 ? std::to_string(ours / best).substr(0, 4).c_str() : "-");
    };
    for (auto* cls : AllHashClasses()) {
        const auto it = Best().find(std::string("ours/") + cls->ClassName);
        if (it != Best().end()) row(cls->ClassName, cls, it->second);
    }
    for (auto path : {TSha1Path::Portable, TSha1Path::Bmi2, TSha1Path::Extensions}) {
        const auto it = Best().find(std::string("ours/THash_SHA1/") + PathName(path));
        if (it != Best().end())
            row(std::string("THash_SHA1 ") + PathName(path), &THash_SHA1::ClassInfo, it->second);
    }
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    const auto refs = References();
    if (!CrossCheck(refs)) return 1;

    for (auto* cls : AllHashClasses())
        Register(std::string("ours/") + cls->ClassName,
                 [cls](const std::uint8_t* p, std::size_t n) { return Torvane(cls, p, n); });
    // Every SHA-1 path, for comparison with OpenSSL's SHA-1 with and without the SHA extensions.
    for (auto path : {TSha1Path::Portable, TSha1Path::Bmi2, TSha1Path::Extensions}) {
        if (!Sha1PathAvailable(path)) continue;
        Register(std::string("ours/THash_SHA1/") + PathName(path),
                 [path](const std::uint8_t* p, std::size_t n) {
                     SelectSha1Path(path);
                     auto digest = Torvane(&THash_SHA1::ClassInfo, p, n);
                     SelectSha1Path(FastestSha1Path());
                     return digest;
                 });
    }
    for (const auto& r : refs) Register(std::string(r.Library) + "/" + r.Algorithm, r.Fn);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    PrintSummary(refs);
    return 0;
}
