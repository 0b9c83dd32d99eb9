// The sensor setup window.

#include "AppFixture.h"

#include "window/Form4.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest/QTest>

#include <filesystem>

namespace torvane::test {
namespace {

class Form4Test : public AppTest {
protected:
    // The block comes from $TORVANE_SENSOR_BLOCK, as in the program.
    std::unique_ptr<app::TForm4> MakeSetup() { return std::make_unique<app::TForm4>(dialogs); }
    // On the caption, where a user clicks.
    static void Click(QAbstractButton* button) {
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
    }
    static QStringList Captions(const app::TForm4& setup) {
        return {setup.RadioButton1->text(), setup.RadioButton2->text(), setup.RadioButton3->text()};
    }
};

TEST_F(Form4Test, StartsHiddenWithTheDesignChoicesAndRefreshesEveryTenthOfASecond) {
    auto setup = MakeSetup();
    EXPECT_FALSE(setup->isVisible());
    EXPECT_TRUE(setup->RadioButton4->isChecked());
    EXPECT_TRUE(setup->RadioButton1->isChecked());
    EXPECT_EQ(Captions(*setup), QStringList({"Temp 1 (Current value:0)", "Temp 2 (Current value:0)",
                                             "Temp 3 (Current value:0)"}));
    EXPECT_TRUE(setup->Timer1->isActive());
    EXPECT_EQ(setup->Timer1->interval(), 100);
    EXPECT_TRUE(dialogs.History().empty());
    EXPECT_FALSE(key.ValueExists("Q13")) << "creating the window stores nothing";
}

TEST_F(Form4Test, TheStoredChoicesArePreselected) {
    key.WriteString("Q13", "F");
    key.WriteInteger("Q14", 3);
    auto setup = MakeSetup();
    EXPECT_TRUE(setup->RadioButton5->isChecked());
    EXPECT_TRUE(setup->RadioButton3->isChecked());
    EXPECT_FALSE(setup->RadioButton1->isChecked());
}

TEST_F(Form4Test, StoredValuesItCannotUseLeaveTheDesignChoicesSilently) {
    for (const auto& [q13, q14] : {std::pair<const char*, int>{"c", 7}, {"Fahrenheit", 0}, {"", -1}}) {
        key.WriteString("Q13", q13);
        key.WriteInteger("Q14", q14);
        auto setup = MakeSetup();
        EXPECT_TRUE(setup->RadioButton4->isChecked()) << q13;
        EXPECT_TRUE(setup->RadioButton1->isChecked()) << q14;
    }
    key.WriteInteger("Q13", 1);
    key.WriteString("Q14", "2");
    auto setup = MakeSetup();
    EXPECT_TRUE(setup->RadioButton4->isChecked());
    EXPECT_TRUE(setup->RadioButton1->isChecked());
    EXPECT_TRUE(dialogs.History().empty());
}

TEST_F(Form4Test, CaptionsFollowTheBlockWithoutABlankBeforeTheNumber) {
    sensors.Publish(45.5, 46.5, 113);
    auto setup = MakeSetup(); // the creation reads them once
    EXPECT_EQ(Captions(*setup), QStringList({"Temp 1 (Current value:46)", "Temp 2 (Current value:46)",
                                             "Temp 3 (Current value:113)"}));
    sensors.Publish(-3, 0, 47.5);
    QMetaObject::invokeMethod(setup->Timer1, "timeout"); // a tick of the refresh timer
    EXPECT_EQ(Captions(*setup), QStringList({"Temp 1 (Current value:-3)", "Temp 2 (Current value:0)",
                                             "Temp 3 (Current value:48)"}));
    sensors.Remove();
    setup->Timer1Timer();
    EXPECT_EQ(setup->RadioButton3->text(), "Temp 3 (Current value:0)");
}

TEST_F(Form4Test, OkStoresTheScaleAndTheSensorThenHidesAndShowingRefreshesAgain) {
    auto setup = MakeSetup();
    setup->show();
    Click(setup->RadioButton5);
    Click(setup->RadioButton2);
    Click(setup->SpeedButton1);
    EXPECT_EQ(key.ReadString("Q13"), "F");
    EXPECT_EQ(key.ValueType("Q14"), SettingsType::DWord);
    EXPECT_EQ(key.ReadInteger("Q14"), 2);
    EXPECT_FALSE(setup->isVisible());
    EXPECT_FALSE(setup->Timer1->isActive());

    sensors.Publish(51, 0, 0);
    setup->show();
    EXPECT_TRUE(setup->Timer1->isActive());
    EXPECT_EQ(setup->RadioButton1->text(), "Temp 1 (Current value:51)");
    Click(setup->RadioButton4);
    Click(setup->SpeedButton1);
    EXPECT_EQ(key.ReadString("Q13"), "C");
}

TEST_F(Form4Test, AStoreThatCannotBeWrittenIsReportedAndTheDialogStays) {
    auto setup = MakeSetup();
    setup->show();
    std::filesystem::create_directories(SettingsKey::StoreFile());
    Click(setup->SpeedButton1);
    ASSERT_EQ(dialogs.History().size(), 1u);
    EXPECT_EQ(dialogs.History()[0].What, ScriptedDialogs::Kind::Error);
    EXPECT_NE(dialogs.History()[0].Text.find("Cannot create file"), std::string::npos)
        << dialogs.History()[0].Text;
    EXPECT_TRUE(setup->isVisible());
    EXPECT_TRUE(setup->Timer1->isActive());
}

TEST_F(Form4Test, LayoutRunsTopToBottomInsideTheClientArea) {
    auto setup = MakeSetup();
    EXPECT_EQ(setup->Label1->text(),
              "To get Torvane Test to work optimaly you must have a freeware program called MBM4.");
    EXPECT_EQ(setup->Label3->text(), "Torvane Test co-operates with MBM4 to get the temperature of your CPU");
    EXPECT_EQ(setup->GroupBox2->title(), "Are you using Celsius or Fahrenheit scale in MBM4?");
    EXPECT_EQ(setup->GroupBox1->title(), "Select what MBM4 temperature is the CPU Temperature");
    EXPECT_EQ(setup->RadioButton4->text(), "Celsius");
    EXPECT_EQ(setup->RadioButton5->text(), "Fahrenheit");
    EXPECT_EQ(setup->SpeedButton1->text(), "OK");
    EXPECT_TRUE(setup->SpeedButton1->isFlat());
    const QWidget* order[] = {setup->Label1, setup->Label3, setup->GroupBox2, setup->GroupBox1,
                              setup->SpeedButton1};
    for (std::size_t i = 0; i < std::size(order); ++i) {
        EXPECT_TRUE(setup->rect().contains(order[i]->geometry())) << order[i]->objectName().toStdString();
        if (i > 0) {
            EXPECT_GE(order[i]->y(), order[i - 1]->geometry().bottom())
                << order[i]->objectName().toStdString();
        }
    }
    for (auto* button : {setup->RadioButton1, setup->RadioButton2, setup->RadioButton3})
        EXPECT_EQ(button->parent(), setup->GroupBox1);
}

} // namespace
} // namespace torvane::test
