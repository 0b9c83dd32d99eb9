#pragma once
// Desktop colour values (0x00BBGGRR, stored as signed decimal text), Qt colours, and the screen colours
// on widgets.

#include <QColor>

class QWidget;

#include <cstdint>

namespace torvane::app {

// Only the low 24 bits carry a colour; anything above them is ignored.
QColor ColorFromRgbValue(std::uint32_t value);
std::uint32_t RgbValueFromColor(const QColor& colour);

// The screen's colours on a widget: the background of a panel and of a text pane alike, and its text.
void SetBackground(QWidget* w, const QColor& colour);
void SetForeground(QWidget* w, const QColor& colour);

} // namespace torvane::app
