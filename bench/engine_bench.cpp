// Speed of the engine's pieces: a Whetstone pass, an MMX pass with and without the keep-going check,
// MmxOperate against the bare instruction, and the worker timer's hand-off to the GUI thread.

#include "EngineBench.h"
#include "engine/MmxWorkload.h"
#include "engine/TestRun.h"
#include "engine/Whetstone.h"
#include "engine/WorkerTimer.h"
#include "hw/PentiumMMX.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <mmintrin.h>
#endif

using namespace torvane;
using namespace torvane::engine;

namespace {

using bench::App;
using bench::NullView;

void BM_WhetstonePass(benchmark::State& state) {
    for (auto _ : state) {
        WhetstonePass pass('.');
        for (int i = 0; i < 128; ++i) pass.RunIteration();
        benchmark::DoNotOptimize(pass.ResultText());
    }
}
BENCHMARK(BM_WhetstonePass)->Unit(benchmark::kMillisecond);

void BM_MmxPassNoOpCheck(benchmark::State& state) {
    hw::TPentiumMMX mmx;
    std::string text;
    const std::function<bool()> yes = [] { return true; };
    for (auto _ : state) {
        RunMmxPass(mmx, text, yes, yes);
        benchmark::DoNotOptimize(text.data());
    }
}
BENCHMARK(BM_MmxPassNoOpCheck)->Unit(benchmark::kMicrosecond);

void BM_MmxPassKeepGoing(benchmark::State& state) {
    App();
    NullView view;
    TestRun run(view);
    run.State.Stopped = false;
    hw::TPentiumMMX mmx;
    std::string text;
    const std::function<bool()> check = [&] { return run.KeepGoing(); };
    for (auto _ : state) {
        RunMmxPass(mmx, text, check, check);
        benchmark::DoNotOptimize(text.data());
    }
}
BENCHMARK(BM_MmxPassKeepGoing)->Unit(benchmark::kMillisecond);

struct Operands {
    std::vector<hw::TMmxOperand> a, b;
    Operands() {
        std::mt19937_64 rng(1);
        for (int i = 0; i < 1024; ++i) {
            a.push_back(hw::TMmxOperand::FromQuad(rng()));
            b.push_back(hw::TMmxOperand::FromQuad(rng()));
        }
    }
};

void BM_MmxOperate(benchmark::State& state) {
    const Operands ops;
    const hw::TPentiumMMX mmx;
    const auto code = static_cast<std::uint8_t>(state.range(0));
    hw::TMmxOperand r;
    std::uint64_t sum = 0;
    for (auto _ : state) {
        for (std::size_t i = 0; i < ops.a.size(); ++i) {
            mmx.MmxOperate(code, ops.a[i], ops.b[i], r);
            sum += r.Low;
        }
    }
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(ops.a.size()));
}
BENCHMARK(BM_MmxOperate)->Arg(33)->Arg(43);

#if (defined(__x86_64__) || defined(__i386__)) && defined(__MMX__)
// The same instruction with nothing around it but the two EMMS every MMX use on this unit needs.
void BM_BareMmxInstruction(benchmark::State& state) {
    const Operands ops;
    std::uint64_t sum = 0;
    for (auto _ : state) {
        for (std::size_t i = 0; i < ops.a.size(); ++i) {
            _mm_empty();
            __m64 x = _mm_cvtsi64_m64(static_cast<long long>(ops.a[i].Quad()));
            const __m64 y = _mm_cvtsi64_m64(static_cast<long long>(ops.b[i].Quad()));
            if (state.range(0) == 33)
                __asm__("paddw %1, %0" : "+y"(x) : "y"(y));
            else
                __asm__("pmulhw %1, %0" : "+y"(x) : "y"(y));
            sum += static_cast<std::uint32_t>(_mm_cvtm64_si64(x));
            _mm_empty();
        }
    }
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(ops.a.size()));
}
BENCHMARK(BM_BareMmxInstruction)->Arg(33)->Arg(43);

// The intrinsic as the compiler builds it (on x86-64 GCC turns it into an SSE2 instruction).
void BM_BareIntrinsic(benchmark::State& state) {
    const Operands ops;
    std::uint64_t sum = 0;
    for (auto _ : state) {
        for (std::size_t i = 0; i < ops.a.size(); ++i) {
            const __m64 x = _mm_cvtsi64_m64(static_cast<long long>(ops.a[i].Quad()));
            const __m64 y = _mm_cvtsi64_m64(static_cast<long long>(ops.b[i].Quad()));
            sum += static_cast<std::uint32_t>(_mm_cvtm64_si64(_mm_add_pi16(x, y)));
        }
        _mm_empty();
    }
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(ops.a.size()));
}
BENCHMARK(BM_BareIntrinsic);
#endif

// One interval-1 timer on the real clock with an otherwise idle GUI thread: one iteration is one tick,
// so the time per iteration is the tick period.
void BM_WorkerTimerTicks(benchmark::State& state) {
    App();
    TWorkerTimer timer;
    timer.SetInterval(static_cast<std::uint16_t>(state.range(0)));
    std::int64_t ticks = 0;
    timer.OnTimer = [&](TWorkerTimer*) { ++ticks; };
    timer.SetEnabled(true);
    for (auto _ : state) {
        const auto target = ticks + 1;
        while (ticks < target) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    timer.SetEnabled(false);
    state.counters["ticks_per_s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
// Interval 1: the pacing of every workload. Interval 0: no waiting for the clock at all, so the time per
// tick is the hand-off alone (thread to GUI thread and back).
BENCHMARK(BM_WorkerTimerTicks)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
