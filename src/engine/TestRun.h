#pragma once
// The test run: starting and stopping it, choosing the next test and its length, the work time and the
// error count, the error report, and the three load modes. Everything here runs on the GUI thread: menu
// commands, the two window timers (the sequencer every 100 ms, the work-time clock every 800 ms) and the
// workload ticks that the worker timers hand over. Workloads process events while they work, so the run
// state can change between any two of their KeepGoing calls, and they check it after each one.
//
// The run owns its state and the choices it reads (load mode, test choice, "No Encryption tests"); it
// publishes what it does as typed events (RunStream.h) to one subscriber, which renders them, and a front
// end sends the user's commands here. The workloads and their
// timers come from the workloads' descriptions (Workload.h).

#include "crypto/Managers.h"
#include "engine/Random.h"
#include "engine/RunState.h"
#include "engine/RunStream.h"
#include "engine/WindowTimer.h"
#include "engine/WorkClock.h"
#include "engine/WorkerTimer.h"
#include "engine/Workload.h"
#include "platform/Clock.h"

#include <QObject>
#include <QPoint>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace torvane {
class TWorkFolderClaim;
}

namespace torvane::engine {

class EncryptionWorkload;
class MmxWorkload;
class SettingsReader;
class WhetstoneWorkload;

// Where a test run takes its time and its view of the system from. Tests pass manual clocks; the
// program leaves everything at its default.
struct TestRunEnvironment {
    MsClock* msClock = nullptr; // pacing of the worker timers; the real clock when null
    // The wall and monotonic clocks of the work clock; the real ones when null.
    WorkTimeSource* workTime = nullptr;
    // Local time, for what is shown with a date (a certificate's time stamp); never for work time. Real
    // local time when null.
    LocalClock* localClock = nullptr;
    // false: the sequencer and the work-time clock tick only when a test fires them
    bool automaticWindowTimers = true;
    std::function<void(int ms)> sleep;         // real sleeps when empty
    std::function<ReseedInputs()> systemState; // SystemReseedInputs() when empty
    char decimalSeparator = 0;                 // the locale's when 0
    // The mouse cursor in screen coordinates, one of the reseed inputs; (0, 0) when empty (no display).
    std::function<QPoint()> cursorPosition;
};

// The work folder the store names (Q1) where it exists, the user's private work folder otherwise.
std::string WorkDirectoryOf(SettingsReader& settings);

class TestRun : public QObject {
public:
    // Every event of the run goes to the subscriber (a RunEventHub where several render it).
    explicit TestRun(IRunSubscriber& subscriber, TestRunEnvironment environment = {});
    ~TestRun() override;
    TestRun(const TestRun&) = delete;
    TestRun& operator=(const TestRun&) = delete;

    // Work settings: the folder of the work files (ends with "/"), their size limit in bytes, the banner.
    std::string TempDir;
    std::int32_t MaxTempSize = 104857600;
    QStringList BannerLines;
    // Takes the work folder (Q1, used only where it exists; the user's private work folder otherwise)
    // and the size limit (Q2) from the store.
    void LoadWorkSettings(SettingsReader& settings);
    // Whether "Stop" stores the size limit where none is stored; false while the limit is this run's
    // own (given on the command line), which must not touch the store.
    bool StoreSizeLimit = true;
    // Removes a work file of the work folder; a missing file is no error, a link is removed, never
    // followed.
    void DeleteWorkFile(const char* name);
    // Claims the work folder for this run (WorkFolderClaim.h); "Start" claims it, "Stop" lets it go. The
    // problem in words (a sentence to go on, without its capital and full stop) when another test run
    // holds it, or nothing when this run holds it now.
    std::optional<QString> ClaimWorkFolder();
    bool HoldsWorkFolder() const { return claim_ != nullptr; }
    // The shutdown's clean-up of the work files: only in the folder this run worked in, and only while no
    // other run uses it. A program that never ran a test (a certificate viewer started by a double-click,
    // a window closed without a run) never touches work files.
    void RemoveLeftWorkFiles(bool allThree);

    // A run ends by itself once it has this much work time (seconds; 0: never). The limit is taken right
    // after a check of the work clock, so a jump of the clock is never mistaken for a run that reached it.
    std::int64_t TimeLimitSeconds = 0;

    RunState State;

    // The choices of the "Mode" and "Tests" menus.
    LoadMode Mode() const { return mode_; }
    TestChoice Tests() const { return tests_; }
    bool NoEncryptionTests() const { return noEncryptionTests_; }
    // The stored test choice at start: ticks its item without running the item's command.
    void SetTestChoice(TestChoice choice);
    // Takes the test choice from the store (Q12), as both front ends do: "Random" runs its command,
    // "Optimal..." is ticked without its command; nothing stored leaves "Random".
    void LoadTestChoice(SettingsReader& settings);
    // Ticks or unticks "No Encryption tests" (the terminal run's choice).
    void SetNoEncryptionTests(bool ticked);
    // Restricts the sequencer to the tests of the given workloads (their description names, in any
    // case); an empty list allows every test. False, with nothing changed, when a name is no test.
    bool RestrictTests(const std::vector<std::string>& names);
    bool TestAllowed(const WorkloadInfo& info) const;
    // Makes the next pass of the named test's workload go wrong on purpose (Workload::InjectFault); false
    // when the name is no test.
    bool InjectFault(std::string_view name);
    // How a menu item of the engine is to look now.
    MenuItemState MenuState(MenuItem item) const;

