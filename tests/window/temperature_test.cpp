// The processor temperature on the status strip, and the command that shows the sensor setup.

#include "AppFixture.h"

#include "window/Form4.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QRadioButton>
#include <QTimer>

namespace torvane::test {
namespace {

class StatusStripTemperature : public AppTest {
protected:
    // A window whose settings switch the display on: A1 present and "Optimal..." ticked.
    std::unique_ptr<app::TForm1> MakeDisplayForm(const char* a1 = "C",
                                                 std::optional<int> q14 = std::nullopt) {
        key.WriteString("A1", a1);
        key.WriteBool("Q12", false);
        if (q14) key.WriteInteger("Q14", *q14);
        auto form = MakeForm();
        EXPECT_TRUE(form->TemperatureDisplayOn());
        return form;
    }
    // One tick of the 100 ms refresh.
    static QString Tick(app::TForm1& form) {
        QMetaObject::invokeMethod(form.TempUpdater, "timeout");
        return form.Label2->text();
    }
};

TEST_F(StatusStripTemperature, ShowsTheReadingRoundedHalvesToEvenWithTheUnitWord) {
    sensors.Publish(45.5, 20, 30);
    auto form = MakeDisplayForm();
    EXPECT_EQ(form->Label1->text(), "CPU Temp:");
    EXPECT_EQ(form->TempUpdater->interval(), 100);
    EXPECT_EQ(Tick(*form), "46 Celsius");
    sensors.Publish(46.5, 20, 30);
    EXPECT_EQ(Tick(*form), "46 Celsius");
    sensors.Publish(47.5, 20, 30);
    EXPECT_EQ(Tick(*form), "48 Celsius");
}

TEST_F(StatusStripTemperature, TheStoredSensorChoosesTheReading) {
    sensors.Publish(45.5, 46.5, 30);
    EXPECT_EQ(Tick(*MakeDisplayForm("C", 3)), "30 Celsius");
    EXPECT_EQ(Tick(*MakeDisplayForm("C", 2)), "46 Celsius");
    // A sensor that does not exist: temperature 1.
    sensors.Publish(41, 42, 43);
    EXPECT_EQ(Tick(*MakeDisplayForm("C", 7)), "41 Celsius");
}

TEST_F(StatusStripTemperature, TheNumberIsShownAsPublishedWhateverTheUnit) {
    sensors.Publish(113, 0, 0);
    EXPECT_EQ(Tick(*MakeDisplayForm("F")), "113 Fahrenheit");
    EXPECT_EQ(Tick(*MakeDisplayForm("c")), "113 C");
}

TEST_F(StatusStripTemperature, AReadingThatIsGoneIsNotShownAsLive) {
    auto form = MakeDisplayForm();
    EXPECT_EQ(Tick(*form), "0 Celcius") << "before any reading the first text stays";
    sensors.Publish(45, 0, 0);
    EXPECT_EQ(Tick(*form), "45 Celsius");
    sensors.Remove();
    EXPECT_EQ(Tick(*form), "-- Celsius");
    sensors.Publish(61, 0, 0);
    EXPECT_EQ(Tick(*form), "61 Celsius");
    // Its publisher killed: the block stays, its last rewrite grows old.
    sensors.Stamp(hw::SensorClockMs() - hw::kLiveMs - 1);
    EXPECT_EQ(Tick(*form), "-- Celsius");
    sensors.Publish(500, 0, 0);
    EXPECT_EQ(Tick(*form), "-- Celsius") << "no sensor shows 500 degrees";
    EXPECT_TRUE(dialogs.History().empty());
}

TEST_F(StatusStripTemperature, TheStripShowsWhatTheRunsStreamTells) {
    // Degrees Celsius heard from the stream, shown in the unit the monitor publishes in.
    auto form = MakeDisplayForm("F");
    form->Hear(engine::event::Temperature{45.0});
    EXPECT_EQ(form->Label2->text(), "113 Fahrenheit");
    form->Hear(engine::event::Temperature{std::nullopt});
    EXPECT_EQ(form->Label2->text(), "-- Fahrenheit");
}

TEST_F(StatusStripTemperature, TheSetupWindowsScaleNeverConvertsTheStrip) {
    // Q13 only tells the setup window what the monitor publishes; the strip's word comes from A1 alone.
    key.WriteString("Q13", "F");
    sensors.Publish(113, 0, 0);
    EXPECT_EQ(Tick(*MakeDisplayForm("C")), "113 Celsius");
    key.WriteString("Q13", "C");
    EXPECT_EQ(Tick(*MakeDisplayForm("F")), "113 Fahrenheit");
}

TEST_F(StatusStripTemperature, ASensorChosenInTheSetupWindowCountsFromTheNextStart) {
    sensors.Publish(41, 42, 43);
    auto form = MakeDisplayForm();
    app::TForm4 setup(dialogs);
    setup.show();
    setup.RadioButton3->setChecked(true);
    setup.SpeedButton1Click();
    ASSERT_EQ(key.ReadInteger("Q14"), 3);
    EXPECT_EQ(Tick(*form), "41 Celsius");
    EXPECT_EQ(Tick(*MakeForm()), "43 Celsius");
}

TEST_F(StatusStripTemperature, AnEmptyUnitStillSwitchesTheDisplayOnWithTheShortWord) {
    sensors.Publish(45, 0, 0);
    EXPECT_EQ(Tick(*MakeDisplayForm("")), "45 C");
}

TEST_F(StatusStripTemperature, MbmSetupShowsTheSetupWindowFromTheOptionsMenu) {
    auto form = MakeForm();
    EXPECT_EQ(form->MBMSetup1->text(), "MBM Setup");
    EXPECT_TRUE(form->Options2->actions().contains(form->MBMSetup1));
    form->MBMSetup1->trigger(); // nothing to show yet: nothing happens
    EXPECT_TRUE(dialogs.History().empty());

    app::TForm4 setup(dialogs);
    form->SetSensorSetup(&setup);
    ASSERT_FALSE(setup.isVisible());
    form->MBMSetup1->trigger();
    EXPECT_TRUE(setup.isVisible());
    EXPECT_TRUE(setup.Timer1->isActive());
}

} // namespace
} // namespace torvane::test
