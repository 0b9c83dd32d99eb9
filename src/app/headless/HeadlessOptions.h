#pragma once
// The command line of the terminal front end.

#include <optional>
#include <string>
#include <vector>

namespace torvane::app {

struct HeadlessOptions {
    enum class Mode { Idle, Normal, Hardcore };
    bool Help = false;
    bool Version = false;
    Mode LoadMode = Mode::Normal;
    int Minutes = 0;   // 0: until interrupted
    std::string Error; // non-empty: a bad command line, with what was wrong
};

// Reads the arguments after the program name. Options may be written "--minutes 12" or "--minutes=12".
HeadlessOptions ParseHeadlessOptions(const std::vector<std::string>& args);

std::string HeadlessUsage(const std::string& program);

} // namespace torvane::app
