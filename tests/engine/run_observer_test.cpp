// What the run tells its observer (the terminal run's event stream listens there): the tests it starts
// with their minutes, the passes it completes, and its error reports with both texts of a mismatch.

#include "EngineTestSupport.h"

#include "engine/MmxWorkload.h"
#include "engine/TestRun.h"
#include "engine/WhetstoneWorkload.h"

#include <gtest/gtest.h>

using namespace torvane;
using namespace torvane::engine;

namespace {

class RecordingObserver final : public IRunObserver {
public:
    struct Error {
        int Code;
        QString Message, Detail;
        std::optional<std::string> Reference, Result;
        bool StoppedYet;
        QString Cause;
    };
    explicit RecordingObserver(const TestRun*& run) : run_(run) {}
    void TestStarted(const WorkloadInfo& w, int minutes) override {
        Started.push_back(QStringLiteral("%1 %2").arg(QString::fromLatin1(w.Name)).arg(minutes));
    }
    void EncryptionStarted(const WorkloadInfo& w, const QString& cipher, int mb) override {
        Started.push_back(QStringLiteral("%1 %2 %3").arg(QString::fromLatin1(w.Name), cipher).arg(mb));
    }
    void PassEnded(const WorkloadInfo& w) override { ++Passes[w.Name]; }
    void Paused(std::int64_t seconds) override { Pauses.push_back(seconds); }
    void ErrorReported(int code, const QString& message, const QString& detail, const std::string* reference,
                       const std::string* result, const QString& cause) override {
        Errors.push_back({code, message, detail, reference ? std::optional(*reference) : std::nullopt,
                          result ? std::optional(*result) : std::nullopt, run_->State.Stopped, cause});
    }
    QStringList Started;
    std::map<std::string, int> Passes;
    std::vector<std::int64_t> Pauses;
    std::vector<Error> Errors;

private:
    const TestRun*& run_;
};

class RunObserverTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::EngineApp();
        run = std::make_unique<TestRun>(view, test::ManualEnvironment(ms, time));
        runPtr = run.get();
        run->TempDir = "/nonexistent-torvane-dir/";
        run->Whetstone().StartValues.OuterCount = 2;
        run->Observer = &observer;
    }
    void TearDown() override { run.reset(); }

    ManualMsClock ms{1000};
    ManualWorkTimeSource time;
    test::FakeRunView view;
    std::unique_ptr<TestRun> run;
    const TestRun* runPtr = nullptr;
    RecordingObserver observer{runPtr};
};

TEST_F(RunObserverTest, TheHeatUpAndEveryTestStartIsToldWithTheMinutesOnTheScreen) {
    run->ClickMenuItem(MenuItem::Start1);
    EXPECT_EQ(observer.Started, QStringList{"Heat-up 5"});
    run->ClickMenuItem(MenuItem::Stop1);

    observer.Started.clear();
    run->ClickMenuItem(MenuItem::idle1);
    run->ClickMenuItem(MenuItem::Start1);
    EXPECT_TRUE(observer.Started.isEmpty()) << "no heat-up in the idle mode";
    QStringList shown;
    for (int i = 0; i < 30; ++i) {
        view.RunLog.clear();
        run->OperateTimer().Fire();
        for (const auto& line : view.RunLog)
            if (line.startsWith("Doing a ")) shown << line.mid(8, line.indexOf(' ', 8) - 8);
        for (auto* t : run->WorkerTimers()) t->SetEnabled(false);
    }
    ASSERT_FALSE(shown.isEmpty());
    ASSERT_EQ(observer.Started.size(), shown.size()) << "kind 0 starts nothing and tells nothing";
    for (int i = 0; i < shown.size(); ++i) {
        EXPECT_TRUE(observer.Started[i].startsWith("Whetstone ") || observer.Started[i].startsWith("MMX "));
        EXPECT_TRUE(observer.Started[i].endsWith(" " + shown[i])) << observer.Started[i].toStdString();
    }
}

