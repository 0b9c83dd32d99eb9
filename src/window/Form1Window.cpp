// The main window as a window: its geometry, dragging by the screen, closing, the screen's colours and
// its saved text, and the "Window" menu.

#include "window/Form1.h"

#include "engine/SettingsSchema.h"
#include "platform/Files.h"
#include "platform/Settings.h"
#include "terminal/ScreenText.h"
#include "window/Colors.h"
#include "window/Form2.h"
#include "window/Memo.h"
#include "window/QtText.h"
#include "window/TrayIcon.h"
#include "window/WindowGeometry.h"

#include <QAction>
#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <QWindow>

namespace torvane::app {

using engine::MenuItem;

// ---------------------------------------------------------------------------------------------------
// Geometry

QSize TForm1::FrameExtra() const {
    return frameGeometry().size() - geometry().size();
}

void TForm1::ApplyGeometryFixes() {
    // The stored size is the outer size; the frame is known only once the window manager has framed it.
    if (pendingOuterSize_.isValid() && isVisible()) {
        if (frameGeometry().size() != pendingOuterSize_) resize(pendingOuterSize_ - FrameExtra());
        pendingOuterSize_ = QSize();
    }
    // A window whose screen has gone would be lost: bring it back to the middle of the first one.
    const QRect outer = frameGeometry();
    for (const auto* s : QGuiApplication::screens())
        if (ShownOn(outer, s->availableGeometry())) return;
    const auto* primary = QGuiApplication::primaryScreen();
    if (!primary) return;
    const QRect area = primary->availableGeometry();
    const QRect centred = Centred(outer.size().boundedTo(area.size()), area);
    resize(centred.size() - FrameExtra());
    move(centred.topLeft());
}

QRect TForm1::NormalizedGeometry() const {
    const auto* s = screen() ? screen() : QGuiApplication::primaryScreen();
    const QRect area = s ? s->availableGeometry() : QRect(0, 0, 1024, 768);
    return Centred(QSize(kNormalizedWidth, kNormalizedHeight), area);
}

void TForm1::ApplyNormalizedGeometry() {
    const QRect target = NormalizedGeometry();
    if (frameGeometry() != target) {
        resize(target.size() - FrameExtra());
        move(target.topLeft());
    }
    // Done once the frame is known and the window has its place; without a window manager there is never
    // a frame, and the attempts run out.
    const bool framed = windowHandle() && !windowHandle()->frameMargins().isNull();
    if ((framed && frameGeometry() == target) || --normalizeAttempts_ <= 0) {
        normalizeAttempts_ = 0;
        normalizeTimer_->stop();
    }
}

// ---------------------------------------------------------------------------------------------------
// Dragging by the screen, closing

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Panel7 && event->type() == QEvent::Resize) {
        Panel4->move(Panel7->width() - Panel4->width(), 0);
        return false;
    }
    if (event->type() == QEvent::Paint && (watched == Memo1->viewport() || watched == Memo2->viewport())) {
        FormPaint();
        return false;
    }
    const bool screenPart =
        watched == Memo1->viewport() || watched == Memo2->viewport() || watched == ClientArea;
    if (!screenPart) return QMainWindow::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton ||
            (windowState() & (Qt::WindowFullScreen | Qt::WindowMaximized)))
            return true;
        // The window manager moves the window best where it can; otherwise the window follows the mouse.
        if (windowHandle() && windowHandle()->startSystemMove()) return true;
        dragging_ = true;
        dragStartCursor_ = mouse->globalPosition().toPoint();
        dragStartWindow_ = pos();
        return true;
    }
    case QEvent::MouseMove: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (dragging_ && (mouse->buttons() & Qt::LeftButton))
            move(dragStartWindow_ + mouse->globalPosition().toPoint() - dragStartCursor_);
        return dragging_;
    }
    case QEvent::MouseButtonRelease:
        dragging_ = false;
        return true;
    case QEvent::MouseButtonDblClick:
        return true;
    default:
        return QMainWindow::eventFilter(watched, event);
    }
}

void TForm1::closeEvent(QCloseEvent* event) {
    event->accept();
    // A run stops first, so that its passes end at once and the work files go.
    run_->ClickMenuItem(MenuItem::Stop1);
    // Closing the main window ends the program, also while viewers are open or the icon is shown.
    Quit();
}

// ---------------------------------------------------------------------------------------------------
// Colours

std::vector<QWidget*> TForm1::ColourElements() const {
    std::vector<QWidget*> elements{Memo1, Memo2};
    if (viewer_) elements.push_back(viewer_->Memo1);
    for (QWidget* w :
         {static_cast<QWidget*>(Label2), static_cast<QWidget*>(Panel4), static_cast<QWidget*>(Panel7),
          static_cast<QWidget*>(Label1), static_cast<QWidget*>(Panel19), static_cast<QWidget*>(Panel14),
          static_cast<QWidget*>(Panel15), static_cast<QWidget*>(Panel16), ClientArea})
        elements.push_back(w);
    return elements;
}

