#include "engine/SettingsSchema.h"

#include "platform/Convert.h"
#include "platform/Error.h"
#include "platform/TextEscape.h"

namespace torvane::engine {

namespace {

bool Allowed(std::string_view choices, const std::string& text) {
    std::size_t at = 0;
    while (at < choices.size()) {
        const auto blank = choices.find(' ', at);
        const auto choice = choices.substr(at, blank == std::string_view::npos ? choices.npos : blank - at);
        if (choice == text) return true;
        if (blank == std::string_view::npos) break;
        at = blank + 1;
    }
    return false;
}

std::string ChoiceList(std::string_view choices) {
    std::string r(choices);
    const auto blank = r.rfind(' ');
    if (blank != std::string::npos) r.replace(blank, 1, " or ");
    return r;
}

} // namespace

std::optional<std::string> RangeProblem(const SettingSpec& rule, std::int64_t value) {
    if (value >= rule.Min && value <= rule.Max) return std::nullopt;
    return std::to_string(value) + " is outside " + std::to_string(rule.Min) + " to " +
           std::to_string(rule.Max);
}

void SettingsReader::Note(const SettingSpec& rule, const std::string& what) {
    unusable_.insert(rule.Name);
    problems_.push_back(what + "; " + rule.Instead + " is used instead");
}

std::optional<std::int32_t> SettingsReader::Number(const SettingSpec& rule) {
    const auto* v = snapshot_.Find(rule.Name);
    if (!v) return std::nullopt;
    const auto wanted = rule.Form == SettingForm::DecimalText ? SettingsType::String : SettingsType::DWord;
    if (v->Type != wanted) {
        Note(rule, "Invalid data type for '" + std::string(rule.Name) + "'");
        return std::nullopt;
    }
    std::int32_t n;
    if (rule.Form == SettingForm::DecimalText) {
        const auto parsed = TryStrToInt(v->Text);
        if (!parsed) {
            Note(rule, FormatMessage("'%s' is not a valid integer value", EscapeControls(v->Text)) + " (" +
                           rule.Name + ")");
            return std::nullopt;
        }
        n = *parsed;
    } else {
        n = static_cast<std::int32_t>(v->Number);
    }
    if (const auto problem = RangeProblem(rule, n)) {
        Note(rule, *problem + " (" + rule.Name + ")");
        return std::nullopt;
    }
    return n;
}

std::optional<bool> SettingsReader::Flag(const SettingSpec& rule) {
    const auto* v = snapshot_.Find(rule.Name);
    if (!v) return std::nullopt;
    if (v->Type != SettingsType::DWord) {
        Note(rule, "Invalid data type for '" + std::string(rule.Name) + "'");
        return std::nullopt;
    }
    return v->Number != 0;
}

std::optional<std::string> SettingsReader::Text(const SettingSpec& rule) {
    const auto* v = snapshot_.Find(rule.Name);
    if (!v) return std::nullopt;
    if (v->Type != SettingsType::String) {
        Note(rule, "Invalid data type for '" + std::string(rule.Name) + "'");
        return std::nullopt;
    }
    if (!rule.Choices.empty() && !Allowed(rule.Choices, v->Text)) {
        Note(rule,
             "'" + EscapeControls(v->Text) + "' is not " + ChoiceList(rule.Choices) + " (" + rule.Name + ")");
        return std::nullopt;
    }
    return v->Text;
}

} // namespace torvane::engine
