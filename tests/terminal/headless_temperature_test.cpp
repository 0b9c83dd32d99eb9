// The processor temperature on the terminal run's work-time lines.

#include "common/SensorBlockFixture.h"

#include "terminal/Headless.h"
#include "terminal/HeadlessView.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace torvane::app {
namespace {

std::string WorkTimeLines(const std::function<std::optional<QString>()>& temperature) {
    std::FILE* out = std::tmpfile();
    EXPECT_NE(out, nullptr);
    {
        HeadlessView view(out);
        view.Temperature = temperature;
        view.ShowWorkTime(60);
        view.ShowWorkTime(120);
    }
    std::rewind(out);
    std::string text;
    char buf[256];
    while (std::fgets(buf, sizeof buf, out)) text += buf;
    std::fclose(out);
    return text;
}

TEST(HeadlessTemperature, FollowsEachWorkTimeLineWhileABlockIsPublished) {
    int calls = 0;
    EXPECT_EQ(WorkTimeLines([&]() -> std::optional<QString> {
                  if (++calls == 1) return QStringLiteral("46 Celsius");
                  return std::nullopt;
              }),
              "Work time: 0 d, 0 h, 1 m, 0 s; CPU Temp: 46 Celsius\n"
              "Work time: 0 d, 0 h, 2 m, 0 s\n");
}

engine::SettingsReader Stored(std::optional<int> q14, std::optional<std::string> a1) {
    SettingsSnapshot snapshot;
    if (q14) snapshot.Set("Q14", SettingsValue::Integer(*q14));
    if (a1) snapshot.Set("A1", SettingsValue::String(*a1));
    return engine::SettingsReader(snapshot);
}

TEST(HeadlessTemperature, ReadsTheStoredSensorWithTheStoredUnit) {
    test::TestSensorBlock block;
    auto stored = Stored(3, "F");
    const auto third = TemperatureReader(stored, block.Name());
    EXPECT_FALSE(third()) << "no block, no temperature";
    block.Publish(45.5, 46.5, 113);
    EXPECT_EQ(third(), QStringLiteral("113 Fahrenheit"));

    auto plain = Stored(std::nullopt, std::nullopt);
    EXPECT_EQ(TemperatureReader(plain, block.Name())(), QStringLiteral("46 C"));
    // A sensor outside 1 to 3 is not used, and says so with the other settings problems.
    auto outside = Stored(7, "C");
    EXPECT_EQ(TemperatureReader(outside, block.Name())(), QStringLiteral("46 Celsius"));
    ASSERT_EQ(outside.Problems().size(), 1u);
    EXPECT_NE(outside.Problems()[0].find("Q14"), std::string::npos) << outside.Problems()[0];
    block.Remove();
    EXPECT_FALSE(third());
}

} // namespace
} // namespace torvane::app
