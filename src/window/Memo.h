#pragma once
// A read-only text pane of the screen: no border, no scroll bars, lines wrapped at the pane's width. It
// keeps its lines as a list as well, so that counting and saving them does not depend on how the text
// happens to be wrapped on screen.

#include <QPlainTextEdit>
#include <QStringList>

namespace torvane::app {

class TMemo final : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TMemo(const QString& name, QWidget* parent = nullptr);

    void Add(const QString& line); // a line with line breaks in it becomes several lines
    void Clear();
    int Count() const { return static_cast<int>(lines_.size()); }
    const QStringList& Lines() const { return lines_; }

private:
    QStringList lines_;
};

// The screen's fixed-pitch font and the form's font, with stand-ins where the desktop lacks them.
QFont ScreenFont();
QFont FormFont();

} // namespace torvane::app
