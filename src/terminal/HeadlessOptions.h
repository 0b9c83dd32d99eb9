#pragma once
// The program's command line: which form it runs in (the window, a certificate in the viewer, the
// terminal run, the window starting its run at once, the help, the version) and the options of the run.
// One parser serves all forms, so that an option of the terminal run given without --headless is
// refused, not ignored. The run's options are described once, in the session's table (RunOptions.h): the
// parser, the help and the workers' command lines are all made from it.

#include "session/RunOptions.h"

#include <string>
#include <vector>

namespace torvane::app {

struct HeadlessOptions : session::RunOptions {
    bool Headless = false; // --headless: the terminal run
    bool Start = false;    // --start: the window, with its run started at once
    bool Help = false;
    bool Version = false;
    bool Verify = false; // --verify FILE.tvc...: check certificates
    std::vector<std::string> VerifyFiles;
    std::string Error; // non-empty: a bad command line, with what was wrong
};

// Reads the arguments after the program name. Options may be written "--minutes 12" or "--minutes=12".
HeadlessOptions ParseHeadlessOptions(const std::vector<std::string>& args);

// The help: every form of the command line and every option of the run.
std::string HeadlessUsage(const std::string& program);

} // namespace torvane::app
