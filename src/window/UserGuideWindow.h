#pragma once
// The user guide in a window of the program's own, for desktops where no application would show it: a
// machine without a desktop environment opens text files with the editor its associations name, often one
// that needs a terminal (vim), and xdg-open starts it without one, so nothing appears and nobody is told.

#include <QWidget>

#include <string>

class QPlainTextEdit;
class QPushButton;

namespace torvane::app {

class TUserGuideWindow final : public QWidget {
    Q_OBJECT
public:
    explicit TUserGuideWindow(QWidget* parent = nullptr);

    // Shows the file's text (UTF-8) from its start and brings the window forward. Throws EFOpenError or
    // EReadError, with the file's name and the system's reason, when it cannot be read or is no file.
    void ShowFile(const std::string& path);
    const std::string& FilePath() const { return path_; }

    QPlainTextEdit* Text = nullptr;
    QPushButton* CloseButton = nullptr;

private:
    std::string path_;
};

} // namespace torvane::app
