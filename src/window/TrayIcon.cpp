#include "window/TrayIcon.h"

#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

namespace torvane::app {

namespace {
std::optional<bool> g_trayAvailableOverride;
}

TTrayIcon::TTrayIcon(QWidget* owner) : QObject(owner), owner_(owner) {
    tray_ = new QSystemTrayIcon(this);
    connect(tray_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) { Activated(static_cast<int>(reason)); });
    cycleTimer_ = new QTimer(this);
    connect(cycleTimer_, &QTimer::timeout, this, &TTrayIcon::CycleStep);
    if (owner) owner->installEventFilter(this);
}

TTrayIcon::~TTrayIcon() {
    // No stale icon may stay behind in the notification area.
    tray_->hide();
    if (owner_) owner_->removeEventFilter(this);
}

void TTrayIcon::SetIconList(const QList<QIcon>& icons) {
    iconList_ = icons;
    if (cycleIndex_ >= iconList_.size()) cycleIndex_ = 0;
    UpdateCycling();
}

void TTrayIcon::SetCycleIcons(bool on) {
    cycleIcons_ = on;
    UpdateCycling();
}

void TTrayIcon::SetCycleInterval(unsigned ms) {
    cycleInterval_ = ms;
    UpdateCycling();
}

void TTrayIcon::SetHint(const QString& hint) {
    hint_ = hint;
    Update();
}

void TTrayIcon::SetShowHint(bool on) {
    showHint_ = on;
    Update();
}

void TTrayIcon::SetIcon(const QIcon& icon) {
    icon_ = icon;
    Update();
}

void TTrayIcon::SetIconVisible(bool on) {
    iconVisible_ = on;
    if (on) {
        Update();
        if (SystemTrayAvailable()) tray_->show();
    } else {
        tray_->hide();
    }
}

QString TTrayIcon::Tip() const {
    if (hint_.isEmpty() || !showHint_) return {};
    int length = std::min<int>(kMaxTipLength, static_cast<int>(hint_.size()));
    // Never cut a character in half.
    if (length < hint_.size() && length > 0 && hint_.at(length - 1).isHighSurrogate()) --length;
    return hint_.left(length);
}

void TTrayIcon::Update() {
    tray_->setIcon(icon_);
    tray_->setToolTip(Tip());
}

void TTrayIcon::UpdateCycling() {
    // An interval of 0 stops the cycling rather than spinning without pause.
    if (cycleIcons_ && !iconList_.isEmpty() && cycleInterval_ > 0) {
        cycleTimer_->start(static_cast<int>(std::min<unsigned>(cycleInterval_, 0x7FFFFFFF)));
    } else {
        cycleTimer_->stop();
    }
}

void TTrayIcon::CycleStep() {
    if (iconList_.isEmpty()) return;
    if (cycleIndex_ >= iconList_.size()) cycleIndex_ = 0;
    icon_ = iconList_.at(cycleIndex_);
    if (OnCycle) OnCycle(cycleIndex_);
    Update();
    cycleIndex_ = (cycleIndex_ + 1) % static_cast<int>(iconList_.size());
}

void TTrayIcon::Loaded() {
    if (iconVisible_) SetIconVisible(true);
    if (startMinimized_ && owner_) owner_->hide();
}

void TTrayIcon::HandleMouseMessage(MouseMessage message, Qt::KeyboardModifiers modifiers, QPoint position) {
    if (!enabled_) return;
    const int x = position.x(), y = position.y();
    switch (message) {
    case MouseMessage::Move:
        if (OnMouseMove) OnMouseMove(modifiers, x, y);
        break;
    case MouseMessage::LeftDown:
        if (OnMouseDown) OnMouseDown(Qt::LeftButton, modifiers, x, y);
        clickPending_ = true;
        if (leftPopup_) ShowPopup(position);
        break;
    case MouseMessage::LeftUp:
        if (clickPending_) {
            clickPending_ = false;
            if (OnClick) OnClick();
        }
        if (OnMouseUp) OnMouseUp(Qt::LeftButton, modifiers, x, y);
        break;
    case MouseMessage::LeftDblClk:
        if (OnDblClick) OnDblClick();
        if (popupMenu_ && !leftPopup_)
            if (auto* item = popupMenu_->defaultAction()) item->trigger();
        break;
    case MouseMessage::RightDown:
        if (OnMouseDown) OnMouseDown(Qt::RightButton, modifiers, x, y);
        ShowPopup(position);
        break;
    case MouseMessage::RightUp:
        if (OnMouseUp) OnMouseUp(Qt::RightButton, modifiers, x, y);
        break;
    case MouseMessage::MiddleDown:
        if (OnMouseDown) OnMouseDown(Qt::MiddleButton, modifiers, x, y);
        break;
    case MouseMessage::MiddleUp:
        if (OnMouseUp) OnMouseUp(Qt::MiddleButton, modifiers, x, y);
        break;
    }
}

