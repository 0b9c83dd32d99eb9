#pragma once
// The test run: starting and stopping it, choosing the next test and its length, the work time and the
// error count, the error report, and the three load modes. Everything here runs on the GUI thread: menu
// commands, the two window timers (the sequencer every 100 ms, the work-time clock every 800 ms) and the
// workload ticks that the worker timers hand over. Workloads process events while they work, so the run
// state can change between any two of their KeepGoing calls, and they check it after each one.

#include "engine/Random.h"
#include "engine/RunView.h"
#include "engine/WindowTimer.h"
#include "engine/WorkClock.h"
#include "engine/WorkerTimer.h"
#include "platform/Clock.h"
#include "platform/Priority.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace torvane::engine {

class HeatUpWorkload;
class MmxWorkload;
class WhetstoneWorkload;

// Where a test run takes its time and its view of the system from. Tests pass manual clocks; the
// program leaves everything at its default.
struct TestRunEnvironment {
    MsClock* msClock = nullptr;       // pacing of the worker timers; the real clock when null
    LocalClock* localClock = nullptr; // the work clock; real local time when null
    // false: the sequencer and the work-time clock tick only when a test fires them
    bool automaticWindowTimers = true;
    std::function<void(int ms)> sleep;         // real sleeps when empty
    std::function<ReseedInputs()> systemState; // SystemReseedInputs() when empty
    char decimalSeparator = 0;                 // the locale's when 0
};

enum class StopReason { None, User, Error, ClockJump };

struct RunState {
    bool Stopped = true;
    std::int32_t ErrorCount = 0;            // since program start; "Start" does not reset it
    std::string WhetstoneReference = "moi"; // "moi": no complete pass yet in this run
    std::string MmxReference = "moi";
    std::int32_t LastShownSeconds = 0;
    // The work-time fields as last shown: days, hours, minutes, seconds.
    std::array<QString, 4> Counters{QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0"),
                                    QStringLiteral("0")};
    StopReason LastStop = StopReason::None;
};

inline constexpr const char* NoPassYet = "moi";

class TestRun : public QObject {
public:
    explicit TestRun(IRunView& view, TestRunEnvironment environment = {});
    ~TestRun() override;
    TestRun(const TestRun&) = delete;
    TestRun& operator=(const TestRun&) = delete;

    // Settings of the owner (the main window or the terminal front end).
    std::string TempDir = "C:\\";
    std::int32_t MaxTempSize = 104857600;
    QStringList BannerLines;

    RunState State;

    // Menu commands.
    void Start1Click();
    void Stop1Click();
    void Exit1Click();
    void idle1Click();
    void Normal1Click();
    void Hardcore1Click();
    void Random1Click();
    void Optimal1Click();
    // A click from code: runs the item's command only while the item is enabled, which makes a second
    // stop request harmless. Items without a command of the engine do nothing.
    void ClickMenuItem(MenuItem item);

    // Window timer ticks.
    void Timer1Timer(); // OperateTimer
    void KelloTimer();
    void PickNextTest();

    // Operations the workloads use.
    bool KeepGoing();
    void ProcessMessages();
    // Callers count the error in State.ErrorCount themselves.
    void ReportTestError(std::int32_t code, const QString& message, const QString& detail);
    void UpdateWorkTime();
    std::int32_t RandomInRange(std::int32_t low, std::int32_t high);
    RandomGenerator& Generator() { return generator_; }
    WorkClock& Clock() { return workClock_; }
    IRunView& View() { return view_; }
    char DecimalSeparator() const { return separator_; }
    bool Ticked(MenuItem item) const { return view_.GetMenuItem(item).Checked; }

    // The timers of the run.
    WindowTimer& OperateTimer() { return *operateTimer_; }
    WindowTimer& Kello() { return *kello_; }
    TWorkerTimer& HeatUp1() { return *heatUp1_; }
    TWorkerTimer& HeatUp2() { return *heatUp2_; }
    TWorkerTimer& WhetStone1() { return *whetStone1_; }
    TWorkerTimer& WhetStone2() { return *whetStone2_; }
    TWorkerTimer& MMX1() { return *mmx1_; }
    TWorkerTimer& MMX2() { return *mmx2_; }
    TWorkerTimer& Encryptor() { return *encryptor_; }
    TWorkerTimer& Idler1() { return *idler1_; }
    TWorkerTimer& Idler2() { return *idler2_; }
    TWorkerTimer& Idler3() { return *idler3_; }
    TWorkerTimer& Idler4() { return *idler4_; }
    std::array<TWorkerTimer*, 11> WorkerTimers() const;
    void DisableIdlers();

    WhetstoneWorkload& Whetstone() { return *whetstone_; }
    MmxWorkload& Mmx() { return *mmx_; }

    // Kernel id of the GUI thread, whose priority the load modes set.
    std::int64_t MainThreadId() const { return mainThreadId_; }

private:
    void SetItemEnabled(MenuItem item, bool enabled);
    void Tick(MenuItem item);
    void ShowWorkTime(std::int32_t seconds);
    void SetCounters(const std::array<QString, 4>& counters);
    void DeleteWorkFile(const char* name);
    void SetTestTimerPriorities(ThreadPriority tests, ThreadPriority encryptor);
    void Sleep(int ms);

    IRunView& view_;
    TestRunEnvironment env_;
    MsClock& msClock_;
    WorkClock workClock_;
    RandomGenerator generator_;
    char separator_;
    std::int64_t mainThreadId_;
    std::uint32_t lastEventTime_ = 0;

    std::unique_ptr<HeatUpWorkload> heatUp_;
    std::unique_ptr<WhetstoneWorkload> whetstone_;
    std::unique_ptr<MmxWorkload> mmx_;

    std::unique_ptr<WindowTimer> operateTimer_, kello_;
    std::unique_ptr<TWorkerTimer> heatUp1_, heatUp2_, whetStone1_, whetStone2_, mmx1_, mmx2_, encryptor_;
    std::unique_ptr<TWorkerTimer> idler1_, idler2_, idler3_, idler4_;
};

} // namespace torvane::engine
