// The processor temperature of a terminal run: read once for the run and published into its stream, from
// which the work-time lines take it.

#include "common/SensorBlockFixture.h"

#include "engine/SettingsSchema.h"
#include "platform/Settings.h"
#include "session/TemperatureFeed.h"
#include "terminal/HeadlessView.h"
#include "terminal/ScreenText.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace torvane::app {
namespace {

namespace ev = engine::event;

// The lines a terminal log prints for the given events.
std::string Printed(const std::vector<engine::RunEvent>& events, std::optional<std::string> unit = "C") {
    std::FILE* out = std::tmpfile();
    EXPECT_NE(out, nullptr);
    {
        HeadlessView view(out);
        view.TemperatureUnit = std::move(unit);
        for (const auto& e : events) view.Hear(e);
    }
    std::rewind(out);
    std::string text;
    char buf[256];
    while (std::fgets(buf, sizeof buf, out)) text += buf;
    std::fclose(out);
    return text;
}

TEST(HeadlessTemperature, FollowsEachWorkTimeLineWhileABlockIsPublished) {
    EXPECT_EQ(
        Printed({ev::Temperature{46.0}, ev::WorkTime{59}, ev::WorkTime{60}, ev::Temperature{std::nullopt},
                 ev::WorkTime{120}, ev::Temperature{47.0}, ev::WorkTime{130}, ev::WorkTime{180}}),
        "Work time: 0 d, 0 h, 1 m, 0 s; CPU Temp: 46 Celsius\n"
        "Work time: 0 d, 0 h, 2 m, 0 s\n"
        "Work time: 0 d, 0 h, 3 m, 0 s; CPU Temp: 47 Celsius\n");
    EXPECT_EQ(Printed({ev::WorkTime{60}}), "Work time: 0 d, 0 h, 1 m, 0 s\n") << "no reading heard";
    // Degrees Celsius read from a monitor set to Fahrenheit are shown as the monitor shows them.
    EXPECT_EQ(Printed({ev::Temperature{45.0}, ev::WorkTime{60}}, "F"),
              "Work time: 0 d, 0 h, 1 m, 0 s; CPU Temp: 113 Fahrenheit\n");
    EXPECT_EQ(Printed({ev::Temperature{46.0}, ev::WorkTime{60}}, std::nullopt),
              "Work time: 0 d, 0 h, 1 m, 0 s; CPU Temp: 46 C\n");
}

engine::SettingsReader Stored(std::optional<int> q14, std::optional<std::string> a1) {
    SettingsSnapshot snapshot;
    if (q14) snapshot.Set("Q14", SettingsValue::Integer(*q14));
    if (a1) snapshot.Set("A1", SettingsValue::String(*a1));
    return engine::SettingsReader(snapshot);
}

// What the run's stream carries from a feed, and how the screen shows it.
struct Heard : engine::IRunSubscriber {
    std::vector<std::optional<double>> Celsius;
    void Hear(const engine::RunEvent& e) override {
        if (const auto* t = std::get_if<ev::Temperature>(&e)) Celsius.push_back(t->Celsius);
    }
};

TEST(HeadlessTemperature, TheFeedReadsTheStoredSensorAndPublishesDegreesCelsius) {
    test::TestSensorBlock block;
    auto stored = Stored(3, "F");
    const auto third = session::TemperatureFeed::FromStore(stored, block.Name());
    Heard heard;
    third.Publish(heard);
    block.Publish(45.5, 46.5, 113);
    third.Publish(heard);
    block.Remove();
    third.Publish(heard);
    ASSERT_EQ(heard.Celsius.size(), 3u);
    EXPECT_FALSE(heard.Celsius[0]) << "no block, no temperature";
    EXPECT_EQ(heard.Celsius[1], 45.0);
    EXPECT_EQ(ShownTemperature(*heard.Celsius[1], "F"), QStringLiteral("113 Fahrenheit"));
    EXPECT_FALSE(heard.Celsius[2]) << "a block that went away";

    // Rounded as shown, halves to even, before it is told.
    block.Publish(45.5, 46.5, 47.5);
    auto plain = Stored(std::nullopt, std::nullopt);
    EXPECT_EQ(session::TemperatureFeed::FromStore(plain, block.Name()).Celsius(), 46.0);
    EXPECT_EQ(ShownTemperature(46.0, std::nullopt), QStringLiteral("46 C"));
    // A sensor outside 1 to 3 is not used, and says so with the other settings problems.
    auto outside = Stored(7, "C");
    EXPECT_EQ(session::TemperatureFeed::FromStore(outside, block.Name()).Celsius(), 46.0);
    ASSERT_EQ(outside.Problems().size(), 1u);
    EXPECT_NE(outside.Problems()[0].find("Q14"), std::string::npos) << outside.Problems()[0];
    auto second = Stored(2, "C");
    EXPECT_EQ(session::TemperatureFeed::FromStore(second, block.Name()).Celsius(), 46.0);
}

TEST(HeadlessTemperature, EveryWholeFahrenheitReadingIsShownAsPublished) {
    for (int f = -40; f <= 260; ++f) {
        const double celsius = (f - 32) * 5.0 / 9;
        ASSERT_EQ(ShownTemperature(celsius, "F"), QString::number(f) + QStringLiteral(" Fahrenheit"));
    }
}

} // namespace
} // namespace torvane::app
