// The settings schema: every stored value is used only within its rule, and a value that breaks it is
// named with what was wrong and what takes its place.

#include "EngineTestSupport.h"

#include "engine/SettingsSchema.h"
#include "engine/TestRun.h"
#include "platform/Files.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <set>
#include <unistd.h>

using namespace torvane;
using namespace torvane::engine;

namespace {

SettingsReader With(const char* name, SettingsValue value) {
    SettingsSnapshot snapshot;
    snapshot.Set(name, std::move(value));
    return SettingsReader(snapshot);
}

TEST(SettingsSchema, WorkFileSizeLimitTakesOnlyWholeNumbersWithinItsRange) {
    struct Case {
        const char* stored;
        std::optional<std::int32_t> used;
    };
    const Case cases[] = {
        {"104857600", 104857600}, {"1048576", 1048576},      {"2146435072", 2146435072},
        {" 5242880 ", 5242880},   {"1048575", std::nullopt}, {"2146435073", std::nullopt},
        {"0", std::nullopt},      {"-5", std::nullopt},      {"12abc", std::nullopt},
        {"", std::nullopt},       {"1e8", std::nullopt},     {"99999999999", std::nullopt},
    };
    for (const auto& c : cases) {
        auto reader = With("Q2", SettingsValue::String(c.stored));
        EXPECT_EQ(reader.Number(settings::MaxTempSize), c.used) << c.stored;
        EXPECT_EQ(reader.Unusable(settings::MaxTempSize), !c.used) << c.stored;
        if (c.used) {
            EXPECT_TRUE(reader.Problems().empty()) << c.stored;
            continue;
        }
        // The message names the value, what was wrong with it, and what is used instead.
        ASSERT_EQ(reader.Problems().size(), 1u) << c.stored;
        const auto& problem = reader.Problems().front();
        EXPECT_NE(problem.find("(Q2)"), std::string::npos) << problem;
        EXPECT_NE(problem.find(std::string(c.stored).substr(0, 5)), std::string::npos) << problem;
        EXPECT_NE(problem.find("104857600 is used instead"), std::string::npos) << problem;
    }
    auto reader = With("Q2", SettingsValue::String("-5"));
    reader.Number(settings::MaxTempSize);
    EXPECT_EQ(reader.Problems().front(),
              "-5 is outside 1048576 to 2146435072 (Q2); 104857600 is used instead");
}

TEST(SettingsSchema, AValueIsNamedWholeAndWithoutItsControlCharacters) {
    // A NUL would cut the message short where it is printed; an escape sequence would act on a terminal.
    auto number = With("Q2", SettingsValue::String(std::string("12\0abc\x1b[2J", 10)));
    EXPECT_EQ(number.Number(settings::MaxTempSize), std::nullopt);
    ASSERT_EQ(number.Problems().size(), 1u);
    EXPECT_EQ(number.Problems().front(),
              "'12\\x00abc\\x1b[2J' is not a valid integer value (Q2); 104857600 is used instead");
    auto text = With("Q13", SettingsValue::String("C\nD"));
    EXPECT_EQ(text.Text(settings::TemperatureScale), std::nullopt);
    ASSERT_EQ(text.Problems().size(), 1u);
    EXPECT_NE(text.Problems().front().find("'C\\nD' is not"), std::string::npos) << text.Problems().front();
}

TEST(SettingsSchema, ValuesOfTheWrongTypeAreNamed) {
    auto reader = With("Q2", SettingsValue::Integer(104857600));
    EXPECT_FALSE(reader.Number(settings::MaxTempSize));
    EXPECT_EQ(reader.Problems().front(), "Invalid data type for 'Q2'; 104857600 is used instead");
    reader = With("Q11", SettingsValue::String("yes"));
    EXPECT_FALSE(reader.Flag(settings::StayOnTop));
    reader = With("Q1", SettingsValue::Integer(5));
    EXPECT_FALSE(reader.Text(settings::WorkDirectory));
    EXPECT_NE(reader.Problems().front().find("Invalid data type for 'Q1'"), std::string::npos);
    // Absent values are no problem.
    reader = With("Q7", SettingsValue::Integer(1));
    EXPECT_FALSE(reader.Number(settings::WindowTop));
    EXPECT_TRUE(reader.Problems().empty());
}

TEST(SettingsSchema, IntegerRangesHoldAtBothEnds) {
    struct Case {
        const SettingSpec* rule;
        std::int32_t below, lowest, highest, above;
    };
    const Case cases[] = {
        {&settings::WindowLeft, -32769, -32768, 32767, 32768},
        {&settings::WindowTop, -32769, -32768, 32767, 32768},
        {&settings::WindowHeight, 0, 1, 32767, 32768},
        {&settings::WindowWidth, 0, 1, 32767, 32768},
        {&settings::TemperatureSensor, 0, 1, 3, 4},
    };
    for (const auto& c : cases) {
        for (auto good : {c.lowest, c.highest})
            EXPECT_EQ(With(c.rule->Name, SettingsValue::Integer(good)).Number(*c.rule), good) << c.rule->Name;
        for (auto bad : {c.below, c.above, std::int32_t{2147483647}}) {
            auto reader = With(c.rule->Name, SettingsValue::Integer(bad));
            EXPECT_FALSE(reader.Number(*c.rule)) << c.rule->Name << " " << bad;
            EXPECT_NE(reader.Problems().front().find(std::to_string(bad)), std::string::npos);
        }
    }
    // Colours are RGB values.
    for (const char* good : {"0", "16777215"})
        EXPECT_TRUE(With("Q5", SettingsValue::String(good)).Number(settings::ScreenColor)) << good;
    for (const char* bad : {"-1", "16777216"})
        EXPECT_FALSE(With("Q6", SettingsValue::String(bad)).Number(settings::TextColor)) << bad;
}

TEST(SettingsSchema, TextChoicesAndFlags) {
    for (const char* good : {"C", "F"})
        EXPECT_EQ(With("Q13", SettingsValue::String(good)).Text(settings::TemperatureScale), good);
    auto reader = With("Q13", SettingsValue::String("c"));
    EXPECT_FALSE(reader.Text(settings::TemperatureScale));
    EXPECT_EQ(reader.Problems().front(), "'c' is not C or F (Q13); \"C\" is used instead");
    // A1 takes any text; only "C" and "F" mean a unit, which its reader decides.
    EXPECT_EQ(With("A1", SettingsValue::String("Kelvin")).Text(settings::TemperatureUnit), "Kelvin");
    EXPECT_EQ(With("Q12", SettingsValue::Integer(7)).Flag(settings::RandomTests), true);
    EXPECT_EQ(With("Q12", SettingsValue::Integer(0)).Flag(settings::RandomTests), false);
}

TEST(SettingsSchema, EveryValueOfTheStoreIsDescribedOnce) {
    std::set<std::string> names;
    for (const auto* rule : settings::All) {
        EXPECT_TRUE(names.insert(rule->Name).second) << rule->Name;
        EXPECT_NE(std::string(rule->Instead), "") << rule->Name;
        if (rule->Form == SettingForm::Integer || rule->Form == SettingForm::DecimalText) {
            EXPECT_LE(rule->Min, rule->Max) << rule->Name;
            EXPECT_GE(rule->Min, INT32_MIN) << rule->Name;
            EXPECT_LE(rule->Max, INT32_MAX) << rule->Name;
        }
    }
    EXPECT_EQ(names, (std::set<std::string>{"Q1", "Q2", "Q5", "Q6", "Q7", "Q8", "Q9", "Q10", "Q11", "Q12",
                                            "Q13", "Q14", "A1", "Q15"}));
    EXPECT_EQ(settings::MaxTempSize.Default, 104857600);
    EXPECT_FALSE(RangeProblem(settings::MaxTempSize, settings::MaxTempSize.Default));
}

TEST(SettingsSchema, TheRunTakesItsWorkSettings) {
    torvane::test::EngineApp();
    torvane::test::FakeRunView view;
    TestRun run(view);
    const torvane::test::TempDir dir;

    SettingsSnapshot snapshot;
    snapshot.Set("Q1", SettingsValue::String(dir.Path()));
    snapshot.Set("Q2", SettingsValue::String("52428800"));
    SettingsReader good(snapshot);
    run.LoadWorkSettings(good);
    EXPECT_EQ(run.TempDir, dir.Path() + "/");
    EXPECT_EQ(run.MaxTempSize, 52428800);

    // A folder that is not there leaves the user's private work folder, made for the user alone; a size
    // that breaks its rule, the default.
    snapshot.Set("Q1", SettingsValue::String("/no/such/folder/"));
    snapshot.Set("Q2", SettingsValue::String("0"));
    SettingsReader bad(snapshot);
    run.LoadWorkSettings(bad);
    const std::string privateDir = std::string(std::getenv("XDG_CACHE_HOME")) + "/Quarnett/Torvane Test/";
    EXPECT_EQ(run.TempDir, privateDir);
    struct stat st {};
    ASSERT_EQ(::stat(privateDir.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(run.MaxTempSize, 104857600);
    EXPECT_EQ(bad.Problems().size(), 1u);
}

} // namespace
