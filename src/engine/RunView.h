#pragma once
// The one narrow interface through which the test engine shows what it does. The main window implements
// it with widgets; the headless front end with standard output. Every call goes one way, from the engine
// to the screen: the engine keeps its own state and never reads anything back, and it never knows which
// view it has.

#include <QString>

#include <cstdint>

namespace torvane::engine {

// The two text panes: the run log (visible while a test runs) and the information pane.
enum class Pane { RunLog /* Memo1 */, Info /* Memo2 */ };

// The menu items whose commands or states belong to the engine.
enum class MenuItem {
    Start1,
    Stop1,
    Exit1,
    Options1, // the whole "Advanced" menu
    About1,
    idle1,
    Normal1,
    Hardcore1,
    Random1,
    Optimal1,
    NoEncryptiontests1,
};

inline constexpr MenuItem AllMenuItems[] = {
    MenuItem::Start1,
    MenuItem::Stop1,
    MenuItem::Exit1,
    MenuItem::Options1,
    MenuItem::About1,
    MenuItem::idle1,
    MenuItem::Normal1,
    MenuItem::Hardcore1,
    MenuItem::Random1,
    MenuItem::Optimal1,
    MenuItem::NoEncryptiontests1,
};

struct MenuItemState {
    bool Enabled = true;
    bool Checked = false;
    bool operator==(const MenuItemState&) const = default;
};

class IRunView {
public:
    virtual ~IRunView() = default;

    virtual void AppendLine(Pane pane, const QString& line) = 0;
    virtual void ClearPane(Pane pane) = 0;
    // Shows the given pane and hides the other one.
    virtual void ShowPane(Pane pane) = 0;

    // The work time in seconds, which the window shows on its four counters Panel19 (days), Panel14
    // (hours), Panel15 (minutes) and Panel16 (seconds) as WorkTimeFields makes them.
    virtual void ShowWorkTime(std::int64_t seconds) = 0;

    // Invalidate and paint the main window at once / paint what is invalid.
    virtual void Repaint() = 0;
    virtual void UpdateWindow() = 0;

    // The main window comes back (from the notification area) and the tray icon goes.
    virtual void ShowMainWindow() = 0;
    // The tray icon's hint while the icon is shown; a view without one ignores it.
    virtual void SetTrayHint(const QString& hint) = 0;

    // A modal message box with an OK button.
    virtual void ShowMessage(const QString& caption, const QString& text) = 0;
    // A failure that is not the test's own (a settings store that cannot be written): the window shows
    // it like any error, a terminal front end on standard error.
    virtual void ShowError(const QString& text) = 0;

    // How a menu item of the engine looks now: enabled, ticked.
    virtual void ShowMenuItem(MenuItem item, const MenuItemState& state) = 0;
};

} // namespace torvane::engine