    // Menu commands.
    void Start1Click();
    void Stop1Click();
    void Exit1Click();
    void idle1Click();
    void Normal1Click();
    void Hardcore1Click();
    void Random1Click();
    void Optimal1Click();
    // Toggles its tick, as "Stay On Top" does its own.
    void NoEncryptiontests1Click();
    // A click, from the user or from code: runs the item's command only while the item is enabled, which
    // makes a second stop request harmless. Items without a command of the engine do nothing.
    void ClickMenuItem(MenuItem item);
    // "Exit": the front end ends the application.
    std::function<void()> OnExit;
    // The processor an error report names after its own lines (" Processor: cpu N"), where a front end
    // runs this run beside others; none by default.
    std::optional<int> ReportCpu;

    // Window timer ticks.
    void Timer1Timer(); // OperateTimer
    void KelloTimer();
    void PickNextTest();

    // Operations the workloads use.
    bool KeepGoing();
    void ProcessMessages();
    // Whether the caller runs nested in a pass, a wait or an error report of the run (inside its
    // ProcessMessages): a stopped run may still finish a pass there, count an error and report it, so its
    // results are final only when this is false.
    bool InsideAPass() const { return messageDepth_ > 0; }
    // Callers count the error in State.ErrorCount themselves. A cause (the system's reason for a failed
    // file operation) follows the report's lines, so that the user does not take it for the processor's.
    // The Error event goes out first, with the two pass texts of a mismatch where EndPass found one.
    void ReportTestError(std::int32_t code, const QString& message, const QString& detail,
                         const QString& cause = {});
    // Every event of the run goes out here; Say is a line on a pane.
    void Publish(const RunEvent& event);
    void Say(Pane pane, const QString& line) { Publish(event::Line{pane, line}); }
    // The end of a compared pass that was not left early: an exception in it is counted and reported
    // (code 2), then its text is compared with the last complete pass of the run (code 1 on a
    // difference). Only a complete pass that agreed (or was the run's first) becomes the reference.
    void EndPass(Workload& workload, const std::string& text, bool failed);
    // Checks the work clock and shows the work time; a jump of the system clock stops the run as
    // cheating. Every decision taken on the work time (a time limit, the results) comes after such a check.
    void UpdateWorkTime();
    std::int32_t RandomInRange(std::int32_t low, std::int32_t high);
    RandomGenerator& Generator() { return generator_; }
    WorkClock& Clock() { return workClock_; }
    char DecimalSeparator() const { return separator_; }

    // The workloads' timers.
    TWorkerTimer& Timer(std::string_view name);
    std::vector<TWorkerTimer*> WorkerTimers() const;
    // Switches off a workload's timers of one role, or the idle timers of every workload.
    void DisableTimers(const Workload& workload, TimerRole role);
    void DisableIdlers();
    // The default start of a test: the workload's test timers run for the given time (0: no limit).
    void RunTestTimers(const Workload& workload, std::int32_t durationMs);
    // The timers that run beside a test without a time limit of its own (TimerInfo::Companion): started
    // without a limit, and switched off by that test.
    void RunCompanions();
    void DisableCompanions();

    const std::vector<std::unique_ptr<Workload>>& Workloads() const { return workloads_; }
    WhetstoneWorkload& Whetstone();
    MmxWorkload& Mmx();
    EncryptionWorkload& Encryption();

    WindowTimer& OperateTimer() { return *operateTimer_; }
    WindowTimer& Kello() { return *kello_; }

    // Kernel id of the GUI thread, whose priority the load modes set.
    std::int64_t MainThreadId() const { return mainThreadId_; }

    // The encryption test's cipher with its key hash, and a second pair. The hash managers come first so
    // that they outlive the cipher managers that refer to them.
    crypto::THashManager EncryptorHash1;
    crypto::THashManager EncryptorHash2;
    crypto::TCipherManager Cipher1;
    crypto::TCipherManager Cipher2;

private:
    struct RunTimer {
        Workload* Owner;
        const TimerInfo* Info;
        std::unique_ptr<TWorkerTimer> Timer;
    };

    void ShowMenu();
    void SetMode(LoadMode mode);
    bool TestRunning() const;
    // The stop sequence itself, after the work clock's last check.
    void StopSequence();
    // Stops the run through its menu item (a click that does nothing once it is stopped), for a reason
    // other than the user's.
    void StopFor(StopReason reason);
    // Applies the work clock's rule to the time since its last check: shows a stall on the run log and
    // tells the observer, shows the work time. True when the system clock jumped; the run's work time is
    // then discarded, so that whatever follows (the stop's results) shows none of it.
    bool CheckWorkClock();
    // After a jump stopped the run: the message, and the work time gone from the screen.
    void ShowCheating();
    // Keeps the work time as shown and shows it.
    void ShowWorkTime(std::int64_t seconds);
    void Sleep(int ms);

    // The two pass texts of a result mismatch while its error is reported.
    std::optional<event::Mismatch> mismatch_;
    // Why the stop that is under way stops the run.
    StopReason stopping_ = StopReason::User;

    IRunSubscriber& out_;
    int runLogLines_ = 0; // the run log's lines since it was last cleared, which the sequencer needs
    TestRunEnvironment env_;
    MsClock& msClock_;
    WorkClock workClock_;
    RandomGenerator generator_;
    char separator_;
    std::int64_t mainThreadId_;
    std::uint32_t lastEventTime_ = 0;
    int messageDepth_ = 0;

    LoadMode mode_ = LoadMode::Normal;
    TestChoice tests_ = TestChoice::Random;
    bool noEncryptionTests_ = true;
    std::vector<const WorkloadInfo*> allowedTests_; // empty: every test

    std::vector<std::unique_ptr<Workload>> workloads_;
    std::vector<RunTimer> timers_;
    std::unique_ptr<TWorkFolderClaim> claim_;
    std::string workedIn_; // the folder of the last claim; empty: this run never claimed one
    std::unique_ptr<WindowTimer> operateTimer_, kello_;
};

} // namespace torvane::engine
