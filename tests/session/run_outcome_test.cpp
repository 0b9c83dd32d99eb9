// One run's end as every front end takes it: the reason, the verdict, the exit status; the certificate
// it earns by the one-day rule on its work time in seconds; its settings and options applied once.

#include "common/TempDir.h"
#include "engine/EngineTestSupport.h"
#include "engine/ErrorReport.h"
#include "engine/SettingsSchema.h"
#include "session/RunCertificate.h"
#include "session/RunOutcome.h"
#include "session/RunSession.h"
#include "session/RunSettings.h"

#include <gtest/gtest.h>

namespace torvane::session {
namespace {

using engine::MenuItem;
using engine::StopReason;

TEST(RunOutcome, TheRunsOwnReasonComesBeforeTheOneAskedFor) {
    EXPECT_EQ(EndReasonOf(StopReason::Error, QStringLiteral("signal")), QStringLiteral("error"));
    EXPECT_EQ(EndReasonOf(StopReason::ClockJump, QStringLiteral("signal")), QStringLiteral("clock_jump"));
    EXPECT_EQ(EndReasonOf(StopReason::TimeLimit, {}), QStringLiteral("time_limit"));
    EXPECT_EQ(EndReasonOf(StopReason::User, QStringLiteral("output_failed")),
              QStringLiteral("output_failed"));
    EXPECT_EQ(EndReasonOf(StopReason::User, {}), QStringLiteral("stopped"));
    EXPECT_EQ(EndReasonOf(StopReason::None, {}), QStringLiteral("stopped"));
}

TEST(RunOutcome, TheVerdictOfAStoppedRun) {
    engine::RunState state;
    state.LastStop = StopReason::User;
    state.WorkSeconds = 3723;
    auto end = EndOf(state, QStringLiteral("signal"));
    // Stopped early without an error is no failure: the fleet's summary tells a stop by its reason.
    EXPECT_FALSE(end.Failed);
    EXPECT_EQ(end.Reason, QStringLiteral("signal"));
    EXPECT_EQ(end.WorkSeconds, 3723);
    // An error counted in a pass that outlived the stop fails it, whatever stopped it.
    state.ErrorCount = 1;
    EXPECT_TRUE(EndOf(state).Failed);
    state.ErrorCount = 0;
    state.LastStop = StopReason::ClockJump;
    EXPECT_TRUE(EndOf(state).Failed);
    state.LastStop = StopReason::Error;
    EXPECT_TRUE(EndOf(state).Failed);
    state.LastStop = StopReason::TimeLimit;
    EXPECT_FALSE(EndOf(state).Failed);
}

TEST(RunOutcome, ExitStatusTakesTheVerdictFirstThenWhatWasLost) {
    EXPECT_EQ(ExitStatus(false), 0);
    EXPECT_EQ(ExitStatus(true, {.Log = true, .Certificate = true, .Events = true}), 1);
    EXPECT_EQ(ExitStatus(false, {.Log = true, .Certificate = true}), 3);
    EXPECT_EQ(ExitStatus(false, {.Certificate = true, .Events = true}), kCertificateNotWritten);
    EXPECT_EQ(ExitStatus(false, {.Events = true}), 3);
    // A supervised run judges by the same rule.
    RunSession run({0, 1});
    EXPECT_EQ(run.ExitStatus({.Events = true}), 3);
    run.CountError(1);
    EXPECT_EQ(run.ExitStatus({.Log = true}), 1);
}

TEST(RunOutcome, AProcessorsOwnEndGivesItsTimeAndReasonNotItsErrors) {
    RunSession run({4, 7});
    run.Processor(0).Errors = 2;
    run.Ended(0, {QStringLiteral("clock_jump"), 9, 500, true});
    EXPECT_EQ(run.Processor(0).EndReason, QStringLiteral("clock_jump"));
    EXPECT_EQ(run.Processor(0).WorkSeconds, 500);
    EXPECT_EQ(run.Processor(0).Errors, 2);
    EXPECT_TRUE(run.Processor(0).Ended);
    EXPECT_EQ(run.WorkSeconds(0, 999999), 500) << "an ended run's work time does not go on";
    run.Processor(1).WorkSeconds = 700;
    run.ApplyClockRule();
    EXPECT_EQ(run.LongestWorkSeconds(), 0);
}

TEST(ErrorReport, TheReportsOwnLinesThenTheProcessor) {
    using engine::ErrorReportLines;
    EXPECT_EQ(ErrorReportLines({1, "MMX test failed!", "Calculation error", {}, 3}),
              QStringList({"Testing Stopped:", " Error Message: MMX test failed!", " ErrorCode: 1",
                           " Calculation error: Calculation error", " ErrorType: Calculation error",
                           " Processor: cpu 3"}));
    EXPECT_EQ(
        ErrorReportLines({2, "Boom", "N/A", "No space left on device", std::nullopt}),
        QStringList({"Testing Stopped:", " Error Message: Boom", " ErrorCode: 2", " Calculation error: N/A",
                     " ErrorType: Unexpected error", " Cause: No space left on device"}));
    EXPECT_EQ(ErrorReportLines({3, "CRC check FAILED", "N/A", {}, 0}).at(4),
              QStringLiteral(" ErrorType: Calculation error"));
    // An end no test met has no code to report; processor 0 is a processor like any other.
    EXPECT_EQ(
        ErrorReportLines({0, "The work clock jumped", "N/A", "ignored", 0}),
        QStringList({"Testing Stopped:", " Error Message: The work clock jumped", " Processor: cpu 0"}));
}

TEST(ErrorReport, AnErrorOfTheWholeRunNamesNoProcessor) {
    RunSession run({2, 3});
    run.RecordRunError(QStringLiteral("cannot start"));
    EXPECT_FALSE(run.FirstError()->Report().Cpu);
    RunSession other({2, 3});
    other.RecordError(1, 1, QStringLiteral("m"), QStringLiteral("d"));
    EXPECT_EQ(other.FirstError()->Report().Cpu, 3);
}

class RunCertificate : public ::testing::Test {
protected:
    void SetUp() override {
        test::EngineApp();
        run = std::make_unique<engine::TestRun>(view, test::ManualEnvironment(ms, time));
        run->BannerLines = {QStringLiteral("Torvane Test"), QStringLiteral("credit"), QString()};
        run->TempDir = dir.Path() + "/";
        run->MaxTempSize = 123456;
        sources.ReadProcessor = [](cert::TCertificateFacts& f) { f.RawSpeed = 2400; };
        sources.Clock = &local;
    }
    void Start() {
        run->ClickMenuItem(MenuItem::Start1);
        ASSERT_TRUE(test::StartATest(*run));
        for (auto* t : run->WorkerTimers()) t->SetEnabled(false);
    }
    CertificateRefusal Refusal() const { return RefusalOf(RecordOf(*run)); }

