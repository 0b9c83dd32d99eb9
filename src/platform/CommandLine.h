#pragma once
// The raw command line of the process, rebuilt in the form the desktop hands to a program started for a
// double-clicked file: the program path in double quotes, one blank, and the arguments joined by blanks.
// The certificate hand-over counts characters in exactly this form.

#include <string>
#include <vector>

namespace torvane {

// With no arguments there is no blank either: just the quoted program path.
std::string BuildRawCommandLine(const std::string& programPath, const std::vector<std::string>& arguments);

// The arguments of this process after the program name, as the kernel holds them.
std::vector<std::string> ProcessArguments();

// BuildRawCommandLine(ProgramFilePath(), ProcessArguments()).
std::string RawCommandLine();

} // namespace torvane
