#include "engine/SettingsSchema.h"

#include "platform/Convert.h"
#include "platform/Error.h"

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

std::optional<std::string> RangeProblem(const SettingSpec& spec, std::int64_t value) {
    if (value >= spec.Min && value <= spec.Max) return std::nullopt;
    return std::to_string(value) + " is outside " + std::to_string(spec.Min) + " to " +
           std::to_string(spec.Max);
}

void SettingsReader::Note(const SettingSpec& spec, const std::string& what) {
    unusable_.insert(spec.Name);
    problems_.push_back(what + "; " + spec.Instead + " is used instead");
}

std::optional<std::int32_t> SettingsReader::Number(const SettingSpec& spec) {
    const auto* v = snapshot_.Find(spec.Name);
    if (!v) return std::nullopt;
    const auto wanted = spec.Form == SettingForm::DecimalText ? SettingsType::String : SettingsType::DWord;
    if (v->Type != wanted) {
        Note(spec, "Invalid data type for '" + std::string(spec.Name) + "'");
        return std::nullopt;
    }
    std::int32_t n;
    if (spec.Form == SettingForm::DecimalText) {
        const auto parsed = TryStrToInt(v->Text);
        if (!parsed) {
            Note(spec, FormatMessage("'%s' is not a valid integer value", v->Text) + " (" + spec.Name + ")");
            return std::nullopt;
        }
        n = *parsed;
    } else {
        n = static_cast<std::int32_t>(v->Number);
    }
    if (const auto problem = RangeProblem(spec, n)) {
        Note(spec, *problem + " (" + spec.Name + ")");
        return std::nullopt;
    }
    return n;
}

std::optional<bool> SettingsReader::Flag(const SettingSpec& spec) {
    const auto* v = snapshot_.Find(spec.Name);
    if (!v) return std::nullopt;
    if (v->Type != SettingsType::DWord) {
        Note(spec, "Invalid data type for '" + std::string(spec.Name) + "'");
        return std::nullopt;
    }
    return v->Number != 0;
}

std::optional<std::string> SettingsReader::Text(const SettingSpec& spec) {
    const auto* v = snapshot_.Find(spec.Name);
    if (!v) return std::nullopt;
    if (v->Type != SettingsType::String) {
        Note(spec, "Invalid data type for '" + std::string(spec.Name) + "'");
        return std::nullopt;
    }
    if (!spec.Choices.empty() && !Allowed(spec.Choices, v->Text)) {
        Note(spec, "'" + v->Text + "' is not " + ChoiceList(spec.Choices) + " (" + spec.Name + ")");
        return std::nullopt;
    }
    return v->Text;
}

} // namespace torvane::engine
