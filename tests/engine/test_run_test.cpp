// The test run on manual clocks: start, heat-up, sequencer, stop and its results, error reports and the
// load modes (the work-time clock has a file of its own).

#include "TestRunFixture.h"

#include "engine/MmxWorkload.h"
#include "engine/SettingsSchema.h"
#include "engine/TestRun.h"
#include "engine/WhetstoneWorkload.h"
#include "platform/Priority.h"
#include "platform/Settings.h"

#include <gtest/gtest.h>

#include <QTimer>

#include <algorithm>

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

namespace {

TEST_F(TestRunTest, StartShowsTheRunLogAndStartsHeatUpAndIdleWorkloads) {
    Start();
    EXPECT_FALSE(run->State.Stopped);
    EXPECT_EQ(view.Shown, Pane::RunLog);
    EXPECT_EQ(view.RunLog, Banner + QStringList({"Doing a 5 Minute CPU HeatUP..."}));
    EXPECT_FALSE(view.Menu.Get(MenuItem::Start1).Enabled);
    EXPECT_TRUE(view.Menu.Get(MenuItem::Stop1).Enabled);
    for (auto item : {MenuItem::Exit1, MenuItem::Options1, MenuItem::About1})
        EXPECT_FALSE(view.Menu.Get(item).Enabled);
    for (auto* t : {&run->Timer("HeatUp1"), &run->Timer("HeatUp2"), &run->Timer("Idler1"),
                    &run->Timer("Idler2"), &run->Timer("Idler3"), &run->Timer("Idler4")})
        EXPECT_TRUE(t->Enabled());
    EXPECT_TRUE(run->OperateTimer().Enabled());
    EXPECT_TRUE(run->Kello().Enabled());
}

TEST_F(TestRunTest, HeatUpLastsFiveMinutesOfClockTimeThenTheFirstTestFollows) {
    Start();
    for (int i = 0; i < 4; ++i) Advance(60000);
    Advance(59999);
    run->OperateTimer().Fire();
    EXPECT_TRUE(run->Timer("HeatUp1").Enabled());
    EXPECT_FALSE(HasTestLine());
    Advance(1);
    EXPECT_FALSE(run->Timer("HeatUp1").Enabled());
    EXPECT_FALSE(run->Timer("HeatUp2").Enabled());
    EXPECT_GT(PickUntilATestStarts(), 0);
    // The idle workloads ran all along and found nothing wrong.
    EXPECT_EQ(run->State.ErrorCount, 0);
    EXPECT_NE(run->State.WhetstoneReference, NoPassYet);
    EXPECT_NE(run->State.MmxReference, NoPassYet);
}

TEST_F(TestRunTest, StopDuringTheHeatUpAndAFreshHeatUpAfterwards) {
    Start();
    Advance(1000);
    Stop();
    EXPECT_FALSE(run->Timer("HeatUp1").Enabled());
    EXPECT_FALSE(run->Timer("HeatUp2").Enabled());
    Advance(1); // the last idle ticks find the run stopped and switch all four off
    for (auto* t :
         {&run->Timer("Idler1"), &run->Timer("Idler2"), &run->Timer("Idler3"), &run->Timer("Idler4")})
        EXPECT_FALSE(t->Enabled());
    Start();
    Advance(1000);
    EXPECT_EQ(run->Timer("HeatUp1").Elapsed(), 1000);
    EXPECT_TRUE(run->Timer("HeatUp1").Enabled());
}

TEST_F(TestRunTest, IdleModeStartsNoHeatUpAndNoIdleWorkloads) {
    Idle();
    Start();
    EXPECT_EQ(view.RunLog, Banner);
    for (auto* t : run->WorkerTimers()) EXPECT_FALSE(t->Enabled());
    EXPECT_GT(PickUntilATestStarts(), 0);
    EXPECT_FALSE(HasLineStarting(view.RunLog, "Doing a 5 Minute"));
}

TEST_F(TestRunTest, SequencerStartsOneTestAtATimeAndKindZeroStartsNothing) {
    Idle();
    Start();
    int empty = 0, whetstone = 0, mmx = 0;
    for (int i = 0; i < 40; ++i) {
        view.RunLog.clear();
        run->OperateTimer().Fire();
        ASSERT_FALSE(view.RunLog.isEmpty());
        EXPECT_EQ(view.RunLog.front(), "");
        if (view.RunLog.size() == 1) {
            ++empty; // kind 0 with "No Encryption tests" ticked
            for (auto* t : run->WorkerTimers()) EXPECT_FALSE(t->Enabled());
            continue;
        }
        const QString line = view.RunLog.at(1);
        const bool isW = line.endsWith(" minute Whetstone Test"), isM = line.endsWith(" minute MMX Test");
        ASSERT_TRUE(isW || isM) << line.toStdString();
        const int minutes = line.mid(8, line.indexOf(' ', 8) - 8).toInt();
        EXPECT_GE(minutes, 1);
        EXPECT_LE(minutes, 10);
        auto& a = isW ? run->Timer("WhetStone1") : run->Timer("MMX1");
        auto& b = isW ? run->Timer("WhetStone2") : run->Timer("MMX2");
        EXPECT_TRUE(a.Enabled() && b.Enabled());
        EXPECT_EQ(a.StopTicks(), minutes * 60000);
        (isW ? whetstone : mmx) += 1;
        // While the test runs the sequencer waits.
        view.RunLog.clear();
        run->OperateTimer().Fire();
        EXPECT_TRUE(view.RunLog.isEmpty());
        a.SetEnabled(false);
        b.SetEnabled(false);
    }
    EXPECT_GT(empty, 0);
    EXPECT_GT(whetstone, 0);
    EXPECT_GT(mmx, 0);
}

TEST_F(TestRunTest, SequencerClearsAFullRunLogAndOptimalStartsNothing) {
    Idle();
    Start();
    for (int i = 0; i < 120; ++i) run->Say(Pane::RunLog, "x");
    run->ClickMenuItem(MenuItem::Optimal1);
    EXPECT_EQ(view.Messages.back().second, "This feature will be done ASAP");
    EXPECT_TRUE(view.Menu.Get(MenuItem::Random1).Checked); // the command changes no tick mark
    run->SetTestChoice(TestChoice::Optimal);
    EXPECT_TRUE(view.Menu.Get(MenuItem::Optimal1).Checked);
    EXPECT_FALSE(view.Menu.Get(MenuItem::Random1).Checked);
    for (int i = 0; i < 10; ++i) run->OperateTimer().Fire();
    EXPECT_TRUE(view.RunLog.isEmpty());
    for (auto* t : run->WorkerTimers()) EXPECT_FALSE(t->Enabled());
    run->ClickMenuItem(MenuItem::Random1);
    EXPECT_TRUE(view.Menu.Get(MenuItem::Random1).Checked);
    EXPECT_FALSE(view.Menu.Get(MenuItem::Optimal1).Checked);
}

TEST_F(TestRunTest, SequencerStopsItselfOnAStoppedRun) {
    Idle();
    Start();
    run->State.Stopped = true;
    run->OperateTimer().Fire();
    EXPECT_FALSE(run->OperateTimer().Enabled());
}

TEST_F(TestRunTest, StopShowsTheResultsOfARunOfOneHourTwoMinutesThreeSeconds) {
    Idle();
    Start();
    WorkFor(3723000);
    Stop();
    EXPECT_TRUE(run->State.Stopped);
    EXPECT_EQ(view.Shown, Pane::Info);
    EXPECT_TRUE(view.RunLog.isEmpty());
    EXPECT_EQ(view.Info,
              Banner + QStringList({"", "Test Results:", " Errors: 0", " Worktime: 0 d, 1 h, 2 m, 3 s"}));
    EXPECT_EQ(view.Counters, (std::array<QString, 4>{"0", "1", "2", "3"}));
    EXPECT_TRUE(view.Menu.Get(MenuItem::Start1).Enabled);
    EXPECT_FALSE(view.Menu.Get(MenuItem::Stop1).Enabled);
    for (auto item : {MenuItem::Exit1, MenuItem::Options1, MenuItem::About1})
        EXPECT_TRUE(view.Menu.Get(item).Enabled);
    EXPECT_FALSE(run->Kello().Enabled());
    // A second stop request finds "Stop" disabled and does nothing.
    view.Info.clear();
    Stop();
    EXPECT_TRUE(view.Info.isEmpty());
}

TEST_F(TestRunTest, StopStoresTheSizeLimitOnlyWhenNoneIsStored) {
    SettingsKey().DeleteValue("Q2");
    run->MaxTempSize = 52428800;
    Idle();
    Start();
    Stop();
    EXPECT_EQ(SettingsKey().ReadString("Q2"), "52428800");
    SettingsKey().WriteString("Q2", "1048576");
    Start();
    Stop();
    EXPECT_EQ(SettingsKey().ReadString("Q2"), "1048576");
}

TEST_F(TestRunTest, StopDeletesTheWorkFiles) {
    const torvane::test::TempDir folder;
    const std::filesystem::path dir = folder.Path();
    run->TempDir = folder.Path() + "/";
    for (auto name : {"TORVA_1.tmp", "TORVA_2.tmp", "TORVA_3.tmp"}) std::ofstream(dir / name) << "x";
    Idle();
    Start();
    EXPECT_FALSE(std::filesystem::exists(dir / "TORVA_1.tmp"));
    EXPECT_TRUE(std::filesystem::exists(dir / "TORVA_3.tmp")); // "Start" leaves the third one
    Stop();
    EXPECT_FALSE(std::filesystem::exists(dir / "TORVA_3.tmp"));
}

TEST_F(TestRunTest, ForcedWhetstoneMismatchGivesTheFiveReportLines) {
    Idle();
    Start();
    run->State.WhetstoneReference = "a text no pass writes";
    run->Whetstone().WhetStone1Timer();
    EXPECT_TRUE(run->State.Stopped);
    EXPECT_EQ(run->State.ErrorCount, 1);
    EXPECT_EQ(InfoBelowBanner(),
              (QStringList{"Testing Stopped:", " Error Message: Whetstone test failed!", " ErrorCode: 1",
                           " Calculation error: Calculation error", " ErrorType: Calculation error"}));
    EXPECT_EQ(view.Info.mid(0, Banner.size()), Banner);
    EXPECT_EQ(view.Shown, Pane::Info);
    EXPECT_EQ(view.MainWindowShown, 1);
    EXPECT_EQ(run->State.LastStop, StopReason::Error);
}

TEST_F(TestRunTest, ForcedMmxMismatchGivesTheFiveReportLines) {
    Idle();
    Start();
    run->State.MmxReference = "15";
    run->Mmx().MMX2Timer();
    EXPECT_EQ(run->State.ErrorCount, 1);
    EXPECT_EQ(InfoBelowBanner(),
              (QStringList{"Testing Stopped:", " Error Message: MMX test failed!", " ErrorCode: 1",
                           " Calculation error: Calculation error", " ErrorType: Calculation error"}));
    EXPECT_EQ(run->State.MmxReference, "15") << "a pass that disagreed never becomes the reference";
}

TEST_F(TestRunTest, DivisionByZeroGivesCodeTwoAndWithAReferenceCodeOne) {
    Idle();
    Start();
    run->Whetstone().StartValues.T2 = 0; // module 3 divides by it
    run->Whetstone().WhetStone1Timer();
    EXPECT_EQ(run->State.ErrorCount, 1);
    EXPECT_EQ(InfoBelowBanner(),
              (QStringList{"Testing Stopped:", " Error Message: Whetstone test failed!", " ErrorCode: 2",
                           " Calculation error: N/A", " ErrorType: Unexpected error"}));
    // The partial text is no pass's result: the next complete pass is the run's first.
    EXPECT_EQ(run->State.WhetstoneReference, NoPassYet);

    // With a reference from a sound pass the partial text differs too: two errors, the last report wins.
    run->Whetstone().StartValues = WhetstoneVariables{};
    run->Whetstone().StartValues.OuterCount = 2;
    Start();
    run->Whetstone().WhetStone2Timer();
    EXPECT_EQ(run->State.ErrorCount, 1);
    run->Whetstone().StartValues.T2 = 0;
    run->Whetstone().Idler3Timer();
    EXPECT_EQ(run->State.ErrorCount, 3);
    EXPECT_EQ(InfoBelowBanner().at(2), " ErrorCode: 1");
    EXPECT_TRUE(view.RunLog.contains("Whetstone test failed!"));
    // The sound text stays the reference: a sound pass after it agrees.
    run->Whetstone().StartValues.T2 = WhetstoneVariables{}.T2;
    run->Whetstone().Idler3Timer();
    EXPECT_EQ(run->State.ErrorCount, 3);
}

TEST_F(TestRunTest, OneInjectedFaultIsOneErrorAndNeverTheReference) {
    for (const char* test : {"mmx", "whetstone"}) {
        SCOPED_TRACE(test);
        const int before = run->State.ErrorCount;
        Idle();
        Start();
        const bool mmx = std::string(test) == "mmx";
        const auto testPass = [&] { mmx ? run->Mmx().MMX1Timer() : run->Whetstone().WhetStone1Timer(); };
        testPass();
        const std::string sound = mmx ? run->State.MmxReference : run->State.WhetstoneReference;
        ASSERT_TRUE(run->InjectFault(test));
        testPass();
        EXPECT_EQ(run->State.ErrorCount, before + 1);
        EXPECT_TRUE(run->State.Stopped);
        // The idle pass that was under way when the run stopped still ends and is compared: with the
        // sound text as the reference it agrees, so the one fault stays one error.
        mmx ? run->Mmx().Idler4Timer() : run->Whetstone().Idler3Timer();
        EXPECT_EQ(mmx ? run->State.MmxReference : run->State.WhetstoneReference, sound);
        EXPECT_EQ(run->State.LastStop, StopReason::Error);
        if (!mmx) { // the idle Whetstone pass leaves a stopped run at once; a test pass after one agrees
            Start();
            run->State.WhetstoneReference = sound;
            testPass();
        }
        EXPECT_EQ(run->State.ErrorCount, before + 1);
    }
}

TEST_F(TestRunTest, ErrorCountCarriesOverToTheNextRun) {
    Idle();
    Start();
    run->State.MmxReference = "not a pass text";
    run->Mmx().MMX1Timer();
    ASSERT_EQ(run->State.ErrorCount, 1);
    Start();
    EXPECT_EQ(run->State.MmxReference, NoPassYet); // "Start" resets the references, not the count
    run->Mmx().MMX1Timer();
    run->Mmx().MMX2Timer();
    Stop();
    EXPECT_EQ(InfoBelowBanner().at(2), " Errors: 1");
}

TEST_F(TestRunTest, ConsecutivePassesOfAllHandlersAgree) {
    Idle();
    Start();
    run->Whetstone().StartValues.OuterCount = 128;
    run->Whetstone().WhetStone1Timer();
    run->Whetstone().WhetStone2Timer();
    run->Mmx().MMX1Timer();
    run->Mmx().MMX2Timer();
    run->Mmx().Idler4Timer();
    EXPECT_EQ(run->State.ErrorCount, 0);
    EXPECT_FALSE(run->State.Stopped);
}

TEST_F(TestRunTest, StopInsideATestPassLeavesTheReferenceAlone) {
    Idle();
    Start();
    run->State.WhetstoneReference = "before";
    run->State.MmxReference = "before";
    int repaints = 0;
    view.OnRepaint = [&] {
        if (++repaints == 3) run->ClickMenuItem(MenuItem::Stop1);
    };
    run->Whetstone().WhetStone1Timer();
    EXPECT_EQ(run->State.WhetstoneReference, "before");
    run->Start1Click();
    run->State.MmxReference = "before";
    repaints = 0;
    run->Mmx().MMX1Timer();
    EXPECT_EQ(run->State.MmxReference, "before");
    EXPECT_EQ(run->State.ErrorCount, 0);
    EXPECT_FALSE(run->Timer("MMX1").Enabled());
}

TEST_F(TestRunTest, StopInsideAnIdleMmxPassStillComparesTheFullText) {
    Idle();
    Start();
    int repaints = 0;
    view.OnRepaint = [&] {
        if (++repaints == 3) run->ClickMenuItem(MenuItem::Stop1);
    };
    run->Timer("Idler4").SetEnabled(true);
    run->Mmx().Idler4Timer();
    EXPECT_EQ(run->State.MmxReference.size(), 8712u);
    EXPECT_FALSE(run->Timer("Idler4").Enabled());
    EXPECT_EQ(run->State.ErrorCount, 0);
}

TEST_F(TestRunTest, ARunIsInsideAPassOnlyWhileItServesMessagesForOne) {
    Idle();
    Start();
    EXPECT_FALSE(run->InsideAPass());
    // What the front end's own timers see when they fire during a pass: the run stopped, the pass not
    // yet compared.
    std::vector<bool> seen;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] { seen.push_back(run->InsideAPass()); });
    probe.start(0);
    int repaints = 0;
    view.OnRepaint = [&] {
        if (++repaints == 3) run->ClickMenuItem(MenuItem::Stop1);
    };
    run->Timer("Idler4").SetEnabled(true);
    run->Mmx().Idler4Timer();
    probe.stop();
    ASSERT_FALSE(seen.empty());
    EXPECT_TRUE(std::all_of(seen.begin(), seen.end(), [](bool inside) { return inside; }));
    EXPECT_FALSE(run->InsideAPass());
}

