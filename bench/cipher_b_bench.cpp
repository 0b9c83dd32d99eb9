// Throughput of the SAFER family, GOST, 3-Way, NewDES, Diamond2, SCOP and Q128 in the work the
// encryption workload gives them: CBC over 64 MiB, coded in 4096-byte chunks through EncryptBuffer.
// Where Crypto++ has the same algorithm, the same work through its CBC mode runs beside ours; the
// ratio ours / theirs is the quotient of the two bytes_per_second figures. No other
// library has SCOP: its line reports our figure alone.

#include "BenchCommon.h"

#include "crypto/cipher/CipherClasses.h"
#include "crypto/cipher/Diamond2.h"
#include "crypto/cipher/Gost.h"
#include "crypto/cipher/NewDES.h"
#include "crypto/cipher/Q128.h"
#include "crypto/cipher/SAFER.h"
#include "crypto/cipher/SCOP.h"
#include "crypto/cipher/ThreeWay.h"

#include <benchmark/benchmark.h>

#include <vector>

#ifdef TORVANE_HAVE_CRYPTOPP
#include <cryptopp/3way.h>
#include <cryptopp/algparam.h>
#include <cryptopp/argnames.h>
#include <cryptopp/gost.h>
#include <cryptopp/modes.h>
#include <cryptopp/safer.h>
#include <cryptopp/speck.h>
#endif

namespace {

using namespace torvane::crypto;

constexpr std::int64_t kTotal = 64 << 20;
constexpr std::int64_t kChunk = 4096;

std::vector<std::uint8_t>& Buffer() {
    static std::vector<std::uint8_t> b = torvane::bench::PatternChunk(static_cast<std::size_t>(kChunk));
    return b;
}

void Ours(benchmark::State& state, TCipherClass cls) {
    auto c = cls->Create();
    c->Mode = cmCBC;
    const std::uint8_t key[256] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    c->Init(key, std::min(cls->MaxKeySize, 16), nullptr);
    auto& buf = Buffer();
    for (auto _ : state) {
        for (std::int64_t done = 0; done < kTotal; done += kChunk)
            c->EncryptBuffer(buf.data(), buf.data(), kChunk);
        benchmark::DoNotOptimize(buf.data());
    }
    state.SetBytesProcessed(state.iterations() * kTotal);
}

#ifdef TORVANE_HAVE_CRYPTOPP
template <class Cipher> void Theirs(benchmark::State& state, int keyLength, int rounds) {
    typename CryptoPP::CBC_Mode<Cipher>::Encryption e;
    const CryptoPP::byte key[32] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    const CryptoPP::byte iv[16] = {};
    auto params =
        CryptoPP::MakeParameters(CryptoPP::Name::IV(), CryptoPP::ConstByteArrayParameter(iv, e.IVSize()));
    if (rounds > 0)
        e.SetKey(key, static_cast<std::size_t>(keyLength), params(CryptoPP::Name::Rounds(), rounds));
    else
        e.SetKey(key, static_cast<std::size_t>(keyLength), params);
    auto& buf = Buffer();
    for (auto _ : state) {
        for (std::int64_t done = 0; done < kTotal; done += kChunk)
            e.ProcessData(buf.data(), buf.data(), kChunk);
        benchmark::DoNotOptimize(buf.data());
    }
    state.SetBytesProcessed(state.iterations() * kTotal);
}
#endif

#define OURS(Class)                                                                                          \
    BENCHMARK_CAPTURE(Ours, Class, &Class::ClassInfo)->Unit(benchmark::kMillisecond)->MinTime(1.0)
#define THEIRS(Name, Cipher, key, rounds)                                                                    \
    void Name(benchmark::State& state) {                                                                     \
        Theirs<Cipher>(state, key, rounds);                                                                  \
    }                                                                                                        \
    BENCHMARK(Name)->Unit(benchmark::kMillisecond)->MinTime(1.0)

OURS(TCipher_SAFER_K40);
OURS(TCipher_SAFER_SK40);
OURS(TCipher_SAFER_K64);
OURS(TCipher_SAFER_SK64);
OURS(TCipher_SAFER_K128);
OURS(TCipher_SAFER_SK128);
OURS(TCipher_Gost);
OURS(TCipher_3Way);
OURS(TCipher_NewDES);
OURS(TCipher_Diamond2);
OURS(TCipher_Diamond2Lite);
OURS(TCipher_SCOP);
OURS(TCipher_Q128);

#ifdef TORVANE_HAVE_CRYPTOPP
THEIRS(CryptoPP_SAFER_K64, CryptoPP::SAFER_K, 8, 6);
THEIRS(CryptoPP_SAFER_SK64, CryptoPP::SAFER_SK, 8, 8);
THEIRS(CryptoPP_SAFER_K128, CryptoPP::SAFER_K, 16, 10);
THEIRS(CryptoPP_SAFER_SK128, CryptoPP::SAFER_SK, 16, 10);
THEIRS(CryptoPP_GOST, CryptoPP::GOST, 32, 0);
THEIRS(CryptoPP_3Way, CryptoPP::ThreeWay, 12, 0);
THEIRS(CryptoPP_Speck128_128, CryptoPP::SPECK128, 16, 0);
#endif

} // namespace

BENCHMARK_MAIN();