void TForm1::ApplyBackground(const QColor& colour, bool includeViewer) {
    for (QWidget* w : ColourElements())
        if (includeViewer || !viewer_ || w != viewer_->Memo1) SetBackground(w, colour);
    SetBackground(ProcessorStrip, colour);
}

void TForm1::ApplyTextColour(const QColor& colour, bool includeViewer) {
    for (QWidget* w : ColourElements())
        if (includeViewer || !viewer_ || w != viewer_->Memo1) SetForeground(w, colour);
    SetForeground(ProcessorStrip, colour);
}

QColor TForm1::ScreenColor() const {
    return Memo1->palette().color(QPalette::Base);
}
QColor TForm1::TextColor() const {
    return Memo1->palette().color(QPalette::Text);
}

void TForm1::SetViewer(TForm2* viewer) {
    viewer_ = viewer;
    if (viewer_) viewer_->CopyColours();
}

void TForm1::SceenColor1Click() {
    const auto chosen = services_.Dialogs->ColorDialog(RgbValueFromColor(ScreenColor()));
    if (!chosen) return;
    ApplyBackground(ColorFromRgbValue(*chosen), true);
    SettingsKey().WriteString("Q5", std::to_string(static_cast<std::int32_t>(*chosen)));
}

void TForm1::FontColor1Click() {
    const auto chosen = services_.Dialogs->ColorDialog(RgbValueFromColor(TextColor()));
    if (!chosen) return;
    ApplyTextColour(ColorFromRgbValue(*chosen), true);
    SettingsKey().WriteString("Q6", std::to_string(static_cast<std::int32_t>(*chosen)));
}

void TForm1::SaveScreen1Click() {
    const auto chosen = services_.Dialogs->SaveFileDialog("Text files|*.txt");
    if (!chosen) return;
    const auto name = SaveScreenFileName(Q(*chosen)).toStdString();
    const TMemo* shown = !Memo2->isHidden() ? Memo2 : !Memo1->isHidden() ? Memo1 : nullptr;
    if (!shown) return;
    QString text;
    for (const auto& line : shown->Lines()) text += line + QStringLiteral("\r\n");
    const auto bytes = text.toUtf8();
    // An existing file is replaced whole or not at all.
    WriteFileAtomically(name, std::string(bytes.constData(), static_cast<size_t>(bytes.size())));
}

// ---------------------------------------------------------------------------------------------------
// Window commands

void TForm1::ApplyWindowFlags(bool fullScreenView, bool stayOnTop) {
    // Qt drops the frameless hint as long as any title bar button is asked for, so the two views have
    // flag sets of their own.
    Qt::WindowFlags flags = Qt::Window;
    if (fullScreenView)
        flags |= Qt::FramelessWindowHint;
    else
        flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint;
    if (stayOnTop) flags |= Qt::WindowStaysOnTopHint;
    if (flags == windowFlags()) return;
    const bool wasVisible = isVisible();
    const QPoint where = pos();
    setWindowFlags(flags);
    move(where);
    if (wasVisible) show();
}

void TForm1::Maximize1Click() {
    const auto state = windowState() & ~Qt::WindowActive;
    if (state & (Qt::WindowFullScreen | Qt::WindowMaximized)) {
        Maximize1->setText(QStringLiteral("Maximize"));
        ApplyWindowFlags(false, ticks_[StayOnTop1]);
        showNormal();
        // The window manager frames the window again in its own time, and may place it anew; until then
        // the frame is unknown, and a size set now would be the inner area's. So the outer size and place
        // are set now and again for a moment, until the framed window has them.
        normalizeAttempts_ = 40;
        ApplyNormalizedGeometry();
        if (normalizeAttempts_ > 0) normalizeTimer_->start();
    } else if (state == Qt::WindowNoState) {
        normalizeAttempts_ = 0;
        normalizeTimer_->stop();
        Maximize1->setText(QStringLiteral("Normalize"));
        ApplyWindowFlags(true, ticks_[StayOnTop1]);
        showFullScreen();
    }
}

void TForm1::Minimize1Click() {
    if (TTrayIcon::SystemTrayAvailable()) {
        TrayIcon1->SetIconVisible(true);
        hide();
    } else {
        // Without a notification area a hidden window could never be found again.
        showMinimized();
    }
}

void TForm1::StayOnTop1Click() {
    const bool on = !ticks_[StayOnTop1];
    ApplyWindowFlags(windowFlags().testFlag(Qt::FramelessWindowHint), on);
    SetTick(StayOnTop1, on);
}

} // namespace torvane::app
