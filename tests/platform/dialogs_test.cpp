// The scripted dialogs that stand in for the desktop's in tests, and the guard around every command.

#include "platform/CommandGuard.h"
#include "platform/Dialogs.h"
#include "platform/Error.h"

#include <gtest/gtest.h>

namespace torvane {
namespace {

using Kind = ScriptedDialogs::Kind;

TEST(ScriptedDialogs, AnswersInOrderAndRecordsWhatWasShown) {
    ScriptedDialogs dialogs;
    dialogs.AnswerText("50");
    dialogs.AnswerFile("/tmp/log");
    dialogs.AnswerColor(0x00FF0000);
    dialogs.AnswerCancel();

    EXPECT_EQ(dialogs.InputBox("Max Tempfile size ", "Write...", "100"), "50");
    EXPECT_EQ(dialogs.SaveFileDialog("Text files|*.txt"), "/tmp/log");
    EXPECT_EQ(dialogs.ColorDialog(0), 0x00FF0000u);
    EXPECT_EQ(dialogs.OpenFileDialog("Torvane Certificates|*.tvc", "/opt/"), std::nullopt);
    EXPECT_EQ(dialogs.InputBox("Temp directory", "Write...", "/tmp/"), std::nullopt); // nothing left: cancel
    dialogs.MessageBox("Notice", "Make sure...");
    dialogs.ErrorBox("Cannot create file x");

    const auto shown = dialogs.Take();
    ASSERT_EQ(shown.size(), 7u);
    EXPECT_EQ(shown[0].What, Kind::Input);
    EXPECT_EQ(shown[0].Caption, "Max Tempfile size ");
    EXPECT_EQ(shown[0].Default, "100");
    EXPECT_EQ(shown[1].Filter, "Text files|*.txt");
    EXPECT_EQ(shown[3].Default, "/opt/");
    EXPECT_EQ(shown[5].What, Kind::Message);
    EXPECT_EQ(shown[5].Text, "Make sure...");
    EXPECT_EQ(shown[6].What, Kind::Error);
    EXPECT_TRUE(dialogs.History().empty());
}

TEST(ScriptedDialogs, AnAnswerOfTheWrongKindIsATestFault) {
    ScriptedDialogs dialogs;
    dialogs.AnswerColor(1);
    EXPECT_THROW(dialogs.InputBox("a", "b", "c"), std::logic_error);
}

TEST(CommandGuard, ShowsWhatEscapesACommandAndGoesOn) {
    ScriptedDialogs dialogs;
    EXPECT_TRUE(RunGuarded(dialogs, [] {}));
    EXPECT_FALSE(RunGuarded(dialogs, [] { throw EFCreateError("/tmp/a.txt"); }));
    EXPECT_FALSE(RunGuarded(dialogs, [] { throw std::runtime_error("plain"); }));
    EXPECT_FALSE(RunGuarded(dialogs, [] { throw 42; }));
    const auto shown = dialogs.Take();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].Text, "Cannot create file /tmp/a.txt");
    EXPECT_EQ(shown[1].Text, "plain");
    EXPECT_EQ(shown[2].Text, "Unknown error");
    for (const auto& s : shown) EXPECT_EQ(s.What, Kind::Error);
}

} // namespace
} // namespace torvane
