#pragma once
// The one narrow interface through which the test engine talks to the screen. The main window implements
// it with widgets; the headless front end with standard output. The engine never knows which it has.

#include <QPoint>
#include <QString>

namespace torvane::engine {

// The two text panes: the run log (visible while a test runs) and the information pane.
enum class Pane { RunLog /* Memo1 */, Info /* Memo2 */ };

// Menu items whose state the engine sets or reads.
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

struct MenuItemState {
    bool Enabled = true;
    bool Checked = false;
};

class IRunView {
public:
    virtual ~IRunView() = default;

    virtual void AppendLine(Pane pane, const QString& line) = 0;
    virtual void ClearPane(Pane pane) = 0;
    virtual int LineCount(Pane pane) const = 0;
    // Shows the given pane and hides the other one.
    virtual void ShowPane(Pane pane) = 0;

    // The four work-time counters Panel19 (days), Panel14 (hours), Panel15 (minutes), Panel16 (seconds).
    virtual void SetCounters(const QString& days, const QString& hours, const QString& minutes,
                             const QString& seconds) = 0;

    // Invalidate and paint the main window at once / paint what is invalid.
    virtual void Repaint() = 0;
    virtual void UpdateWindow() = 0;

    // The main window comes back (from the tray) and the tray icon goes.
    virtual void ShowMainWindow() = 0;
    virtual void HideTrayIcon() = 0;
    virtual bool TrayIconVisible() const = 0;
    virtual void SetTrayHint(const QString& hint) = 0;

    // A modal message box with an OK button.
    virtual void ShowMessage(const QString& caption, const QString& text) = 0;

    // The menu is the one place where the item states live. Setting Checked on a radio item (idle1,
    // Normal1, Hardcore1; Random1, Optimal1) clears the other items of its group.
    virtual MenuItemState GetMenuItem(MenuItem item) const = 0;
    virtual void SetMenuItem(MenuItem item, const MenuItemState& state) = 0;

    // Mouse cursor position in screen coordinates, (0, 0) where there is no display; it is one of the
    // inputs of the random generator's reseed.
    virtual QPoint CursorPosition() const { return {}; }

    // The "Exit" command: end the application.
    virtual void Quit() = 0;
};

} // namespace torvane::engine
