#pragma once
// The program's stored settings: every value's name, type, default and valid range, and the one way of
// reading them that the window, the terminal front end and the test run share. A value that is stored
// but breaks its rule is not used: the reader says which value it is, what was wrong with it and what is
// used instead, and the stored value stays as it is (the user may want to mend it by hand).

#include "platform/Settings.h"

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace torvane::engine {

enum class SettingForm {
    Text,        // a string value
    DecimalText, // a string value holding a signed decimal integer
    Integer,     // a 32-bit integer value
    Boolean,     // a 32-bit integer value; any non-zero value is true
};

struct SettingSpec {
    const char* Name;
    SettingForm Form;
    // Numbers: the valid range, both ends included, and the default where it is fixed.
    std::int64_t Min = 0, Max = 0;
    std::int64_t Default = 0;
    // Texts: the allowed texts separated by blanks; empty allows any text.
    std::string_view Choices = {};
    // What takes the place of a value that breaks its rule, as messages name it.
    const char* Instead = "";
};

// The signed 32-bit byte count of the work files holds up to 2047 whole megabytes.
inline constexpr std::int64_t MaxTempSizeUnit = 1048576;

namespace settings {

inline constexpr SettingSpec WorkDirectory{
    "Q1", SettingForm::Text, 0, 0, 0, {}, "the user's private work folder"};
inline constexpr SettingSpec MaxTempSize{"Q2",
                                         SettingForm::DecimalText,
                                         1 * MaxTempSizeUnit,
                                         2047 * MaxTempSizeUnit,
                                         100 * MaxTempSizeUnit,
                                         {},
                                         "104857600"};
// Colours are RGB values 0x00BBGGRR.
inline constexpr SettingSpec ScreenColor{"Q5", SettingForm::DecimalText, 0, 0xFFFFFF, 0,
                                         {},   "the design colour"};
inline constexpr SettingSpec TextColor{"Q6", SettingForm::DecimalText, 0, 0xFFFFFF, 0xFFFFFF,
                                       {},   "the design colour"};
// Window geometry in pixels, the outer size with border and menu bar; the range is what window systems
// can place at all, whether a screen shows it is decided when the window opens.
inline constexpr SettingSpec WindowLeft{"Q7", SettingForm::Integer, -32768, 32767, 204,
                                        {},   "the design position"};
inline constexpr SettingSpec WindowTop{"Q8", SettingForm::Integer, -32768, 32767, 108,
                                       {},   "the design position"};
inline constexpr SettingSpec WindowHeight{"Q9", SettingForm::Integer, 1, 32767, 0, {}, "the design size"};
inline constexpr SettingSpec WindowWidth{"Q10", SettingForm::Integer, 1, 32767, 0, {}, "the design size"};
inline constexpr SettingSpec StayOnTop{"Q11", SettingForm::Boolean, 0, 0, 0, {}, "off"};
inline constexpr SettingSpec RandomTests{"Q12", SettingForm::Boolean, 0, 0, 1, {}, "\"Random\""};
inline constexpr SettingSpec TemperatureScale{"Q13", SettingForm::Text, 0, 0, 0, "C F", "\"C\""};
inline constexpr SettingSpec TemperatureSensor{"Q14", SettingForm::Integer, 1, 3, 1, {}, "1"};
// Any text is taken; only "C" and "F" name a unit, everything else leaves the plain "C".
inline constexpr SettingSpec TemperatureUnit{"A1", SettingForm::Text, 0, 0, 0, {}, "\"C\""};

// Advanced > Processors: "All" runs the test on every processor, "One" the window's run alone.
inline constexpr SettingSpec Processors{"Q15", SettingForm::Text, 0, 0, 0, "All One", "\"All\""};

inline constexpr const SettingSpec* All[] = {
    &WorkDirectory,    &MaxTempSize,       &ScreenColor,     &TextColor, &WindowLeft,
    &WindowTop,        &WindowHeight,      &WindowWidth,     &StayOnTop, &RandomTests,
    &TemperatureScale, &TemperatureSensor, &TemperatureUnit, &Processors};

} // namespace settings

// What is wrong with a number for a value, or nothing when it keeps the value's range.
std::optional<std::string> RangeProblem(const SettingSpec& rule, std::int64_t value);

// Reads values by the schema from one read of the store, and notes every stored value it could not use.
class SettingsReader {
public:
    explicit SettingsReader(SettingsSnapshot snapshot) : snapshot_(std::move(snapshot)) {}
    // One read of the store.
    static SettingsReader FromStore() { return SettingsReader(SettingsKey().Read()); }

    bool Present(const SettingSpec& rule) const { return snapshot_.ValueExists(rule.Name); }

    // The stored value when it is present and keeps its rule; nothing when it is absent or (with a
    // problem noted) when it breaks the rule.
    std::optional<std::int32_t> Number(const SettingSpec& rule);
    std::optional<bool> Flag(const SettingSpec& rule);
    std::optional<std::string> Text(const SettingSpec& rule);

    // One line per stored value that was not used: "<what was wrong> (<name>); <instead> is used instead".
    const std::vector<std::string>& Problems() const { return problems_; }
    // Whether the value is stored but was not used; such values are never overwritten.
    bool Unusable(const SettingSpec& rule) const { return unusable_.count(rule.Name) != 0; }

private:
    void Note(const SettingSpec& rule, const std::string& what);

    SettingsSnapshot snapshot_;
    std::vector<std::string> problems_;
    std::set<std::string> unusable_;
};

} // namespace torvane::engine
