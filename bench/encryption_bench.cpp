// Speed of the encryption workload's data path: one cycle of a set size for chosen ciphers of its table,
// with a keep-going check that serves no events (so that no Whetstone or MMX pass runs inside the cycle), and
// the MB/s of the whole cycle and of its parts (random file, checksum, encryption, decryption), with the
// peak resident memory after it. Beside it, the two halves of the random file: drawing its lines, and
// writing them reopened, appended and flushed one by one.
//
//   encryption_bench                                     the table's three slowest and three fastest
//   encryption_bench --benchmark_filter=Cycle/20/10      one cycle of Cast128 at 10 MB
//   TORVANE_BENCH_DIR=/some/folder encryption_bench      the work folder (default: the system's temp)

#include "EngineBench.h"
#include "engine/EncryptionWorkload.h"
#include "engine/TestRun.h"
#include "platform/Files.h"
#include "platform/WorkFolder.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <sys/resource.h>
#include <unistd.h>

using namespace torvane;
using namespace torvane::engine;

namespace {

using Clock = std::chrono::steady_clock;

using bench::App;
using bench::NullView;

std::string WorkFolder() {
    const char* dir = std::getenv("TORVANE_BENCH_DIR");
    return WithTrailingSeparator(dir && *dir ? dir : SystemTempDirectory());
}

double PeakResidentMb() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// A moment on the wall clock and on this thread's processor clock: on a machine that other work shares,
// the processor time tells what the cycle itself costs, the wall time what a user waits.
struct Moment {
    Clock::time_point wall;
    double cpu = 0;
    static Moment Now() {
        timespec t{};
        ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return {Clock::now(), static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9};
    }
};

// The seconds between two moments, wall and processor.
struct Span {
    double wall = 0, cpu = 0;
    void Add(const Moment& a, const Moment& b) {
        wall += std::chrono::duration<double>(b.wall - a.wall).count();
        cpu += b.cpu - a.cpu;
    }
};

// The moments a cycle passes from part to part, taken from the progress reports: every hashing and
// coding reports (0, total) when it begins and (0, 0) when it ends.
struct Moments {
    std::vector<Moment> begins, ends;
    void Note(std::int64_t current, std::int64_t maximal) {
        if (current != 0) return;
        (maximal != 0 ? begins : ends).push_back(Moment::Now());
    }
};

// Args: the table index of the cipher, the size in MB.
void BM_Cycle(benchmark::State& state) {
    App();
    NullView view;
    TestRunEnvironment env;
    env.automaticWindowTimers = false;
    TestRun run(view, env);
    run.TempDir = WorkFolder();
    run.ClickMenuItem(MenuItem::idle1);
    run.ClickMenuItem(MenuItem::Start1);
    const auto megabytes = static_cast<std::int32_t>(state.range(1));
    auto& workload = run.Encryption();
    workload.CipherIndex = static_cast<std::int32_t>(state.range(0));
    workload.TargetSize = megabytes * 1048576;
    // No event is served, so the clock of the window (which shows the work time every 800 ms in a run)
    // does not tick: the check shows it instead, or a random file that takes longer than 10 seconds would
    // look like a jump of the system clock and stop the run in the middle of the cycle.
    workload.KeepGoingCheck = [&run] {
        run.UpdateWorkTime();
        return true;
    };

    Moments moments;
    for (auto* progress : {&run.Cipher1.OnProgress, &run.EncryptorHash1.OnProgress})
        *progress = [&moments, inner = *progress](const void* sender, std::int64_t c, std::int64_t m) {
            moments.Note(c, m);
            inner(sender, c, m);
        };

    Span file, crc, encryption, decryption, whole;
    for (auto _ : state) {
        moments = {};
        const auto start = Moment::Now();
        workload.EncryptorTimer();
        const auto end = Moment::Now();
        if (moments.begins.size() != 4 || moments.ends.size() != 4 || run.State.ErrorCount != 0) {
            state.SkipWithError("the cycle did not complete");
            break;
        }
        const auto& b = moments.begins;
        const auto& e = moments.ends;
        file.Add(start, b[0]);
        crc.Add(b[0], e[0]);
        encryption.Add(b[1], e[1]);
        decryption.Add(b[2], e[2]);
        crc.Add(b[3], end);
        whole.Add(start, end);
    }
    const double mb = static_cast<double>(megabytes) * static_cast<double>(state.iterations());
    state.SetLabel(CipherTableName(static_cast<int>(state.range(0))));
    // MB per second of wall time, and (the _cpu counters) per second of the thread's processor time.
    const auto rate = [&](const char* name, double bytes, const Span& span) {
        state.counters[name] = bytes / span.wall;
        state.counters[std::string(name) + "_cpu"] = bytes / span.cpu;
    };
    rate("cycle_MBps", mb, whole);
    rate("file_MBps", mb, file);
    rate("crc_MBps", 2 * mb, crc);
    rate("enc_MBps", mb, encryption);
    rate("dec_MBps", mb, decryption);
    state.counters["peak_rss_MB"] = PeakResidentMb();
    run.ClickMenuItem(MenuItem::Stop1);
}

// The table's three slowest ciphers (DES Triple 24byte, Skipjack, FROG) and its three fastest (SCOP,
// Square, Q128), as torvane-crypt bench ranks them in the cycle's chaining mode.
BENCHMARK(BM_Cycle)
    ->ArgNames({"cipher", "MB"})
    ->Args({15, 100})
    ->Args({9, 100})
    ->Args({14, 100})
    ->Args({10, 100})
    ->Args({7, 100})
    ->Args({12, 100})
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

// The same cycle at a tenth of the size: the resident memory is the same.
BENCHMARK(BM_Cycle)->Name("BM_CycleMemory")->Args({10, 10})->Iterations(1)->Unit(benchmark::kSecond);

constexpr int LineBytes = 350; // 32 integers of a random file line, with its line end, on average

// Drawing the lines of a random file (32 draws of 1000 clocks each), without writing them.
void BM_RandomLines(benchmark::State& state) {
    RandomGenerator generator;
    generator.Reseed(ReseedInputs{});
    std::int64_t bytes = 0;
    for (auto _ : state) {
        char digits[12];
        std::string line;
        for (int i = 0; i < 32; ++i) {
            const auto value = static_cast<std::int32_t>(generator.Draw(1000));
            line.append(digits, static_cast<std::size_t>(std::snprintf(digits, sizeof digits, "%d", value)));
        }
        bytes += static_cast<std::int64_t>(line.size()) + 2;
        benchmark::DoNotOptimize(line.data());
    }
    state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_RandomLines);

// Writing lines as the random file does: reopened for appending, written and closed one by one, through
// the work folder (no link followed, the file checked to be the one created); or, for comparison, all
// through one descriptor kept open. Arg: 1 reopens per line.
void BM_WriteLines(benchmark::State& state) {
    TWorkFolder folder(WorkFolder());
    const std::string name = "TORVA_bench_" + std::to_string(::getpid()) + ".tmp";
    folder.Delete(name);
    auto open = folder.Create(name);
    const bool reopen = state.range(0) != 0;
    if (reopen) open.reset();
    const std::string line = std::string(LineBytes - 2, '7') + "\r\n";
    for (auto _ : state) {
        if (!reopen) {
            open->WriteBuffer(line.data(), LineBytes);
            continue;
        }
        auto file = folder.Open(name, FileMode::Append);
        file->WriteBuffer(line.data(), LineBytes);
        file->Flush();
    }
    state.SetBytesProcessed(state.iterations() * LineBytes);
    state.SetLabel(reopen ? "reopened per line" : "kept open");
    open.reset();
    folder.Delete(name);
}
BENCHMARK(BM_WriteLines)->Arg(1)->Arg(0);

} // namespace

BENCHMARK_MAIN();