TEST_F(TestRunTest, TheStoredTestChoiceIsReadAlikeByEveryFrontEnd) {
    const auto reader = [](std::optional<bool> random) {
        SettingsSnapshot snapshot;
        if (random) snapshot.Set("Q12", SettingsValue::Bool(*random));
        return SettingsReader(snapshot);
    };
    auto optimal = reader(false);
    run->LoadTestChoice(optimal);
    EXPECT_EQ(run->Tests(), TestChoice::Optimal);
    EXPECT_TRUE(view.Menu.Get(MenuItem::Optimal1).Checked);
    EXPECT_TRUE(view.Messages.empty()) << "\"Optimal...\" is ticked without its command";
    auto absent = reader(std::nullopt);
    run->LoadTestChoice(absent);
    EXPECT_EQ(run->Tests(), TestChoice::Optimal) << "nothing stored changes nothing";
    auto random = reader(true);
    run->LoadTestChoice(random);
    EXPECT_EQ(run->Tests(), TestChoice::Random);
    EXPECT_TRUE(view.Menu.Get(MenuItem::Random1).Checked);
}

TEST_F(TestRunTest, LoadModesSetPrioritiesAndTicks) {
    run->ClickMenuItem(MenuItem::idle1);
    EXPECT_TRUE(view.Menu.Get(MenuItem::idle1).Checked);
    EXPECT_FALSE(view.Menu.Get(MenuItem::Normal1).Checked);
    EXPECT_EQ(CurrentProcessPriorityClass(), ProcessPriorityClass::Idle);
    // The run's own thread stays schedulable on a busy machine: the lowest priority, not the idle class.
    EXPECT_EQ(RequestedThreadPriority(run->MainThreadId()), ThreadPriority::Lowest);
    for (auto* t : {&run->Timer("MMX1"), &run->Timer("MMX2"), &run->Timer("WhetStone1"),
                    &run->Timer("WhetStone2"), &run->Timer("Encryptor")})
        EXPECT_EQ(t->ThreadPriority(), ThreadPriority::Idle);

    run->ClickMenuItem(MenuItem::Hardcore1);
    EXPECT_TRUE(view.Menu.Get(MenuItem::Hardcore1).Checked);
    EXPECT_FALSE(view.Menu.Get(MenuItem::idle1).Checked);
    EXPECT_EQ(CurrentProcessPriorityClass(), ProcessPriorityClass::High);
    EXPECT_EQ(RequestedThreadPriority(run->MainThreadId()), ThreadPriority::Highest);
    EXPECT_EQ(run->Timer("MMX2").ThreadPriority(), ThreadPriority::Higher);
    EXPECT_EQ(run->Timer("Encryptor").ThreadPriority(), ThreadPriority::Highest);

    run->ClickMenuItem(MenuItem::Normal1);
    EXPECT_EQ(CurrentProcessPriorityClass(), ProcessPriorityClass::Normal);
    EXPECT_EQ(RequestedThreadPriority(run->MainThreadId()), ThreadPriority::Normal);
    EXPECT_EQ(run->Timer("WhetStone1").ThreadPriority(), ThreadPriority::Normal);
    // The heat-up and idle timers keep their own priorities in every mode.
    EXPECT_EQ(run->Timer("HeatUp1").ThreadPriority(), ThreadPriority::Normal);
    EXPECT_EQ(run->Timer("Idler3").ThreadPriority(), ThreadPriority::Idle);
}

