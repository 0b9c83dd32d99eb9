#pragma once
// The program's own texts are UTF-8 std::strings; the widgets take QStrings.

#include <QString>

#include <string>

namespace torvane::app {

inline QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

} // namespace torvane::app
