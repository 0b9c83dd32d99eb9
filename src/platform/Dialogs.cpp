#include "platform/Dialogs.h"

#include <stdexcept>

namespace torvane {

void ScriptedDialogs::AnswerText(std::string text) {
    answers_.push_back({Answer::Kind::Text, std::move(text)});
}
void ScriptedDialogs::AnswerFile(std::string path) {
    answers_.push_back({Answer::Kind::File, std::move(path)});
}
void ScriptedDialogs::AnswerColor(std::uint32_t rgb) {
    answers_.push_back({Answer::Kind::Color, {}, rgb});
}
void ScriptedDialogs::AnswerCancel() {
    answers_.push_back({Answer::Kind::Cancel, {}});
}

std::vector<ScriptedDialogs::Shown> ScriptedDialogs::Take() {
    std::vector<Shown> r;
    r.swap(history_);
    return r;
}

std::optional<ScriptedDialogs::Answer> ScriptedDialogs::Next(Answer::Kind expected) {
    if (answers_.empty()) return std::nullopt;
    auto answer = answers_.front();
    answers_.pop_front();
    if (answer.What == Answer::Kind::Cancel) return std::nullopt;
    if (answer.What != expected) throw std::logic_error("scripted answer of the wrong kind for this dialog");
    return answer;
}

void ScriptedDialogs::MessageBox(const std::string& caption, const std::string& text) {
    history_.push_back({Kind::Message, caption, text, {}, {}, 0});
}

std::optional<std::string> ScriptedDialogs::InputBox(const std::string& caption, const std::string& prompt,
                                                     const std::string& defaultText) {
    history_.push_back({Kind::Input, caption, prompt, defaultText, {}, 0});
    const auto a = Next(Answer::Kind::Text);
    if (!a) return std::nullopt;
    return a->Text;
}

std::optional<std::string> ScriptedDialogs::OpenFileDialog(const std::string& filter,
                                                           const std::string& initialDirectory) {
    history_.push_back({Kind::OpenFile, {}, {}, initialDirectory, filter, 0});
    const auto a = Next(Answer::Kind::File);
    if (!a) return std::nullopt;
    return a->Text;
}

std::optional<std::string> ScriptedDialogs::SaveFileDialog(const std::string& filter,
                                                           const std::string& initialDirectory) {
    history_.push_back({Kind::SaveFile, {}, {}, initialDirectory, filter, 0});
    const auto a = Next(Answer::Kind::File);
    if (!a) return std::nullopt;
    return a->Text;
}

std::optional<std::uint32_t> ScriptedDialogs::ColorDialog(std::uint32_t initial) {
    history_.push_back({Kind::Color, {}, {}, {}, {}, initial});
    const auto a = Next(Answer::Kind::Color);
    if (!a) return std::nullopt;
    return a->Color;
}

void ScriptedDialogs::ErrorBox(const std::string& message) {
    history_.push_back({Kind::Error, {}, message, {}, {}, 0});
}

} // namespace torvane
