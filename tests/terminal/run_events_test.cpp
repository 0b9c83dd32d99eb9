// The events of one run: where two pass texts part, and the fields each event carries.

#include "common/TempDir.h"

#include "engine/MmxWorkload.h"
#include "engine/WhetstoneWorkload.h"
#include "terminal/HeadlessView.h"
#include "terminal/RunEvents.h"

#include <gtest/gtest.h>

#include <QJsonDocument>

#include <fstream>

namespace torvane::app {
namespace {

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
    r.TestStarted(engine::MmxWorkload::Description, 4);
    r.PassEnded(engine::MmxWorkload::Description);
    r.PassEnded(engine::MmxWorkload::Description);
    r.PassEnded(engine::WhetstoneWorkload::Description);
    r.Heartbeat(125, 46.0);
    const std::string reference = "1.25 2.50", result = "1.25 2.51";
    r.ErrorReported(1, "MMX test failed!", "Calculation error", &reference, &result, {});
    r.Paused(12);
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
    r.EncryptionStarted(engine::WhetstoneWorkload::Description, "Blowfish", 12);
    r.Heartbeat(60, std::nullopt);
    r.ErrorReported(2, "Boom", "N/A", nullptr, nullptr,
                    "Cannot create file /w/TORVA_1.tmp: Permission denied");
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

TEST(HeadlessViewMinutes, EveryWholeMinuteOfWorkTimeIsToldWithItsSeconds) {
    std::FILE* out = std::tmpfile();
    HeadlessView view(out);
    std::vector<long long> told;
    view.OnWorkMinute = [&](long long s) { told.push_back(s); };
    view.ShowWorkTime(59);
    view.ShowWorkTime(60);
    view.ShowWorkTime(61);
    view.ShowWorkTime(86400 + 7200 + 180 + 4);
    EXPECT_EQ(told, (std::vector<long long>{60, 86400 + 7200 + 180 + 4}));
    std::fclose(out);
}

} // namespace
} // namespace torvane::app
