#include "engine/MmxWorkload.h"

#include "engine/TestRun.h"

#include <array>
#include <charconv>

namespace torvane::engine {

namespace {

constexpr TimerInfo Timers[] = {
    {.Name = "MMX1",
     .Role = TimerRole::Test,
     .IntervalMs = 1,
     .Priority = ThreadPriority::Normal,
     .InMode = &TestTimerPriorities,
     .StopsItself = true,
     .Companion = true,
     .Tick = [](Workload& w, TWorkerTimer&) { static_cast<MmxWorkload&>(w).MMX1Timer(); }},
    {.Name = "MMX2",
     .Role = TimerRole::Test,
     .IntervalMs = 1,
     .Priority = ThreadPriority::Normal,
     .InMode = &TestTimerPriorities,
     .StopsItself = true,
     .Tick = [](Workload& w, TWorkerTimer&) { static_cast<MmxWorkload&>(w).MMX2Timer(); }},
    {.Name = "Idler4",
     .Role = TimerRole::Idle,
     .IntervalMs = 1,
     .Priority = ThreadPriority::Idle,
     .Tick = [](Workload& w, TWorkerTimer&) { static_cast<MmxWorkload&>(w).Idler4Timer(); }},
};

// Operation codes by k = (step mod 35) + 1; index 0 is unused. The pack, PSRLQ/PSRAx, PCMPEQD, PSUBW
// and PMADDWD codes are not part of the series.
constexpr std::array<std::uint8_t, 36> CodeOfK = {0,  1,  2,  3,  4,  10, 11, 12, 5,  6,  13, 14,
                                                  15, 16, 17, 22, 23, 24, 25, 26, 27, 28, 29, 30,
                                                  31, 32, 33, 34, 35, 36, 37, 38, 39, 41, 42, 43};

} // namespace

const WorkloadInfo MmxWorkload::Description{
    .Name = "MMX",
    .Timers = Timers,
    .TestKind = 2,
    .TestLine = "Doing a %1 minute MMX Test",
    .Reference = &RunState::MmxReference,
    .FailedMessage = "MMX test failed!",
};

std::uint8_t MmxStepCode(int step) {
    return CodeOfK[static_cast<std::size_t>(step % 35 + 1)];
}

bool RunMmxPass(const hw::TPentiumMMX& mmx, std::string& text, const std::function<bool()>& before,
                const std::function<bool()>& after) {
    hw::TMmxOperand a{3, 2}, b{5, 4}, r;
    text.clear();
    text.reserve(9000);
    for (int i = 1; i <= MmxSteps; ++i) {
        if (!before()) return false;
        const auto k = static_cast<std::uint32_t>(i % 35 + 1);
        // The operands follow their own series; results never feed back into them.
        a.High ^= k;
        a.Low |= k;
        b.High ^= a.Low + a.High;
        b.Low += a.Low ^ a.High;
        mmx.MmxOperate(CodeOfK[k], a, b, r);
        char buf[16];
        const auto res = std::to_chars(buf, buf + sizeof buf, static_cast<std::int32_t>(r.Low + r.High));
        text.append(buf, res.ptr);
        if (!after()) return false;
    }
    return true;
}

void MmxWorkload::TestPass(const hw::TPentiumMMX& mmx) {
    const auto check = [this] {
        if (run_.KeepGoing()) return true;
        run_.DisableTimers(*this, TimerRole::Test);
        return false;
    };
    std::string text;
    bool failed = false;
    try {
        if (!RunMmxPass(mmx, text, check, check)) return;
    } catch (...) {
        failed = true;
    }
    run_.EndPass(*this, text, failed);
}

void MmxWorkload::MMX1Timer() {
    TestPass(PentiumMMX1);
}
void MmxWorkload::MMX2Timer() {
    TestPass(PentiumMMX2);
}

void MmxWorkload::Idler4Timer() {
    // The idle pass never leaves early: a stop switches the idle timers off and the pass still runs to
    // its end and is compared.
    std::string text;
    bool failed = false;
    try {
        RunMmxPass(
            PentiumMMX3, text,
            [this] {
                if (!run_.KeepGoing()) run_.DisableIdlers();
                return true;
            },
            [this] {
                run_.ProcessMessages();
                return true;
            });
    } catch (...) {
        failed = true;
    }
    run_.EndPass(*this, text, failed);
}

} // namespace torvane::engine
