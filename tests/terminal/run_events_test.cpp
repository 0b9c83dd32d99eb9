// The events of one run: where two pass texts part, and the fields each event carries.

#include "common/TempDir.h"

#include "engine/EncryptionWorkload.h"
#include "engine/HeatUpWorkload.h"
#include "engine/MmxWorkload.h"
#include "engine/WhetstoneWorkload.h"
#include "session/EventReader.h"
#include "terminal/HeadlessView.h"
#include "terminal/RunEvents.h"

#include <gtest/gtest.h>

#include <QJsonDocument>

#include <fstream>

namespace torvane::app {
namespace {

namespace ev = engine::event;

TEST(FirstDifference, ThePositionAndBothExcerptsFromTheSamePlace) {
    auto d = FirstDifference("0123456789", "0123X56789");
    EXPECT_EQ(d.Position, 4);
    EXPECT_EQ(d.Expected, "0123456789");
    EXPECT_EQ(d.Got, "0123X56789");

    const std::string a(1000, 'a');
    std::string b = a;
    b[500] = 'b';
    d = FirstDifference(a, b);
    EXPECT_EQ(d.Position, 500);
    ASSERT_EQ(d.Expected.size(), ExcerptLength);
    ASSERT_EQ(d.Got.size(), ExcerptLength);
    EXPECT_EQ(d.Got[ExcerptLength / 4], 'b') << "the difference stands a quarter into the excerpt";
    EXPECT_EQ(d.Expected[ExcerptLength / 4], 'a');

    // One text is the start of the other: they part where the shorter ends.
    d = FirstDifference("123.5", "123.50");
    EXPECT_EQ(d.Position, 5);
    EXPECT_EQ(d.Expected, "123.5");
    EXPECT_EQ(d.Got, "123.50");
    d = FirstDifference("", "x");
    EXPECT_EQ(d.Position, 0);
    EXPECT_EQ(d.Got, "x");
}

class RunEventsTest : public ::testing::Test {
protected:
    std::vector<QJsonObject> Events() {
        std::ifstream in(dir_ / "ev.jsonl");
        std::vector<QJsonObject> r;
        for (std::string line; std::getline(in, line);)
            r.push_back(QJsonDocument::fromJson(QByteArray::fromStdString(line)).object());
        return r;
    }
    test::TempDir dir_;
    std::string problem_;
    std::unique_ptr<EventStream> stream_ = EventStream::Open(dir_ / "ev.jsonl", problem_);
};

TEST_F(RunEventsTest, AWorkerNamesItselfAndItsProcessorInEveryEvent) {
    RunEventRecorder r(*stream_, 1, 3);
    r.Hear(ev::TestStarted{&engine::MmxWorkload::Description, 4});
    r.Hear(ev::PassEnded{&engine::MmxWorkload::Description});
    r.Hear(ev::PassEnded{&engine::MmxWorkload::Description});
    r.Hear(ev::PassEnded{&engine::WhetstoneWorkload::Description});
    r.Heartbeat(125, 46.0);
    r.Hear(ev::Error{1,
                     "MMX test failed!",
                     "Calculation error",
                     ev::Mismatch{"1.25 2.50", "1.25 2.51"},
                     std::nullopt,
                     {},
                     1});
    r.Hear(ev::Paused{12});
    r.End("worker_end", 1, 130, "error", 1);

    const auto e = Events();
    ASSERT_EQ(e.size(), 5u);
    for (const auto& event : e) {
        EXPECT_EQ(event["worker"].toInt(), 1);
        EXPECT_EQ(event["cpu"].toInt(), 3);
    }
    EXPECT_EQ(e[0]["kind"].toString(), "mmx");
    EXPECT_EQ(e[0]["minutes"].toInt(), 4);
    EXPECT_EQ(e[1]["event"].toString(), "heartbeat");
    EXPECT_EQ(e[1]["worktime_s"].toInt(), 125);
    EXPECT_EQ(e[1]["passes"].toObject()["mmx"].toInt(), 2);
    EXPECT_EQ(e[1]["passes"].toObject()["whetstone"].toInt(), 1);
    EXPECT_EQ(e[1]["temperature_c"].toDouble(), 46.0);
    EXPECT_EQ(e[2]["code"].toInt(), 1);
    EXPECT_EQ(e[2]["mismatch"].toObject()["position"].toInt(), 8);
    EXPECT_EQ(e[2]["mismatch"].toObject()["expected"].toString(), "1.25 2.50");
    EXPECT_EQ(e[2]["mismatch"].toObject()["got"].toString(), "1.25 2.51");
    EXPECT_FALSE(e[2].contains("cause"));
    EXPECT_EQ(e[3]["event"].toString(), "pause");
    EXPECT_EQ(e[3]["seconds"].toInt(), 12);
    EXPECT_EQ(e[4]["event"].toString(), "worker_end");
    EXPECT_EQ(e[4]["reason"].toString(), "error");
    EXPECT_EQ(e[4]["exit_status"].toInt(), 1);
}

TEST_F(RunEventsTest, TheSingleRunHasNoProcessorAndNoTemperatureWhereNoneIsKnown) {
    RunEventRecorder r(*stream_, 0, std::nullopt);
    r.Hear(ev::EncryptionStarted{&engine::WhetstoneWorkload::Description, "Blowfish", 12});
    r.Heartbeat(60, std::nullopt);
    r.Hear(ev::Error{2, "Boom", "N/A", std::nullopt, std::nullopt,
                     "Cannot create file /w/TORVA_1.tmp: Permission denied", 1});
    const auto e = Events();
    ASSERT_EQ(e.size(), 3u);
    EXPECT_FALSE(e[0].contains("cpu"));
    EXPECT_EQ(e[0]["cipher"].toString(), "Blowfish");
    EXPECT_EQ(e[0]["mb"].toInt(), 12);
    EXPECT_FALSE(e[1].contains("temperature_c"));
    EXPECT_TRUE(e[1]["passes"].toObject().isEmpty());
    EXPECT_FALSE(e[2].contains("mismatch"));
    EXPECT_EQ(e[2]["cause"].toString(), "Cannot create file /w/TORVA_1.tmp: Permission denied");
}

TEST_F(RunEventsTest, EveryWholeMinuteOfWorkTimeIsAHeartbeatWithItsSecondsAndTemperature) {
    RunEventRecorder r(*stream_, 0, std::nullopt);
    r.Hear(ev::Temperature{51.0});
    // What the screen alone shows goes nowhere.
    r.Hear(ev::Line{engine::Pane::RunLog, "Doing a 5 Minute CPU HeatUP..."});
    r.Hear(ev::Message{"Hey hey hey!", "stop"});
    for (std::int64_t s : {0, 59, 60, 61, 119, 120, 86399, 86400, 86400 + 7200 + 180 + 4})
        r.Hear(ev::WorkTime{s});
    // A voided run starts again from nothing: its first minute is told again.
    r.Hear(ev::WorkTime{0});
    r.Hear(ev::WorkTime{60});
    // The block went away: the next heartbeat tells no temperature rather than the last one.
    r.Hear(ev::Temperature{std::nullopt});
    r.Hear(ev::WorkTime{120});
    std::vector<int> told;
    for (const auto& e : Events()) {
        EXPECT_EQ(e["event"].toString(), "heartbeat");
        if (told.size() < 6) {
            EXPECT_EQ(e["temperature_c"].toDouble(), 51.0);
        }
        told.push_back(e["worktime_s"].toInt());
    }
    EXPECT_EQ(told, (std::vector<int>{60, 120, 86399, 86400, 86400 + 7200 + 180 + 4, 60, 120}));
    EXPECT_FALSE(Events().back().contains("temperature_c"));
}

TEST_F(RunEventsTest, AShorterHeartbeatTellsThePassesEveryFewSecondsAndTheDefaultStaysAMinute) {
    auto other = EventStream::Open(dir_ / "minute.jsonl", problem_);
    ASSERT_TRUE(other) << problem_;
    RunEventRecorder often(*stream_, 1, 1), minute(*other, 1, 1);
    often.HeartbeatSeconds = 2;
    for (auto* r : {&often, &minute}) {
        r->Hear(ev::TestStarted{&engine::HeatUpWorkload::Description, 5});
        for (std::int64_t s = 0; s <= 61; ++s) {
            r->Hear(ev::PassEnded{&engine::HeatUpWorkload::Description});
            r->Hear(ev::WorkTime{s});
        }
    }
    std::vector<std::pair<int, int>> told; // work seconds, heat-up passes
    for (const auto& e : Events())
        if (e["event"].toString() == "heartbeat")
            told.emplace_back(e["worktime_s"].toInt(), e["passes"].toObject()["heat-up"].toInt());
    ASSERT_EQ(told.size(), 30u);
    EXPECT_EQ(told.front(), std::make_pair(2, 3));
    EXPECT_EQ(told[1], std::make_pair(4, 5));
    EXPECT_EQ(told.back(), std::make_pair(60, 61));

    std::ifstream in(dir_ / "minute.jsonl");
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 2u) << "the test's start and one heartbeat at the minute";
    const auto beat = QJsonDocument::fromJson(QByteArray::fromStdString(lines[1])).object();
    EXPECT_EQ(beat["event"].toString(), "heartbeat");
    EXPECT_EQ(beat["worktime_s"].toInt(), 60);
}

TEST_F(RunEventsTest, AWorkersLinesReadBackAsTheEventsTheyWereMadeFrom) {
    RunEventRecorder r(*stream_, 2, 7);
    r.Hear(ev::TestStarted{&engine::MmxWorkload::Description, 4});
    r.Hear(ev::TestStarted{&engine::HeatUpWorkload::Description, 5});
    r.Hear(ev::EncryptionStarted{&engine::EncryptionWorkload::Description, "Blowfish", 12});
    r.Hear(ev::WorkTime{125});
    r.Hear(ev::Paused{12});
    r.Hear(ev::Error{1, "MMX test failed!", "Calculation error", ev::Mismatch{"1.25 2.50", "1.25 2.51"},
                     std::nullopt, "a cause", 1});
    r.Hear(ev::Error{2, "Boom", "N/A", std::nullopt, std::nullopt, {}, 2});
    r.End("worker_end", 2, 130, "error", 1);

    const auto e = Events();
    ASSERT_EQ(e.size(), 8u);
    std::vector<engine::RunEvent> read;
    for (const auto& line : e)
        if (auto typed = session::ReadRunEvent(line)) read.push_back(*typed);
    ASSERT_EQ(read.size(), 7u) << "a worker's end is no event of its run";
    EXPECT_EQ(std::get<ev::TestStarted>(read[0]).Workload, &engine::MmxWorkload::Description);
    EXPECT_EQ(std::get<ev::TestStarted>(read[0]).Minutes, 4);
    EXPECT_EQ(std::get<ev::TestStarted>(read[1]).Workload, &engine::HeatUpWorkload::Description);
    const auto& cycle = std::get<ev::EncryptionStarted>(read[2]);
    EXPECT_EQ(cycle.Workload, &engine::EncryptionWorkload::Description);
    EXPECT_EQ(cycle.Cipher, "Blowfish");
    EXPECT_EQ(cycle.Megabytes, 12);
    EXPECT_EQ(std::get<ev::WorkTime>(read[3]).Seconds, 125);
    EXPECT_EQ(std::get<ev::Paused>(read[4]).Seconds, 12);
    const auto& mismatch = std::get<ev::Error>(read[5]);
    EXPECT_EQ(mismatch.Code, 1);
    EXPECT_EQ(mismatch.Message, "MMX test failed!");
    EXPECT_EQ(mismatch.Detail, "Calculation error");
    EXPECT_EQ(mismatch.Cause, "a cause");
    EXPECT_EQ(mismatch.Processor, 7) << "the processor the worker is pinned to";
    ASSERT_TRUE(mismatch.Differs);
    EXPECT_EQ(mismatch.Differs->Reference, "1.25 2.50");
    EXPECT_EQ(mismatch.Differs->Result, "1.25 2.51");
    const auto& boom = std::get<ev::Error>(read[6]);
    EXPECT_EQ(boom.Code, 2);
    EXPECT_FALSE(boom.Differs);
    EXPECT_TRUE(boom.Cause.isEmpty());

    // A test this program does not know, and lines that are no run's event.
    EXPECT_FALSE(session::ReadRunEvent(QJsonObject{{"event", "test_start"}, {"kind", "quantum"}}));
    EXPECT_FALSE(session::ReadRunEvent(QJsonObject{{"event", "run_start"}}));
    EXPECT_FALSE(session::ReadRunEvent(QJsonObject{}));
}

} // namespace
} // namespace torvane::app