void TTrayIcon::ShowPopup(QPoint position) {
    if (!popupMenu_) return;
    if (owner_ && owner_->isVisible()) owner_->activateWindow();
    popupMenu_->popup(position);
}

void TTrayIcon::Activated(int reason) {
    const auto modifiers = QGuiApplication::queryKeyboardModifiers();
    const auto position = QCursor::pos();
    switch (static_cast<QSystemTrayIcon::ActivationReason>(reason)) {
    case QSystemTrayIcon::Trigger:
        HandleMouseMessage(MouseMessage::LeftDown, modifiers, position);
        HandleMouseMessage(MouseMessage::LeftUp, modifiers, position);
        break;
    case QSystemTrayIcon::DoubleClick:
        HandleMouseMessage(MouseMessage::LeftDblClk, modifiers, position);
        break;
    case QSystemTrayIcon::Context:
        HandleMouseMessage(MouseMessage::RightDown, modifiers, position);
        HandleMouseMessage(MouseMessage::RightUp, modifiers, position);
        break;
    case QSystemTrayIcon::MiddleClick:
        HandleMouseMessage(MouseMessage::MiddleDown, modifiers, position);
        HandleMouseMessage(MouseMessage::MiddleUp, modifiers, position);
        break;
    default:
        break;
    }
}

bool TTrayIcon::eventFilter(QObject* watched, QEvent* event) {
    if (watched == owner_ && event->type() == QEvent::WindowStateChange && minimizeToTray_ &&
        owner_->isMinimized() && SystemTrayAvailable()) {
        // Hiding inside the state change confuses some window managers; do it right after.
        QTimer::singleShot(0, this, [this] {
            if (!owner_ || !owner_->isMinimized()) return;
            owner_->hide();
            SetIconVisible(true);
        });
    }
    return QObject::eventFilter(watched, event);
}

bool TTrayIcon::SystemTrayAvailable() {
    if (g_trayAvailableOverride) return *g_trayAvailableOverride;
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TTrayIcon::SetSystemTrayAvailableForTesting(std::optional<bool> available) {
    g_trayAvailableOverride = available;
}

QIcon TTrayIcon::ProgramIcon() {
    QIcon icon;
    for (int size : {16, 32, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 32.0, size / 32.0);
        // A processor package: black die on a grey body with pins, and a burning orange core.
        p.setPen(QPen(QColor(190, 190, 190), 1.5));
        for (int i = 0; i < 4; ++i) {
            const double at = 8.5 + i * 5;
            p.drawLine(QPointF(at, 1), QPointF(at, 5));
            p.drawLine(QPointF(at, 27), QPointF(at, 31));
            p.drawLine(QPointF(1, at), QPointF(5, at));
            p.drawLine(QPointF(27, at), QPointF(31, at));
        }
        p.setPen(QPen(QColor(60, 60, 60), 1));
        p.setBrush(QColor(40, 40, 40));
        p.drawRoundedRect(QRectF(5, 5, 22, 22), 2, 2);
        QPainterPath flame;
        flame.moveTo(16, 8);
        flame.cubicTo(22, 14, 23, 19, 16, 24);
        flame.cubicTo(9, 19, 10, 14, 16, 8);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 140, 0));
        p.drawPath(flame);
        p.setBrush(QColor(255, 220, 80));
        p.drawEllipse(QPointF(16, 19), 3, 3.5);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace torvane::app