TEST_F(TestRunTest, ExitEndsTheApplicationOnlyWhenNoRunIsActive) {
    int quits = 0;
    run->OnExit = [&] { ++quits; };
    Idle();
    Start();
    run->ClickMenuItem(MenuItem::Exit1);
    EXPECT_EQ(quits, 0);
    Stop();
    run->ClickMenuItem(MenuItem::Exit1);
    EXPECT_EQ(quits, 1);
    EXPECT_TRUE(run->State.Stopped);
}

TEST_F(TestRunTest, DestroyedWithTicksInFlight) {
    Start();
    std::vector<TWorkerTimer*> running;
    for (auto* t : run->WorkerTimers())
        if (t->Enabled()) running.push_back(t);
    ASSERT_EQ(running.size(), 6u); // heat-up and idle timers
    ms.Advance(1);
    // Every one of them has handed a tick over that nobody has served yet.
    ASSERT_TRUE(torvane::test::WaitUntilHandedOver(running));
    const int repaints = view.Repaints, updates = view.Updates;

    // Destruction must neither hang on a thread that waits for its tick nor leave a tick behind that
    // later runs into the destroyed run.
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    std::thread watchdog([&] {
        std::unique_lock lock(mutex);
        if (!finished.wait_for(lock, std::chrono::seconds(20), [&] { return done; })) {
            std::fprintf(stderr, "destroying a run with ticks in flight hangs\n");
            std::_Exit(1);
        }
    });
    run.reset();
    {
        std::lock_guard lock(mutex);
        done = true;
    }
    finished.notify_all();
    watchdog.join();

    for (int i = 0; i < 5; ++i) torvane::test::PumpEvents();
    EXPECT_EQ(view.Repaints, repaints) << "a tick of the destroyed run was served";
    EXPECT_EQ(view.Updates, updates) << "a tick of the destroyed run was served";
}

TEST_F(TestRunTest, KeepGoingServesTicksQueuedBeforeIt) {
    Start();
    ms.Advance(1);
    // Wait, without serving anything, until the heat-up and idle timers have all handed a tick over.
    ASSERT_TRUE(torvane::test::WaitUntilHandedOver({&run->Timer("HeatUp1"), &run->Timer("Idler1")}));
    EXPECT_TRUE(run->KeepGoing());
    EXPECT_FALSE(run->Timer("HeatUp1").TickPending());
    EXPECT_FALSE(run->Timer("Idler1").TickPending());
}

} // namespace
