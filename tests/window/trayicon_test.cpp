// The notification-area icon component on its own.

#include "window/TrayIcon.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QWidget>

#include <gtest/gtest.h>

namespace torvane::test {
namespace {

using app::TTrayIcon;
using Message = TTrayIcon::MouseMessage;

TEST(TrayIcon, PublishedDefaults) {
    QWidget owner;
    TTrayIcon icon(&owner);
    EXPECT_FALSE(icon.DesignPreview());
    EXPECT_TRUE(icon.IconList().isEmpty());
    EXPECT_FALSE(icon.CycleIcons());
    EXPECT_EQ(icon.CycleInterval(), 0u);
    EXPECT_TRUE(icon.Enabled());
    EXPECT_TRUE(icon.Hint().isEmpty());
    EXPECT_TRUE(icon.ShowHint());
    EXPECT_TRUE(icon.IconVisible());
    EXPECT_EQ(icon.PopupMenu(), nullptr);
    EXPECT_FALSE(icon.LeftPopup());
    EXPECT_FALSE(icon.StartMinimized());
    EXPECT_FALSE(icon.MinimizeToTray());
}

TEST(TrayIcon, TipIsTheHintCutTo63CharactersAndOnlyWithShowHint) {
    QWidget owner;
    TTrayIcon icon(&owner);
    EXPECT_TRUE(icon.Tip().isEmpty()); // never set: an empty tip
    const QString seventy = QString("0123456789").repeated(7);
    icon.SetHint(seventy);
    EXPECT_EQ(icon.Tip(), seventy.left(63));
    icon.SetHint("1d, 0h, 0m, 5s, ");
    EXPECT_EQ(icon.Tip(), "1d, 0h, 0m, 5s, ");
    icon.SetShowHint(false);
    EXPECT_TRUE(icon.Tip().isEmpty());
    EXPECT_EQ(icon.Hint(), "1d, 0h, 0m, 5s, ");

    // A character outside the basic plane is not cut in half.
    icon.SetShowHint(true);
    icon.SetHint(QString(62, 'x') + QString::fromUtf8("\U0001F525") + "y");
    EXPECT_EQ(icon.Tip(), QString(62, 'x'));
}

TEST(TrayIcon, APressAndReleaseIsAClickInTheComponentsOrder) {
    QWidget owner;
    TTrayIcon icon(&owner);
    QStringList events;
    icon.OnMouseDown = [&](Qt::MouseButton b, Qt::KeyboardModifiers, int x, int y) {
        events << QString("down %1 %2,%3").arg(int(b)).arg(x).arg(y);
    };
    icon.OnMouseUp = [&](Qt::MouseButton b, Qt::KeyboardModifiers, int, int) {
        events << QString("up %1").arg(int(b));
    };
    icon.OnClick = [&] { events << "click"; };
    icon.OnDblClick = [&] { events << "dblclick"; };
    icon.OnMouseMove = [&](Qt::KeyboardModifiers, int, int) { events << "move"; };

    icon.HandleMouseMessage(Message::Move, {}, {});
    icon.HandleMouseMessage(Message::LeftDown, {}, {3, 4});
    icon.HandleMouseMessage(Message::LeftUp, {}, {3, 4});
    icon.HandleMouseMessage(Message::LeftUp, {}, {3, 4}); // a release without a press is no click
    icon.HandleMouseMessage(Message::LeftDblClk, {}, {});
    icon.HandleMouseMessage(Message::MiddleDown, {}, {});
    EXPECT_EQ(events, QStringList({"move", "down 1 3,4", "click", "up 1", "up 1", "dblclick", "down 4 0,0"}));

    events.clear();
    icon.SetEnabled(false);
    icon.HandleMouseMessage(Message::LeftDown, {}, {});
    icon.HandleMouseMessage(Message::LeftUp, {}, {});
    EXPECT_TRUE(events.isEmpty());
}

TEST(TrayIcon, DoubleClickRunsThePopupMenusDefaultItem) {
    QWidget owner;
    TTrayIcon icon(&owner);
    QMenu menu;
    auto* restore = menu.addAction("Restore");
    menu.setDefaultAction(restore);
    int runs = 0;
    QObject::connect(restore, &QAction::triggered, [&] { ++runs; });
    icon.SetPopupMenu(&menu);
    icon.HandleMouseMessage(Message::LeftDblClk, {}, {});
    EXPECT_EQ(runs, 1);
    icon.SetLeftPopup(true);
    icon.HandleMouseMessage(Message::LeftDblClk, {}, {});
    EXPECT_EQ(runs, 1);
    menu.hide();
}

TEST(TrayIcon, CyclesThroughItsListAndWrapsAround) {
    QWidget owner;
    TTrayIcon icon(&owner);
    QList<int> steps;
    icon.OnCycle = [&](int index) { steps << index; };
    icon.SetIconList({TTrayIcon::ProgramIcon(), QIcon()});
    icon.SetCycleIcons(true); // an interval of 0 does not cycle
    QApplication::processEvents();
    EXPECT_TRUE(steps.isEmpty());

    icon.SetCycleInterval(5);
    QElapsedTimer waited;
    waited.start();
    while (steps.size() < 3 && waited.elapsed() < 2000)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    ASSERT_GE(steps.size(), 3);
    EXPECT_EQ(steps.mid(0, 3), QList<int>({0, 1, 0}));
}

TEST(TrayIcon, MinimizeToTrayHidesTheOwnerOnlyWhereThereIsATray) {
    QWidget owner;
    owner.show();
    TTrayIcon icon(&owner);
    icon.SetIconVisible(false);
    icon.SetMinimizeToTray(true);

    TTrayIcon::SetSystemTrayAvailableForTesting(false);
    owner.showMinimized();
    QApplication::processEvents();
    EXPECT_TRUE(owner.isVisible());
    EXPECT_FALSE(icon.IconVisible());

    owner.showNormal();
    TTrayIcon::SetSystemTrayAvailableForTesting(true);
    owner.showMinimized();
    QApplication::processEvents();
    EXPECT_FALSE(owner.isVisible());
    EXPECT_TRUE(icon.IconVisible());
    TTrayIcon::SetSystemTrayAvailableForTesting(std::nullopt);
}

TEST(TrayIcon, StartMinimizedHidesTheOwnerWhenLoaded) {
    QWidget owner;
    owner.show();
    TTrayIcon icon(&owner);
    icon.Loaded();
    EXPECT_TRUE(owner.isVisible());
    icon.SetStartMinimized(true);
    icon.Loaded();
    EXPECT_FALSE(owner.isVisible());
}

} // namespace
} // namespace torvane::test
