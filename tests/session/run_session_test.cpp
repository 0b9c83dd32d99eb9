// The run on several processors as a whole: what the processors' events do to it, what a worker's end
// means, and the run's end (stop reason, verdict, exit status, the results' lines).

#include "session/RunSession.h"

#include "engine/MmxWorkload.h"

#include <gtest/gtest.h>

#include <csignal>

namespace torvane::session {
namespace {

QJsonObject Event(const char* name, QJsonObject fields = {}) {
    fields.insert(QStringLiteral("event"), QString::fromLatin1(name));
    return fields;
}

using Heard = RunSession::Heard;

TEST(RunSession, EventsOfTheProcessorsKeepTheirTestPassesAndWorkTime) {
    RunSession run({2, 5}, 1000);
    EXPECT_EQ(run.Take(1, Event("test_start", {{"kind", "mmx"}, {"minutes", 4}}), 1500), Heard::Progress);
    EXPECT_EQ(run.Processor(1).Test, QStringLiteral("mmx"));
    EXPECT_EQ(run.Processor(0).Test, QString());
    EXPECT_EQ(run.Take(1,
                       Event("heartbeat", {{"worktime_s", 60.0},
                                           {"passes", QJsonObject{{"mmx", 3.0}, {"whetstone", 4.0}}},
                                           {"temperature_c", 51.5}}),
                       61000),
              Heard::Progress);
    EXPECT_EQ(run.Processor(1).Passes, 7);
    EXPECT_EQ(run.Processor(1).WorkSeconds, 60);
    ASSERT_TRUE(run.Processor(1).Temperature);
    EXPECT_DOUBLE_EQ(*run.Processor(1).Temperature, 51.5);
    // Between two reports the work time goes on as the front end's clock does, in whole seconds.
    EXPECT_EQ(run.WorkSeconds(1, 61000 + 29999), 89);
    EXPECT_EQ(run.WorkSeconds(1, 61000 + 30000), 90);
    // A processor that never reported has worked since the start.
    EXPECT_EQ(run.WorkSeconds(0, 11000), 10);
    EXPECT_EQ(run.Take(0, Event("pause", {{"seconds", 5.0}}), 12000), Heard::Nothing);
    EXPECT_FALSE(run.Failed());
    EXPECT_EQ(run.ExitStatus({}), 0);
    EXPECT_EQ(run.ExitStatus({.Log = true}), 3);
}

TEST(RunSession, TheWindowsOwnRunIsHeardAsItPublishesItsEvents) {
    namespace ev = engine::event;
    RunSession run({4, 5}, 0);
    EXPECT_EQ(run.Hear(0, ev::TestStarted{&engine::MmxWorkload::Description, 3}, 0), Heard::Progress);
    EXPECT_EQ(run.Processor(0).Test, "mmx");
    run.Hear(0, ev::PassEnded{&engine::MmxWorkload::Description}, 0);
    run.Hear(0, ev::PassEnded{&engine::MmxWorkload::Description}, 0);
    EXPECT_EQ(run.Processor(0).Passes, 2);
    run.Hear(0, ev::WorkTime{90}, 5000);
    EXPECT_EQ(run.WorkSeconds(0, 7999), 92);
    EXPECT_EQ(run.Hear(0, ev::Paused{12}, 8000), Heard::Nothing);
    EXPECT_EQ(
        run.Hear(0, ev::Error{1, "MMX test failed!", "Calculation error", std::nullopt, 4, {}, 1}, 9000),
        Heard::Error);
    EXPECT_EQ(run.Processor(0).Errors, 1);
    ASSERT_TRUE(run.FirstError());
    EXPECT_EQ(run.FirstError()->Cpu, 4);
    EXPECT_EQ(run.FirstError()->Code, 1);
    EXPECT_EQ(run.Processor(1).Errors, 0);
}

TEST(RunSession, TheFirstErrorIsTheRunsAndNamesItsProcessor) {
    RunSession run({0, 1, 2});
    EXPECT_EQ(run.Take(2,
                       Event("error", {{"code", 1},
                                       {"message", "MMX test failed!"},
                                       {"detail", "Calculation error"},
                                       {"cause", "why"}}),
                       0),
              Heard::Error);
    EXPECT_EQ(run.Take(0, Event("error", {{"code", 2}, {"message", "later"}, {"detail", "N/A"}}), 0),
              Heard::Error);
    ASSERT_TRUE(run.FirstError());
    EXPECT_EQ(run.FirstError()->Cpu, 2);
    EXPECT_EQ(run.FirstError()->Code, 1);
    EXPECT_EQ(run.FirstError()->Message, QStringLiteral("MMX test failed!"));
    EXPECT_EQ(run.FirstError()->Cause, QStringLiteral("why"));
    EXPECT_EQ(run.Errors(), 2);
    EXPECT_TRUE(run.Failed());
    // An error outweighs lost output.
    EXPECT_EQ(run.ExitStatus({.Log = true}), 1);
    // A worker's own count at its end takes the place of the errors it told of one by one.
    run.Take(2, Event("worker_end", {{"errors", 0.0}, {"worktime_s", 30.0}, {"reason", "error"}}), 0);
    EXPECT_EQ(run.Processor(2).Errors, 0);
    EXPECT_TRUE(run.Failed()) << "the first error stays the run's";
}

TEST(RunSession, WhatTheEndOfAWorkerMeans) {
    using End = RunSession::ProcessEnd;
    const auto ended = [](const End& end, const char* reason = "") {
        RunSession run({0, 7}, 0);
        if (*reason) run.Take(1, Event("worker_end", {{"errors", 0.0}, {"reason", reason}}), 0);
        const auto meaning = run.Exited(1, end, 4000);
        return std::make_tuple(meaning.Died, meaning.Error, run.Processor(1).Errors,
                               run.FirstError() ? run.FirstError()->Message : QString());
    };
    // Stopped the ordinary way, or on the user's second request, or by SIGTERM while a stop was asked.
    EXPECT_EQ(ended({false, 0}), std::make_tuple(QString(), false, std::int64_t{0}, QString()));
    EXPECT_EQ(ended({true, SIGKILL, true, true, true}),
              std::make_tuple(QString(), false, std::int64_t{0}, QString()));
    EXPECT_EQ(ended({true, SIGTERM, false, false, true}),
              std::make_tuple(QString(), false, std::int64_t{0}, QString()));
    // Killed after the grace: an error of its processor.
    const QString late = QStringLiteral("Worker did not stop within 30 s and was killed");
    EXPECT_EQ(ended({true, SIGKILL, true, false, true, 30000}),
              std::make_tuple(late, true, std::int64_t{1}, late));
    // SIGTERM from elsewhere, while nobody asked for a stop, is a death.
    const auto [died, error, errors, first] = ended({true, SIGTERM, false, false, false});
    EXPECT_TRUE(died.startsWith(QStringLiteral("Worker process ended by signal 15 ("))) << died.toStdString();
    EXPECT_TRUE(error);
    EXPECT_EQ(errors, 1);
    // Exit status 1 without a word: an error of its own; the clock's end names the jump and counts none.
    const QString silent = QStringLiteral("Worker process ended with exit status 1");
    EXPECT_EQ(ended({false, 1}), std::make_tuple(QString(), true, std::int64_t{1}, silent));
    const QString jump = QStringLiteral("The work clock jumped (It\u00B4s not nice to cheat!)");
    EXPECT_EQ(ended({false, 1}, "clock_jump"), std::make_tuple(QString(), true, std::int64_t{0}, jump));
    const QString three = QStringLiteral("Worker process ended with exit status 3");
    EXPECT_EQ(ended({false, 3}), std::make_tuple(three, true, std::int64_t{1}, three));
}

TEST(RunSession, AWorkerThatEndsKeepsTheWorkTimeItReached) {
    RunSession run({0, 1}, 0);
    run.Take(0, Event("heartbeat", {{"worktime_s", 120.0}}), 120000);
    run.Exited(0, {true, SIGKILL}, 150500);
    EXPECT_EQ(run.Processor(0).WorkSeconds, 150);
    EXPECT_EQ(run.WorkSeconds(0, 999999), 150) << "an ended processor's work time stands";
    // One that told its end keeps what it told.
    run.Take(1, Event("worker_end", {{"errors", 0.0}, {"worktime_s", 140.0}, {"reason", "stopped"}}), 140000);
    run.Exited(1, {false, 0}, 150500);
    EXPECT_EQ(run.Processor(1).WorkSeconds, 140);
    EXPECT_EQ(run.LongestWorkSeconds(), 150);
    EXPECT_EQ(run.ProcessorResultLines(),
              QStringList({QStringLiteral(" cpu 0: Errors: 1, Worktime: 0 d, 0 h, 2 m, 30 s"),
                           QStringLiteral(" cpu 1: Errors: 0, Worktime: 0 d, 0 h, 2 m, 20 s")}));
}

TEST(RunSession, AClockJumpOnOneProcessorVoidsTheWorkTimeOfAll) {
    RunSession run({0, 1}, 0);
    run.Take(0, Event("worker_end", {{"errors", 0.0}, {"worktime_s", 300.0}, {"reason", "clock_jump"}}), 0);
    run.Take(1, Event("worker_end", {{"errors", 0.0}, {"worktime_s", 301.0}, {"reason", "signal"}}), 0);
    RunSession calm({0, 1}, 0);
    calm.Take(0, Event("worker_end", {{"worktime_s", 300.0}, {"reason", "stopped"}}), 0);
    calm.ApplyClockRule();
    EXPECT_EQ(calm.LongestWorkSeconds(), 300);
    run.ApplyClockRule();
    EXPECT_EQ(run.LongestWorkSeconds(), 0);
    EXPECT_EQ(run.Processor(1).WorkSeconds, 0) << "the processor that did not see the jump loses it too";
}

TEST(RunSession, TheStopReason) {
    RunSession run({0, 1});
    EXPECT_EQ(run.StopReason(), QStringLiteral("stopped"));
    run.Take(0, Event("worker_end", {{"reason", "time_limit"}}), 0);
    EXPECT_EQ(run.StopReason(), QStringLiteral("stopped")) << "only one processor reached the limit";
    run.Take(1, Event("worker_end", {{"reason", "time_limit"}}), 0);
    EXPECT_EQ(run.StopReason(), QStringLiteral("time_limit"));
    run.SetStopReason(QStringLiteral("stopped"));
    EXPECT_EQ(run.StopReason(), QStringLiteral("time_limit")) << "a stop after the limit is the limit's";
    RunSession asked({0});
    asked.SetStopReason(QStringLiteral("signal"));
    asked.SetStopReason(QStringLiteral("error"));
    EXPECT_EQ(asked.StopReason(), QStringLiteral("signal")) << "the first reason counts";
    asked.SetStopReason(QStringLiteral("start_failed"), true);
    EXPECT_EQ(asked.StopReason(), QStringLiteral("start_failed"));
    EXPECT_TRUE(RunSession(std::vector<int>{}).StopReason() == QStringLiteral("stopped"))
        << "no processor reached any limit";
}

} // namespace
} // namespace torvane::session
