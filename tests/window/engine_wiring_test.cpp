// The main window and its test run: the menu commands reach the run, the run writes on the window's
// panes and works with the window's work settings.

#include "AppFixture.h"

#include "window/Memo.h"

#include <QAction>

#include <filesystem>

#include "platform/Priority.h"

namespace torvane::test {

class EngineWiringTest : public AppTest {};

TEST_F(EngineWiringTest, StartAndStopFromTheMenu) {
    key.WriteString("Q1", work.path().toStdString() + "/");
    key.DeleteValue("Q2");
    auto form = MakeForm();
    WriteFile(WorkPath("TORVA_3.tmp"), "x");

    form->Start1->trigger();
    EXPECT_FALSE(form->Run().State.Stopped);
    EXPECT_EQ(form->Memo1->Lines().last(), "Doing a 5 Minute CPU HeatUP...");
    EXPECT_EQ(form->Memo1->Lines().first(), form->BannerLines().first());
    EXPECT_FALSE(form->Start1->isEnabled());
    EXPECT_TRUE(form->Stop1->isEnabled());
    EXPECT_FALSE(form->Options1->isEnabled());
    EXPECT_TRUE(form->Run().Timer("HeatUp1").Enabled());

    form->Stop1->trigger();
    EXPECT_TRUE(form->Run().State.Stopped);
    EXPECT_TRUE(form->Memo2->Lines().contains("Test Results:"));
    EXPECT_TRUE(form->Memo2->Lines().contains(" Errors: 0"));
    EXPECT_TRUE(form->Start1->isEnabled());
    EXPECT_FALSE(std::filesystem::exists(WorkPath("TORVA_3.tmp"))); // in the window's work folder
    EXPECT_EQ(SettingsKey().ReadString("Q2"), std::to_string(form->MaxTempSize()));
}

TEST_F(EngineWiringTest, ModeAndTestChoiceCommands) {
    SetPriorityRequestsApplied(false);
    auto form = MakeForm();
    form->idle1->trigger();
    EXPECT_TRUE(form->idle1->isChecked());
    EXPECT_FALSE(form->Normal1->isChecked());
    EXPECT_EQ(form->Run().Timer("WhetStone1").ThreadPriority(), ThreadPriority::Idle);
    form->Normal1->trigger();
    EXPECT_TRUE(form->Normal1->isChecked());
    dialogs.Take();
    form->Optimal1->trigger();
    const auto shown = dialogs.Take();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].Text, "This feature will be done ASAP");
    EXPECT_TRUE(form->Random1->isChecked());
    SetPriorityRequestsApplied(true);
}

TEST_F(EngineWiringTest, ClosingTheWindowStopsARun) {
    auto form = MakeForm();
    form->Start1->trigger();
    form->close();
    EXPECT_TRUE(form->Run().State.Stopped);
    EXPECT_FALSE(form->Run().Timer("HeatUp1").Enabled());
}

} // namespace torvane::test
