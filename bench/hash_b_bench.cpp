// Throughput of the HAVAL, Snefru, Sapphire II and Square hashes (64 MiB fed in 4096-byte updates, as
// HashStream feeds files), and of the Square and SHARK block functions beside Crypto++'s.
//
//   build/bench/hash_b_bench --benchmark_counters_tabular=true

#include "crypto/cipher/Shark.h"
#include "crypto/cipher/Square.h"
#include "crypto/hash/Haval.h"
#include "crypto/hash/Sapphire.h"
#include "crypto/hash/Snefru.h"
#include "crypto/hash/SquareHash.h"

#include <benchmark/benchmark.h>

#include <vector>

#if TORVANE_HAVE_CRYPTOPP
#include <cryptopp/modes.h>
#include <cryptopp/shark.h>
#include <cryptopp/square.h>
#endif

using namespace torvane::crypto;

namespace {

constexpr std::size_t kTotal = 64u << 20;
constexpr std::size_t kChunk = 4096;

const std::vector<std::uint8_t>& Data() {
    static const std::vector<std::uint8_t> data = [] {
        std::vector<std::uint8_t> d(kTotal);
        std::uint32_t x = 2463534242u;
        for (auto& b : d) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            b = static_cast<std::uint8_t>(x);
        }
        return d;
    }();
    return data;
}

void HashBench(benchmark::State& state, THashClass cls) {
    const auto& data = Data();
    auto h = cls->Create();
    for (auto _ : state) {
        h->Start();
        for (std::size_t pos = 0; pos < kTotal; pos += kChunk) h->Update(data.data() + pos, kChunk);
        h->Finish();
        benchmark::DoNotOptimize(h->DigestBytes()[0]);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kTotal));
}

// Block function alone, in place over the whole buffer (ECB): what the chaining modes build on.
void CipherBench(benchmark::State& state, TCipherClass cls) {
    std::vector<std::uint8_t> buf = Data();
    auto c = cls->Create();
    const std::uint8_t key[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    c->Init(key, 16, nullptr);
    const auto B = static_cast<std::size_t>(cls->BlockSize);
    for (auto _ : state) {
        for (std::size_t pos = 0; pos + B <= kTotal; pos += B) c->EncryptBlock(buf.data() + pos);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kTotal));
}

#if TORVANE_HAVE_CRYPTOPP
template <class Cipher> void CryptoppBench(benchmark::State& state) {
    std::vector<std::uint8_t> buf = Data();
    const CryptoPP::byte key[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    typename CryptoPP::ECB_Mode<Cipher>::Encryption e(key, sizeof key);
    for (auto _ : state) {
        e.ProcessData(buf.data(), buf.data(), buf.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kTotal));
}
#endif

} // namespace

#define HASH_BENCH(Class)                                                                                    \
    BENCHMARK_CAPTURE(HashBench, Class, &Class::ClassInfo)->Unit(benchmark::kMillisecond)

HASH_BENCH(THash_Haval128);
HASH_BENCH(THash_Haval160);
HASH_BENCH(THash_Haval192);
HASH_BENCH(THash_Haval224);
HASH_BENCH(THash_Haval256);
HASH_BENCH(THash_Snefru);
HASH_BENCH(THash_Sapphire128);
HASH_BENCH(THash_Sapphire160);
HASH_BENCH(THash_Sapphire192);
HASH_BENCH(THash_Sapphire224);
HASH_BENCH(THash_Sapphire256);
HASH_BENCH(THash_Sapphire288);
HASH_BENCH(THash_Sapphire320);
HASH_BENCH(THash_Square);

BENCHMARK_CAPTURE(CipherBench, TCipher_Square, &TCipher_Square::ClassInfo)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(CipherBench, TCipher_Shark, &TCipher_Shark::ClassInfo)->Unit(benchmark::kMillisecond);
#if TORVANE_HAVE_CRYPTOPP
BENCHMARK_TEMPLATE(CryptoppBench, CryptoPP::Square)
    ->Name("CryptoPP_Square_ECB")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(CryptoppBench, CryptoPP::SHARK)->Name("CryptoPP_SHARK_ECB")->Unit(benchmark::kMillisecond);
#endif

BENCHMARK_MAIN();
