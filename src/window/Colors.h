#pragma once
// Desktop colour values (0x00BBGGRR, stored as signed decimal text) and Qt colours.

#include <QColor>

#include <cstdint>

namespace torvane::app {

// Only the low 24 bits carry a colour; anything above them is ignored.
QColor ColorFromRgbValue(std::uint32_t value);
std::uint32_t RgbValueFromColor(const QColor& colour);

} // namespace torvane::app
