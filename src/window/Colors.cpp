#include "window/Colors.h"

#include <QWidget>

namespace torvane::app {

QColor ColorFromRgbValue(std::uint32_t value) {
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>((value >> 16) & 0xFF));
}

std::uint32_t RgbValueFromColor(const QColor& colour) {
    const auto rgb = colour.toRgb();
    return static_cast<std::uint32_t>(rgb.red()) | static_cast<std::uint32_t>(rgb.green()) << 8 |
           static_cast<std::uint32_t>(rgb.blue()) << 16;
}

void SetBackground(QWidget* w, const QColor& colour) {
    auto palette = w->palette();
    palette.setColor(QPalette::Window, colour);
    palette.setColor(QPalette::Base, colour);
    w->setPalette(palette);
    w->setAutoFillBackground(true);
}

void SetForeground(QWidget* w, const QColor& colour) {
    auto palette = w->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::Text, colour);
    w->setPalette(palette);
}

} // namespace torvane::app
