#include "window/Memo.h"

#include <QFont>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTextCursor>

namespace torvane::app {

QFont ScreenFont() {
    QFont font;
    // Liberation Mono has the metrics of Courier New, so lines wrap where they were designed to.
    font.setFamilies({QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"),
                      QStringLiteral("DejaVu Sans Mono"), QStringLiteral("Monospace")});
    font.setStyleHint(QFont::TypeWriter);
    font.setPixelSize(11);
    return font;
}

QFont FormFont() {
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("DejaVu Sans"), QStringLiteral("Sans Serif")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    return font;
}

TMemo::TMemo(const QString& name, QWidget* parent) : QPlainTextEdit(parent) {
    setObjectName(name);
    setReadOnly(true);
    setTextInteractionFlags(Qt::NoTextInteraction);
    setFocusPolicy(Qt::NoFocus);
    setContextMenuPolicy(Qt::NoContextMenu);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setUndoRedoEnabled(false);
    setFont(ScreenFont());
    viewport()->setCursor(Qt::ArrowCursor);
}

void TMemo::Add(const QString& line) {
    static const QRegularExpression breaks(QStringLiteral("\r\n|\r|\n"));
    const auto parts = line.split(breaks);
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    for (const auto& part : parts) {
        // An empty document already has its first, empty block; every later line needs a block of its own,
        // also after leading empty lines (which leave the document "empty").
        if (!lines_.isEmpty()) cursor.insertBlock();
        cursor.insertText(part);
        lines_.append(part);
    }
    // The newest line stays in view, as the screen has no scroll bar to reach it.
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void TMemo::Clear() {
    lines_.clear();
    clear();
}

} // namespace torvane::app
