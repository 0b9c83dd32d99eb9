// "Processors" in the window: the stored choice, and a run on every processor with real worker processes
// of the program beside the window's own run (the first error stops all and names its processor, a stop
// gives one results line per processor, no worker and no work file is left behind).

#include "AppFixture.h"

#include "engine/WorkerTimer.h"
#include "platform/Affinity.h"
#include "window/Memo.h"
#include "window/ProcessorWorkers.h"

#include <QAction>
#include <QElapsedTimer>
#include <QLabel>

#include <filesystem>

namespace torvane::test {

class ProcessorsTest : public AppTest {
protected:
    std::unique_ptr<app::TForm1> MakeRunningForm() {
        key.WriteString("Q1", work.path().toStdString() + "/");
        return MakeForm("", "/opt/torvane/torvane",
                        [](app::Form1Services& s) { s.WorkerProgram = TORVANE_PROGRAM; });
    }
    // Serves the window until the condition holds, a minute at most (a worker's start and its first test
    // take moments; the limit only keeps a broken run from hanging the suite).
    static bool Until(const std::function<bool()>& condition) {
        QElapsedTimer waited;
        waited.start();
        while (!condition()) {
            if (waited.elapsed() > 60000) return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        }
        return true;
    }
    static bool Has(const app::TForm1& form, const QString& line) {
        return form.Memo2->Lines().contains(line);
    }
    static bool HasPrefix(const app::TForm1& form, const QString& start) {
        const auto& lines = form.Memo2->Lines();
        return std::any_of(lines.begin(), lines.end(), [&](const QString& l) { return l.startsWith(start); });
    }
    // Two processors of this machine: the window's own and one worker's.
    static std::optional<std::vector<int>> TwoProcessors() {
        const auto cpus = AllowedProcessors();
        if (cpus.size() < 2) return std::nullopt;
        return std::vector<int>{cpus[0], cpus[1]};
    }
};

TEST_F(ProcessorsTest, TheChoiceIsStoredAndANewStoreStartsWithAll) {
    {
        auto form = MakeForm();
        EXPECT_TRUE(form->AllProcessors1->isChecked());
        EXPECT_FALSE(form->OneProcessor1->isChecked());
        EXPECT_TRUE(form->ProcessorRuns().All);
        form->OneProcessor1->trigger();
        EXPECT_TRUE(form->OneProcessor1->isChecked());
        EXPECT_FALSE(form->AllProcessors1->isChecked());
        EXPECT_FALSE(form->ProcessorRuns().All);
        EXPECT_EQ(SettingsKey().ReadString("Q15"), "One");
    }
    {
        auto form = MakeForm();
        EXPECT_TRUE(form->OneProcessor1->isChecked());
        EXPECT_FALSE(form->ProcessorRuns().All);
        form->AllProcessors1->trigger();
        EXPECT_EQ(SettingsKey().ReadString("Q15"), "All");
    }
    // A value that is neither is told, and the run takes every processor.
    key.WriteString("Q15", "Both");
    auto form = MakeForm();
    EXPECT_TRUE(form->ProcessorRuns().All);
    EXPECT_FALSE(form->LoadProblems().isEmpty());
    EXPECT_EQ(SettingsKey().ReadString("Q15"), "Both") << "a value the user may mend stays as it is";
}

TEST_F(ProcessorsTest, OneRunsTheWindowAlone) {
    auto form = MakeRunningForm();
    form->OneProcessor1->trigger();
    form->Start1->trigger();
    EXPECT_FALSE(form->ProcessorRuns().WorkersRunning());
    EXPECT_FALSE(form->ProcessorStrip->isVisibleTo(form.get()));
    form->Stop1->trigger();
    EXPECT_FALSE(Has(*form, QStringLiteral(" cpu 0: Errors: 0, Worktime: 0 d, 0 h, 0 m, 0 s")));
}

TEST_F(ProcessorsTest, AFaultOfAWorkerStopsAllAndNamesItsProcessor) {
    const auto cpus = TwoProcessors();
    if (!cpus) GTEST_SKIP() << "one processor";
    auto form = MakeRunningForm();
    form->ProcessorRuns().Processors = *cpus;
    form->idle1->trigger();
    form->InjectFault({"mmx", (*cpus)[1]});
    form->Start1->trigger();
    EXPECT_TRUE(form->ProcessorStrip->isVisibleTo(form.get()));
    const QString named = QStringLiteral(" Processor: cpu %1").arg((*cpus)[1]);
    ASSERT_TRUE(Until([&] { return Has(*form, named); })) << form->Memo2->Lines().join('\n').toStdString();
    EXPECT_TRUE(form->Run().State.Stopped);
    const auto lines = form->Memo2->Lines();
    const auto at = lines.indexOf(QStringLiteral("Testing Stopped:"));
    ASSERT_GE(at, 0);
    EXPECT_EQ(lines.mid(at + 1, 5), QStringList({QStringLiteral(" Error Message: MMX test failed!"),
                                                 QStringLiteral(" ErrorCode: 1"),
                                                 QStringLiteral(" Calculation error: Calculation error"),
                                                 QStringLiteral(" ErrorType: Calculation error"), named}));
    EXPECT_EQ(form->Run().State.ErrorCount, 1) << "the worker's error is the run's";
    // Once the workers have ended: one line per processor, the window's own run without an error.
    ASSERT_TRUE(Until([&] { return !form->ProcessorRuns().WorkersRunning(); }));
    ASSERT_TRUE(Until(
        [&] { return HasPrefix(*form, QStringLiteral(" cpu %1: Errors: 0, Worktime: ").arg((*cpus)[0])); }));
    EXPECT_TRUE(HasPrefix(*form, QStringLiteral(" cpu %1: Errors: 1, Worktime: ").arg((*cpus)[1])));
    EXPECT_FALSE(std::filesystem::exists(WorkPath("worker-1/TORVA_1.tmp")));
    EXPECT_EQ(form->ProcessorRuns().Session()->FirstError()->Cpu, (*cpus)[1]);
}

TEST_F(ProcessorsTest, StopStopsEveryProcessorWithOneResultsLineEach) {
    const auto cpus = TwoProcessors();
    if (!cpus) GTEST_SKIP() << "one processor";
    auto form = MakeRunningForm();
    form->ProcessorRuns().Processors = *cpus;
    form->Start1->trigger();
    // The strip shows the worker's heat-up once the worker tells of it.
    const QString worker = QStringLiteral("cpu %1: Heat-up, 0 passes, 0 errors").arg((*cpus)[1]);
    ASSERT_TRUE(Until([&] { return form->ProcessorStrip->text().contains(worker); }))
        << form->ProcessorStrip->text().toStdString();
    EXPECT_TRUE(form->ProcessorStrip->text().startsWith(QStringLiteral("cpu %1: Heat-up, ").arg((*cpus)[0])))
        << form->ProcessorStrip->text().toStdString();
    form->Stop1->trigger();
    EXPECT_TRUE(Has(*form, QStringLiteral("Test Results:")));
    ASSERT_TRUE(Until([&] { return !form->ProcessorRuns().WorkersRunning(); }));
    ASSERT_TRUE(Until(
        [&] { return HasPrefix(*form, QStringLiteral(" cpu %1: Errors: 0, Worktime: ").arg((*cpus)[1])); }));
    EXPECT_FALSE(form->ProcessorRuns().Session()->Failed());
    EXPECT_EQ(form->Run().State.ErrorCount, 0);
    EXPECT_FALSE(std::filesystem::exists(WorkPath("worker-1")));
}

TEST_F(ProcessorsTest, AWorkersPassesReachTheStripWithinItsFirstMinute) {
    const auto cpus = TwoProcessors();
    if (!cpus) GTEST_SKIP() << "one processor";
    auto form = MakeRunningForm();
    form->ProcessorRuns().Processors = *cpus;
    form->Start1->trigger();
    // A worker tells its passes every few seconds of work time: the strip counts them long before the
    // heartbeat a minute of work time would bring.
    const auto& worker = [&]() -> const session::ProcessorRun& {
        return form->ProcessorRuns().Session()->Processor(1);
    };
    ASSERT_TRUE(Until([&] { return worker().Passes > 0 || worker().Ended; }))
        << form->ProcessorStrip->text().toStdString();
    EXPECT_GT(worker().Passes, 0);
    EXPECT_LT(worker().WorkSeconds, 60);
    const QString passes =
        QStringLiteral("cpu %1: Heat-up, %2 passes, 0 errors").arg((*cpus)[1]).arg(worker().Passes);
    EXPECT_TRUE(form->ProcessorStrip->text().contains(passes)) << form->ProcessorStrip->text().toStdString();
    form->Stop1->trigger();
    ASSERT_TRUE(Until([&] { return !form->ProcessorRuns().WorkersRunning(); }));
    EXPECT_FALSE(form->ProcessorRuns().Session()->Failed());
}

// While the run goes on every processor the window's own run keeps to the first one with timers that do
// not spin (spinning they took half a processor from the passes and from the worker beside them); its stop
// gives the window every processor back, and a run on one processor ("One") is never pinned.
TEST_F(ProcessorsTest, TheWindowsOwnRunKeepsToTheFirstProcessorOnlyWhileAllRun) {
    const auto cpus = TwoProcessors();
    if (!cpus) GTEST_SKIP() << "one processor";
    const auto before = AllowedProcessors();
    ASSERT_TRUE(engine::TWorkerTimer::Spinning());
    auto form = MakeRunningForm();
    form->ProcessorRuns().Processors = before;
    form->Start1->trigger();
    EXPECT_EQ(AllowedProcessors(), std::vector<int>{before.front()});
    EXPECT_FALSE(engine::TWorkerTimer::Spinning());
    form->Stop1->trigger();
    EXPECT_EQ(AllowedProcessors(), before);
    EXPECT_TRUE(engine::TWorkerTimer::Spinning());
    ASSERT_TRUE(Until([&] { return !form->ProcessorRuns().WorkersRunning(); }));

    form->OneProcessor1->trigger();
    form->Start1->trigger();
    EXPECT_EQ(AllowedProcessors(), before);
    EXPECT_TRUE(engine::TWorkerTimer::Spinning());
    form->Stop1->trigger();
}

} // namespace torvane::test