TEST_F(RunObserverTest, CompletedPassesAreCountedPerWorkloadAndAMismatchCarriesBothTexts) {
    run->ClickMenuItem(MenuItem::idle1);
    run->ClickMenuItem(MenuItem::Start1);
    run->Whetstone().WhetStone1Timer();
    run->Whetstone().WhetStone2Timer();
    run->Mmx().MMX1Timer();
    EXPECT_EQ(observer.Passes["Whetstone"], 2);
    EXPECT_EQ(observer.Passes["MMX"], 1);
    EXPECT_TRUE(observer.Errors.empty());

    const std::string good = run->State.MmxReference;
    run->State.MmxReference = good.substr(0, 100) + "X" + good.substr(101);
    run->Mmx().MMX2Timer();
    ASSERT_EQ(observer.Errors.size(), 1u);
    const auto& e = observer.Errors[0];
    EXPECT_EQ(e.Code, 1);
    EXPECT_EQ(e.Message, "MMX test failed!");
    EXPECT_EQ(e.Detail, "Calculation error");
    EXPECT_EQ(e.Reference, good.substr(0, 100) + "X" + good.substr(101));
    EXPECT_EQ(e.Result, good);
    EXPECT_FALSE(e.StoppedYet) << "told as the report begins, before the stop";
    EXPECT_EQ(observer.Passes["MMX"], 1) << "a pass that disagrees is no completed pass";
}

TEST_F(RunObserverTest, AnInjectedFaultAndAnExceptionAreToldLikeAnyError) {
    run->ClickMenuItem(MenuItem::idle1);
    run->ClickMenuItem(MenuItem::Start1);
    ASSERT_TRUE(run->InjectFault("whetstone"));
    run->Whetstone().WhetStone1Timer();
    run->Whetstone().WhetStone2Timer();
    ASSERT_EQ(observer.Errors.size(), 1u);
    ASSERT_TRUE(observer.Errors[0].Reference && observer.Errors[0].Result);
    EXPECT_NE(*observer.Errors[0].Reference, *observer.Errors[0].Result);

    observer.Errors.clear();
    run->ClickMenuItem(MenuItem::Start1);
    run->ReportTestError(2, "Boom", "N/A");
    ASSERT_EQ(observer.Errors.size(), 1u);
    EXPECT_EQ(observer.Errors[0].Code, 2);
    EXPECT_FALSE(observer.Errors[0].Reference || observer.Errors[0].Result);
}

TEST_F(RunObserverTest, AStallIsToldAsAPauseOfItsWholeSeconds) {
    run->ClickMenuItem(MenuItem::idle1);
    run->ClickMenuItem(MenuItem::Start1);
    time.Pass(5000);
    run->UpdateWorkTime();
    time.Pass(12400);
    run->UpdateWorkTime();
    time.Pass(10600);
    run->UpdateWorkTime();
    // A clock set forward is no pause (and a jump is an end, not a pause).
    time.SetClockBy(20000);
    run->UpdateWorkTime();
    EXPECT_EQ(observer.Pauses, (std::vector<std::int64_t>{12, 11}));
    EXPECT_EQ(run->State.LastStop, StopReason::ClockJump);
}

TEST_F(RunObserverTest, APendingFaultMakesItsTestTheNextOneChosen) {
    run->ClickMenuItem(MenuItem::idle1);
    run->ClickMenuItem(MenuItem::Start1);
    ASSERT_TRUE(run->InjectFault("mmx"));
    // Whatever the draws, the next test started is the fault's, until the fault has been met.
    for (int i = 0; i < 5; ++i) {
        observer.Started.clear();
        for (int tick = 0; tick < 100 && observer.Started.isEmpty(); ++tick) run->OperateTimer().Fire();
        ASSERT_FALSE(observer.Started.isEmpty());
        EXPECT_TRUE(observer.Started.front().startsWith("MMX ")) << observer.Started.front().toStdString();
        for (auto* t : run->WorkerTimers()) t->SetEnabled(false);
    }
    // A test the run leaves out is not forced in.
    run->ClickMenuItem(MenuItem::Stop1);
    ASSERT_TRUE(run->RestrictTests({"whetstone"}));
    run->ClickMenuItem(MenuItem::Start1);
    observer.Started.clear();
    for (int tick = 0; tick < 100 && observer.Started.isEmpty(); ++tick) run->OperateTimer().Fire();
    ASSERT_FALSE(observer.Started.isEmpty()) << "a fault for a test left out must not stop the others";
    EXPECT_TRUE(observer.Started.front().startsWith("Whetstone ")) << observer.Started.front().toStdString();
}

} // namespace