    ManualLocalClock local{LocalDateTime{2025, 1, 2, 3, 4, 5}};
    ManualWorkTimeSource time;
    ManualMsClock ms;
    test::FakeRunView view;
    std::unique_ptr<engine::TestRun> run;
    CertificateSources sources;
    test::TempDir dir;
};

TEST_F(RunCertificate, OnlyADayOfARunThatStartedATestEarnsOne) {
    run->ClickMenuItem(MenuItem::idle1);
    // A day with "Optimal...": the work time runs, but no test ever starts.
    run->SetTestChoice(engine::TestChoice::Optimal);
    run->ClickMenuItem(MenuItem::Start1);
    for (int i = 0; i < 20; ++i) run->OperateTimer().Fire();
    test::WorkFor(*run, time, 86400000);
    run->ClickMenuItem(MenuItem::Stop1);
    EXPECT_EQ(run->State.TestsStarted, 0);
    EXPECT_EQ(Refusal(), CertificateRefusal::NoTestRan);

    // With "Random" a test starts; a day less one second is not a day.
    run->ClickMenuItem(MenuItem::Random1);
    Start();
    test::WorkFor(*run, time, 86399000);
    EXPECT_EQ(run->State.WorkSeconds, 86399);
    EXPECT_EQ(Refusal(), CertificateRefusal::LessThanADay);
    EXPECT_EQ(DecideCertificate(RecordOf(*run), sources).Refusal, CertificateRefusal::LessThanADay);
    test::WorkFor(*run, time, 1000);
    run->ClickMenuItem(MenuItem::Stop1);
    EXPECT_EQ(Refusal(), CertificateRefusal::None);

    // A new run starts counting again, and a jump of the clock leaves it nothing, whatever it had.
    Start();
    test::WorkFor(*run, time, 86400000 + 5000);
    time.SetClockBy(60000);
    run->ClickMenuItem(MenuItem::Stop1);
    EXPECT_EQ(run->State.LastStop, StopReason::ClockJump);
    EXPECT_EQ(Refusal(), CertificateRefusal::LessThanADay);
}

TEST_F(RunCertificate, TheFactsAreTheRunsAsItStands) {
    RunRecord record;
    record.WorkSeconds = 2 * 86400 + 3 * 3600 + 4 * 60 + 5;
    record.Errors = 3;
    record.TestsStarted = 1;
    record.BannerLines = {QStringLiteral("Torvane Test 5.0"), QStringLiteral("credit"), QString()};
    record.MaxTempSize = 777;
    const auto decision = DecideCertificate(record, sources);
    ASSERT_EQ(decision.Refusal, CertificateRefusal::None);
    const auto& f = decision.Facts;
    EXPECT_EQ(f.WorkTime, (std::array<std::string, 4>{"2", "3", "4", "5"}));
    EXPECT_EQ(f.ErrorCount, 3);
    EXPECT_EQ(f.MaxTempSize, 777);
    EXPECT_EQ(f.RawSpeed, 2400);
    EXPECT_EQ(f.BannerLines, (std::vector<std::string>{"Torvane Test 5.0", "credit", ""}));
    EXPECT_FALSE(f.Date.empty());
    EXPECT_EQ(WorkTimeWords(record.WorkSeconds), "2d, 3h, 4m, 5s");
    EXPECT_EQ(WorkTimeWords(86399), "0d, 23h, 59m, 59s");
    // A refused run reads no processor.
    record.TestsStarted = 0;
    bool read = false;
    sources.ReadProcessor = [&](cert::TCertificateFacts&) { read = true; };
    EXPECT_EQ(DecideCertificate(record, sources).Refusal, CertificateRefusal::NoTestRan);
    EXPECT_FALSE(read);
}

TEST_F(RunCertificate, TheRecordIsTheRunsOwn) {
    run->ClickMenuItem(MenuItem::idle1);
    Start();
    test::WorkFor(*run, time, 61000);
    run->State.ErrorCount = 2;
    const auto record = RecordOf(*run);
    EXPECT_EQ(record.WorkSeconds, 61);
    EXPECT_EQ(record.Errors, 2);
    EXPECT_EQ(record.TestsStarted, 1);
    EXPECT_EQ(record.MaxTempSize, 123456);
    EXPECT_EQ(record.BannerLines, run->BannerLines);
}

class RunSettingsTest : public RunCertificate {};

TEST_F(RunSettingsTest, TestsNamedForTheRunOverrideTheStoredChoiceAndAWorkerTakesItsStarters) {
    SettingsSnapshot snapshot;
    snapshot.Set("Q12", SettingsValue::Bool(false));
    snapshot.Set("Q2", SettingsValue::String("2097152"));
    engine::SettingsReader stored(snapshot);
    LoadRunSettings(*run, stored);
    EXPECT_EQ(run->Tests(), engine::TestChoice::Optimal);
    EXPECT_EQ(run->MaxTempSize, 2097152);

    RunOptions options;
    ApplyRunOptions(*run, options);
    EXPECT_EQ(run->Tests(), engine::TestChoice::Optimal) << "nothing asked: the stored choice stands";
    options.Tests = {"mmx"};
    ApplyRunOptions(*run, options);
    EXPECT_EQ(run->Tests(), engine::TestChoice::Random);
    // A worker of a run that tests nothing tests nothing, whatever tests it was given.
    options.Choice = engine::TestChoice::Optimal;
    ApplyRunOptions(*run, options);
    EXPECT_EQ(run->Tests(), engine::TestChoice::Optimal);
}

TEST_F(RunSettingsTest, ARunsOwnOptionsAreItsAloneAndNeverStored) {
    RunOptions options;
    options.Encryption = true;
    options.TempDir = dir.Path() + "/mine/";
    options.MaxTempSize = 1048576;
    options.Minutes = 3;
    options.LoadMode = engine::LoadMode::Idle;
    ApplyRunOptions(*run, options);
    EXPECT_FALSE(run->NoEncryptionTests());
    EXPECT_EQ(run->TempDir, dir.Path() + "/mine/");
    EXPECT_EQ(run->MaxTempSize, 1048576);
    EXPECT_FALSE(run->StoreSizeLimit);
    EXPECT_EQ(run->TimeLimitSeconds, 180);
    EXPECT_EQ(run->Mode(), engine::LoadMode::Idle);
}

} // namespace
} // namespace torvane::session
