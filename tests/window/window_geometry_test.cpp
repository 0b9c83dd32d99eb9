// Where the main window opens: the stored geometry where a screen shows it, else the design's.

#include "AppFixture.h"

#include "window/WindowGeometry.h"

#include <QGuiApplication>
#include <QScreen>

namespace torvane::test {
namespace {

using app::PlaceWindow;
using app::StoredGeometry;

const QRect Design(204, 108, 600, 430);
const QList<QRect> OneScreen{QRect(0, 0, 1280, 1024)};

TEST(PlaceWindow, AStoredRectangleAScreenShowsIsUsed) {
    EXPECT_EQ(PlaceWindow({10, 20, 300, 400}, Design, OneScreen), QRect(10, 20, 400, 300));
    // Absent values are the design's.
    EXPECT_EQ(PlaceWindow({std::nullopt, 20, std::nullopt, 400}, Design, OneScreen),
              QRect(204, 20, 400, 430));
    EXPECT_EQ(PlaceWindow({}, Design, OneScreen), Design);
}

TEST(PlaceWindow, ASizeNoScreenHoldsGivesTheDesignSize) {
    EXPECT_EQ(PlaceWindow({0, 0, 1024, 1280}, Design, OneScreen), QRect(0, 0, 1280, 1024));
    EXPECT_EQ(PlaceWindow({0, 0, 1024, 1281}, Design, OneScreen), QRect(0, 0, 600, 430));
    EXPECT_EQ(PlaceWindow({0, 0, 1025, 1280}, Design, OneScreen), QRect(0, 0, 600, 430));
    EXPECT_EQ(PlaceWindow({32767, 32767, 32767, 32767}, Design, OneScreen), Design);
    // A second, larger screen holds it.
    const QList<QRect> two{QRect(0, 0, 1280, 1024), QRect(1280, 0, 2560, 1440)};
    EXPECT_EQ(PlaceWindow({1300, 0, 1400, 2000}, Design, two), QRect(1300, 0, 2000, 1400));
}

TEST(PlaceWindow, APlaceNoScreenShowsGivesTheDesignPlace) {
    // At least 100 × 50 pixels on a screen, the top edge (the title bar) on it.
    EXPECT_EQ(PlaceWindow({1280 - 100, 0, 400, 600}, Design, OneScreen).topLeft(), QPoint(1180, 0));
    EXPECT_EQ(PlaceWindow({1280 - 99, 0, 400, 600}, Design, OneScreen).topLeft(), Design.topLeft());
    EXPECT_EQ(PlaceWindow({-500, 0, 400, 600}, Design, OneScreen).topLeft(), QPoint(-500, 0));
    EXPECT_EQ(PlaceWindow({-501, 0, 400, 600}, Design, OneScreen).topLeft(), Design.topLeft());
    EXPECT_EQ(PlaceWindow({0, 1024 - 50, 400, 600}, Design, OneScreen).topLeft(), QPoint(0, 974));
    EXPECT_EQ(PlaceWindow({0, 1024 - 49, 400, 600}, Design, OneScreen).topLeft(), Design.topLeft());
    EXPECT_EQ(PlaceWindow({0, 0, 400, 600}, Design, OneScreen).topLeft(), QPoint(0, 0));
    EXPECT_EQ(PlaceWindow({0, -1, 400, 600}, Design, OneScreen).topLeft(), Design.topLeft());
    EXPECT_EQ(PlaceWindow({-20000, 15000, std::nullopt, std::nullopt}, Design, OneScreen), Design);
}

TEST(PlaceWindow, WhereEvenTheDesignIsNotShownTheWindowIsCentredOnTheFirstScreen) {
    const QList<QRect> small{QRect(1000, 1000, 320, 240)};
    EXPECT_EQ(PlaceWindow({}, Design, small), QRect(1000, 1000, 320, 240));
    const QList<QRect> far{QRect(3000, 0, 1024, 768)};
    EXPECT_EQ(PlaceWindow({}, Design, far), QRect(3000 + (1024 - 600) / 2, (768 - 430) / 2, 600, 430));
}

TEST_F(AppTest, GeometryOutsideEveryScreenOpensTheDesignWindow) {
    QRect design;
    {
        auto form = MakeForm();
        form->show();
        QCoreApplication::processEvents();
        design = form->frameGeometry();
    }
    for (const char* name : {"Q7", "Q8", "Q9", "Q10"}) key.WriteInteger(name, 2147483647);
    auto form = MakeForm();
    form->show();
    QCoreApplication::processEvents();
    EXPECT_EQ(form->frameGeometry(), design);
    const auto shown = dialogs.Take();
    ASSERT_EQ(shown.size(), 1u);
    for (const char* name : {"(Q7)", "(Q8)", "(Q9)", "(Q10)"})
        EXPECT_NE(shown[0].Text.find(name), std::string::npos) << shown[0].Text;

    // Values a window system takes, but no screen here shows.
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    key.WriteInteger("Q7", area.right() + 1);
    key.WriteInteger("Q8", 0);
    key.WriteInteger("Q9", area.height() + 1);
    key.WriteInteger("Q10", 400);
    form = MakeForm();
    form->show();
    QCoreApplication::processEvents();
    EXPECT_EQ(form->frameGeometry(), design);
    EXPECT_TRUE(dialogs.Take().empty());
}

} // namespace
} // namespace torvane::test
