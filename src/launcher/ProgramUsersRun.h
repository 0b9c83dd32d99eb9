#pragma once
// The file users run as `torvane` is a launcher (Launcher.cpp) that starts this program from a private
// folder. What the program tells the desktop and the user about its own file names that launcher: the
// Exec line of the certificate file type ("Register FileType"), the hand-over of a certificate opened by
// a double-click, the user guide and the certificate folder beside it. A double-click then starts the
// program the way a user does, with the stop signals held from the first instruction.

#include <string>
#include <vector>

namespace torvane::app {

// The launcher among `candidates` (paths relative to the folder of `self`, the running program's file)
// that starts `self`: a regular, executable file whose private program (`privateProgram`, relative to the
// launcher's folder) is `self`. Empty when none is.
std::string LauncherOf(const std::string& self, const std::string& privateProgram,
                       const std::vector<std::string>& candidates);

// Where this build puts the two: the program proper relative to the launcher's folder, and the launcher
// relative to the program proper's folder once installed and as built.
struct LauncherPaths {
    std::string PrivateProgram;
    std::string Installed;
    std::string Built;
};
LauncherPaths BuiltLauncherPaths();

// The program users run: the launcher installed or built beside this program, else this program's own
// file (a program copied out of its folder, a test).
std::string ProgramUsersRun();

} // namespace torvane::app
