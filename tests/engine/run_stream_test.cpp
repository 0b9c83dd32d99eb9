// What the run tells its subscribers beside its screen (the event file, the metrics and the run on every
// processor listen there): the tests it starts with their minutes, the passes it completes, its error
// reports with both texts of a mismatch, its stalls, and its stop with reason, errors, seconds and verdict.

#include "EngineTestSupport.h"

#include "engine/MmxWorkload.h"
#include "engine/TestRun.h"
#include "engine/WhetstoneWorkload.h"

#include <gtest/gtest.h>

using namespace torvane;
using namespace torvane::engine;

namespace {

class RecordingObserver final : public IRunSubscriber {
public:
    struct Error {
        int Code;
        QString Message, Detail;
        std::optional<std::string> Reference, Result;
        bool StoppedYet;
        QString Cause;
    };
    explicit RecordingObserver(const TestRun*& run) : run_(run) {}
    void Hear(const RunEvent& event) override {
        std::visit(
            Overloaded{
                [this](const event::TestStarted& x) {
                    Started.push_back(
                        QStringLiteral("%1 %2").arg(QString::fromLatin1(x.Workload->Name)).arg(x.Minutes));
                },
                [this](const event::EncryptionStarted& x) {
                    Started.push_back(QStringLiteral("%1 %2 %3")
                                          .arg(QString::fromLatin1(x.Workload->Name), x.Cipher)
                                          .arg(x.Megabytes));
                },
                [this](const event::PassEnded& x) { ++Passes[x.Workload->Name]; },
                [this](const event::Paused& x) { Pauses.push_back(x.Seconds); },
                [this](const event::Error& x) {
                    Errors.push_back({x.Code, x.Message, x.Detail,
                                      x.Differs ? std::optional(x.Differs->Reference) : std::nullopt,
                                      x.Differs ? std::optional(x.Differs->Result) : std::nullopt,
                                      run_->State.Stopped, x.Cause});
                },
                [](const auto&) {},
            },
            event);
    }
    QStringList Started;
    std::map<std::string, int> Passes;
    std::vector<std::int64_t> Pauses;
    std::vector<Error> Errors;

private:
    const TestRun*& run_;
};

class RunStreamTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::EngineApp();
        hub.Add(view);
        hub.Add(observer);
        run = std::make_unique<TestRun>(hub, test::ManualEnvironment(ms, time));
        runPtr = run.get();
        run->TempDir = "/nonexistent-torvane-dir/";
        run->Whetstone().StartValues.OuterCount = 2;
    }
    void TearDown() override { run.reset(); }

    ManualMsClock ms{1000};
    ManualWorkTimeSource time;
    test::FakeRunView view;
    RunEventHub hub;
    std::unique_ptr<TestRun> run;
    const TestRun* runPtr = nullptr;
    RecordingObserver observer{runPtr};
};

TEST_F(RunStreamTest, TheHeatUpAndEveryTestStartIsToldWithTheMinutesOnTheScreen) {
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

TEST_F(RunStreamTest, CompletedPassesAreCountedPerWorkloadAndAMismatchCarriesBothTexts) {
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

TEST_F(RunStreamTest, AnInjectedFaultAndAnExceptionAreToldLikeAnyError) {
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

TEST_F(RunStreamTest, AStallIsToldAsAPauseOfItsWholeSeconds) {
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

TEST_F(RunStreamTest, APendingFaultMakesItsTestTheNextOneChosen) {
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

TEST_F(RunStreamTest, EveryStopIsToldWithItsReasonErrorsWorkTimeAndVerdict) {
    run->ClickMenuItem(MenuItem::idle1);
    const auto lastStop = [this] {
        const auto stops = view.Of<event::Stopped>();
        EXPECT_FALSE(stops.empty());
        return stops.empty() ? event::Stopped{} : stops.back();
    };

    run->ClickMenuItem(MenuItem::Start1);
    test::WorkFor(*run, time, 61000);
    run->ClickMenuItem(MenuItem::Stop1);
    auto stop = lastStop();
    EXPECT_EQ(stop.Reason, StopReason::User);
    EXPECT_EQ(stop.Errors, 0);
    EXPECT_EQ(stop.Seconds, 61);
    EXPECT_EQ(stop.Outcome, Verdict::Passed);

    run->TimeLimitSeconds = 30;
    run->ClickMenuItem(MenuItem::Start1);
    test::WorkFor(*run, time, 40000);
    run->TimeLimitSeconds = 0;
    stop = lastStop();
    EXPECT_EQ(stop.Reason, StopReason::TimeLimit);
    EXPECT_EQ(stop.Seconds, 30);
    EXPECT_EQ(stop.Outcome, Verdict::Passed);

    // A jump voids the run: no work time, and it failed without an error.
    run->ClickMenuItem(MenuItem::Start1);
    test::WorkFor(*run, time, 20000);
    time.SetClockBy(60000);
    run->UpdateWorkTime();
    stop = lastStop();
    EXPECT_EQ(stop.Reason, StopReason::ClockJump);
    EXPECT_EQ(stop.Seconds, 0);
    EXPECT_EQ(stop.Errors, 0);
    EXPECT_EQ(stop.Outcome, Verdict::Failed);

    // An error: its event comes first, then the stop, then the report's lines.
    run->ClickMenuItem(MenuItem::Start1);
    EXPECT_EQ(view.Of<event::Started>().size(), 4u);
    view.Events.clear();
    run->State.ErrorCount += 1;
    run->ReportTestError(2, "Boom", "N/A");
    stop = lastStop();
    EXPECT_EQ(stop.Reason, StopReason::Error);
    EXPECT_EQ(stop.Errors, 1);
    EXPECT_EQ(stop.Outcome, Verdict::Failed);
    ASSERT_FALSE(view.Events.empty());
    ASSERT_TRUE(std::holds_alternative<event::Error>(view.Events.front()));
    EXPECT_EQ(std::get<event::Error>(view.Events.front()).Errors, 1);
    const auto isStop = [](const RunEvent& e) { return std::holds_alternative<event::Stopped>(e); };
    const auto isReport = [](const RunEvent& e) {
        const auto* line = std::get_if<event::Line>(&e);
        return line && line->Text == "Testing Stopped:";
    };
    const auto stopAt = std::find_if(view.Events.begin(), view.Events.end(), isStop);
    EXPECT_LT(stopAt - view.Events.begin(),
              std::find_if(view.Events.begin(), view.Events.end(), isReport) - view.Events.begin());
}

TEST_F(RunStreamTest, AReportNamesTheProcessorItCameFromInItsLinesAndItsEvent) {
    run->ClickMenuItem(MenuItem::idle1);
    run->ClickMenuItem(MenuItem::Start1);
    run->ReportCpu = 5;
    run->ReportTestError(2, "Boom", "N/A");
    EXPECT_EQ(view.Info.back(), " Processor: cpu 5");
    EXPECT_EQ(view.Of<event::Error>().back().Processor, 5);

    run->ReportCpu.reset();
    run->ClickMenuItem(MenuItem::Start1);
    run->ReportTestError(2, "Boom", "N/A");
    EXPECT_EQ(view.Info.back(), " ErrorType: Unexpected error");
    EXPECT_FALSE(view.Of<event::Error>().back().Processor);
}

} // namespace
