#pragma once
// The dialogs of the desktop, behind the program's dialogs interface.

#include "platform/Dialogs.h"
#include "platform/Shell.h"

#include <QPointer>
#include <QString>
#include <QWidget>

namespace torvane::app {

class QtDialogs final : public IDialogs {
public:
    // The window the dialogs are modal to; until it is set they have no parent.
    void SetParent(QWidget* parent) { parent_ = parent; }

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
    QPointer<QWidget> parent_;
};

// "Text files|*.txt|All files|*.*" becomes "Text files (*.txt);;All files (*.*)".
QString QtFileFilter(const std::string& filter);

// Documents and web addresses go to the desktop's default application (xdg-open on most desktops), where
// it shows them in a window of its own; otherwise ShellOpen starts nothing and answers false.
class QtShell final : public IShell {
public:
    bool ShellOpen(const std::string& target, const std::string& parameters, const std::string& directory,
                   int showMode) override;
};

} // namespace torvane::app
