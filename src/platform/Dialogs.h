#pragma once
// The dialogs the program shows, behind one interface: the desktop implementation lives with the windows
// (src/window); ScriptedDialogs answers without blocking and records what was shown, for tests.
//
// Texts are UTF-8. Colours are desktop colour values 0x00BBGGRR. File filters are written as
// "Description|*.ext" pairs joined by "|", as the program's commands state them.

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace torvane {

class IDialogs {
public:
    virtual ~IDialogs() = default;

    // A modal message box with the given caption, text and an OK button.
    virtual void MessageBox(const std::string& caption, const std::string& text) = 0;
    // The input box; the entered text, or nothing when the user cancelled.
    virtual std::optional<std::string> InputBox(const std::string& caption, const std::string& prompt,
                                                const std::string& defaultText) = 0;
    // The file dialogs; the chosen path, or nothing when cancelled.
    virtual std::optional<std::string> OpenFileDialog(const std::string& filter,
                                                      const std::string& initialDirectory) = 0;
    virtual std::optional<std::string> SaveFileDialog(const std::string& filter,
                                                      const std::string& initialDirectory = {}) = 0;
    // The colour dialog with a colour preselected; the chosen colour, or nothing when cancelled.
    virtual std::optional<std::uint32_t> ColorDialog(std::uint32_t initial) = 0;
    // The application's general error box, for exceptions that escape a command.
    virtual void ErrorBox(const std::string& message) = 0;
};

// Answers the dialogs from a queue, in order, and records every dialog shown. A question with no answer
// left is cancelled; an answer of the wrong kind is a fault of the test and throws std::logic_error.
class ScriptedDialogs final : public IDialogs {
public:
    enum class Kind { Message, Input, OpenFile, SaveFile, Color, Error };

    struct Shown {
        Kind What;
        std::string Caption;        // Message, Input
        std::string Text;           // Message and Error text, Input prompt
        std::string Default;        // Input default text, file dialogs' initial directory
        std::string Filter;         // file dialogs
        std::uint32_t InitialColor; // Color
    };

    // Queued answers.
    void AnswerText(std::string text);   // an input box
    void AnswerFile(std::string path);   // an open or save dialog
    void AnswerColor(std::uint32_t rgb); // a colour dialog
    void AnswerCancel();                 // any question

    const std::vector<Shown>& History() const { return history_; }
    std::vector<Shown> Take(); // the history so far, which is then cleared
    size_t PendingAnswers() const { return answers_.size(); }

    void MessageBox(const std::string& caption, const std::string& text) override;
    std::optional<std::string> InputBox(const std::string& caption, const std::string& prompt,
                                        const std::string& defaultText) override;
    std::optional<std::string> OpenFileDialog(const std::string& filter,
                                              const std::string& initialDirectory) override;
    std::optional<std::string> SaveFileDialog(const std::string& filter,
                                              const std::string& initialDirectory = {}) override;
    std::optional<std::uint32_t> ColorDialog(std::uint32_t initial) override;
    void ErrorBox(const std::string& message) override;

private:
    struct Answer {
        enum class Kind { Text, File, Color, Cancel } What;
        std::string Text;
        std::uint32_t Color = 0;
    };
    std::optional<Answer> Next(Answer::Kind expected);

    std::deque<Answer> answers_;
    std::vector<Shown> history_;
};

} // namespace torvane
