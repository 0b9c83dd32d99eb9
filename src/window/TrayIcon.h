#pragma once
// The notification-area icon component. While the main window is hidden it is the one visible trace of
// the program: its tooltip tells the work time, and a click brings the window back.
//
// QSystemTrayIcon reports whole clicks, not button presses; a click is therefore raised as the press,
// the click and the release in the order the component has always raised them. Hovering is not reported
// by the desktop, so OnMouseMove never fires there (HandleMouseMessage still serves it).

#include <QIcon>
#include <QList>
#include <QMenu>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>

class QSystemTrayIcon;
class QTimer;
class QWidget;

namespace torvane::app {

class TTrayIcon final : public QObject {
    Q_OBJECT
public:
    // The longest tooltip the notification area takes, in characters.
    static constexpr int kMaxTipLength = 63;

    enum class MouseMessage { Move, LeftDown, LeftUp, LeftDblClk, RightDown, RightUp, MiddleDown, MiddleUp };

    // owner: the window the icon stands for.
    explicit TTrayIcon(QWidget* owner);
    ~TTrayIcon() override;

    // Published properties, in their published order.
    bool DesignPreview() const { return designPreview_; }
    void SetDesignPreview(bool on) { designPreview_ = on; }
    const QList<QIcon>& IconList() const { return iconList_; }
    void SetIconList(const QList<QIcon>& icons);
    bool CycleIcons() const { return cycleIcons_; }
    void SetCycleIcons(bool on);
    unsigned CycleInterval() const { return cycleInterval_; }
    void SetCycleInterval(unsigned ms);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool on) { enabled_ = on; }
    const QString& Hint() const { return hint_; }
    void SetHint(const QString& hint);
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool on);
    const QIcon& Icon() const { return icon_; }
    void SetIcon(const QIcon& icon);
    bool IconVisible() const { return iconVisible_; }
    void SetIconVisible(bool on);
    QMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(QMenu* menu) { popupMenu_ = menu; }
    bool LeftPopup() const { return leftPopup_; }
    void SetLeftPopup(bool on) { leftPopup_ = on; }
    bool StartMinimized() const { return startMinimized_; }
    void SetStartMinimized(bool on) { startMinimized_ = on; }
    bool MinimizeToTray() const { return minimizeToTray_; }
    void SetMinimizeToTray(bool on) { minimizeToTray_ = on; }

    // Events.
    std::function<void()> OnClick;
    std::function<void()> OnDblClick;
    std::function<void(Qt::MouseButton, Qt::KeyboardModifiers, int x, int y)> OnMouseDown;
    std::function<void(Qt::MouseButton, Qt::KeyboardModifiers, int x, int y)> OnMouseUp;
    std::function<void(Qt::KeyboardModifiers, int x, int y)> OnMouseMove;
    std::function<void(int index)> OnCycle;

    // The tooltip as the notification area gets it: Hint cut to 63 characters, empty when ShowHint is off.
    QString Tip() const;

    // Call when the owner has finished loading: the icon shows if IconVisible is still on, and
    // StartMinimized hides the owner.
    void Loaded();

    // One mouse message from the icon, handled as the component's table says (nothing while disabled).
    void HandleMouseMessage(MouseMessage message, Qt::KeyboardModifiers modifiers, QPoint position);

    // Whether the desktop has a notification area; tests may decide it instead.
    static bool SystemTrayAvailable();
    static void SetSystemTrayAvailableForTesting(std::optional<bool> available);

    // The program's own icon, drawn here so that no image file has to travel with the program.
    static QIcon ProgramIcon();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Update();
    void UpdateCycling();
    void CycleStep();
    void ShowPopup(QPoint position);
    void Activated(int reason);

    bool designPreview_ = false;
    QList<QIcon> iconList_;
    bool cycleIcons_ = false;
    unsigned cycleInterval_ = 0;
    bool enabled_ = true;
    QString hint_;
    bool showHint_ = true;
    QIcon icon_;
    bool iconVisible_ = true;
    QPointer<QMenu> popupMenu_;
    bool leftPopup_ = false;
    bool startMinimized_ = false;
    bool minimizeToTray_ = false;

    QPointer<QWidget> owner_;
    QSystemTrayIcon* tray_ = nullptr;
    QTimer* cycleTimer_ = nullptr;
    int cycleIndex_ = 0;
    bool clickPending_ = false;
};

} // namespace torvane::app
