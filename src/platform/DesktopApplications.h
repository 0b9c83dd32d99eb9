#pragma once
// Which application the desktop would start for a type of document or address, and whether it would be
// seen. Freedesktop desktops choose it from the lists of associations (mimeapps.list: defaults first,
// desktop-specific lists before the common ones, the user's before the system's) and from the types the
// installed desktop entries name. An application that runs in a terminal (a text editor such as vim) is
// started by xdg-open without one where no desktop environment handles it: nothing appears and nobody is
// told. Asking first lets the program show a document itself instead.

#include <optional>
#include <string>
#include <vector>

namespace torvane {

struct DesktopApplication {
    std::string Id;        // the desktop file ID, "org.example.Viewer.desktop"
    std::string EntryPath; // the desktop entry that was read
    bool Terminal = false; // Terminal=true: it needs a terminal around it
    std::string Program;   // the program of its Exec line
    bool ProgramFound = false;
};

// The folders the rules read, in order of precedence; each empty value takes the environment's (and the
// standard defaults): XDG_CONFIG_HOME, XDG_CONFIG_DIRS, XDG_DATA_HOME, XDG_DATA_DIRS, XDG_CURRENT_DESKTOP.
struct DesktopFolders {
    std::vector<std::string> Config;   // mimeapps.list folders: the user's first
    std::vector<std::string> Data;     // folders with applications/ beneath: the user's first
    std::vector<std::string> Desktops; // lower-case names from XDG_CURRENT_DESKTOP
    static DesktopFolders FromEnvironment();
};

// The application chosen for a MIME type ("text/plain", "x-scheme-handler/https"), if any: the first
// installed default, else the first installed association that no list of higher precedence removed.
// Desktop entries that are hidden, are no applications or whose TryExec program is missing do not count.
std::optional<DesktopApplication>
DefaultApplicationFor(const std::string& mimeType,
                      const DesktopFolders& folders = DesktopFolders::FromEnvironment());

// True when the application shows what it opens in a window of its own: its program is there and it needs
// no terminal.
bool ShowsInAWindow(const DesktopApplication& application);

// The first word of a desktop entry's Exec value, with its quoting removed ("" when there is none).
std::string ExecProgram(const std::string& exec);

} // namespace torvane
