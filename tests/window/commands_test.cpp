// The commands of the main window's menus, driven through their menu items.

#include "AppFixture.h"
#include "common/UnwritableFolder.h"

#include "platform/Error.h"
#include "platform/Files.h"
#include "terminal/ScreenText.h"
#include "window/Form2.h"
#include "window/Memo.h"
#include "window/UserGuideWindow.h"

#include <QAction>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <QTemporaryDir>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace torvane::test {
namespace {

using Kind = ScriptedDialogs::Kind;

TEST_F(AppTest, MenuBarHoldsEveryItemWithItsCaptionAndInitialState) {
    auto form = MakeForm();
    QStringList menus;
    for (auto* action : form->menuBar()->actions()) menus << action->text();
    EXPECT_EQ(menus, QStringList({"Testing", "Advanced", "Window", "Help"}));

    struct Item {
        const char* name;
        const char* caption;
        bool enabled, checkable, checked;
    };
    const Item items[] = {
        {"Start1", "Start", true, false, false},
        {"Stop1", "Stop", false, false, false},
        {"Exit1", "Exit", true, false, false},
        {"SelectTempdir1", "Select Temp dir", true, false, false},
        {"MaxTempsize1", "Max Temp size", true, false, false},
        {"SceenColor1", "Sceen Color", true, false, false},
        {"FontColor1", "Font Color", true, false, false},
        {"Registerfiletype1", "Register FileType", true, false, false},
        {"CreateCertificate1", "Create Certificate", true, false, false},
        {"VerifyCertificate1", "Verify Certificate", true, false, false},
        {"idle1", "idle", true, true, false},
        {"Normal1", "Normal", true, true, true},
        {"Hardcore1", "Hardcore", true, true, false},
        {"Random1", "Random", true, true, true},
        {"Optimal1", "Optimal...", true, true, false},
        {"NoEncryptiontests1", "No Encryption tests", true, true, true},
        {"AllProcessors1", "All", true, true, true},
        {"OneProcessor1", "One", true, true, false},
        {"SaveScreen1", "Save Screen", true, false, false},
        {"Maximize1", "Maximize", true, false, false},
        {"Minimize1", "Minimize", true, false, false},
        {"StayOnTop1", "Stay On Top", true, true, false},
        {"Documentation1", "Documentation", true, false, false},
        {"Checkfornewversion1", "Check for a new version", true, false, false},
        {"About1", "About", true, false, false},
    };
    for (const auto& item : items) {
        auto* action = form->findChild<QAction*>(item.name);
        ASSERT_NE(action, nullptr) << item.name;
        EXPECT_EQ(action->text(), item.caption) << item.name;
        EXPECT_EQ(action->isEnabled(), item.enabled) << item.name;
        EXPECT_EQ(action->isCheckable(), item.checkable) << item.name;
        EXPECT_EQ(action->isChecked(), item.checked) << item.name;
    }
    QStringList advanced;
    for (auto* action : form->AdvancedMenu->actions())
        advanced << (action->isSeparator() ? "-" : action->text());
    EXPECT_EQ(advanced,
              QStringList({"Options", "Stability", "Mode", "Tests", "Processors", "-", "Save Screen"}));
}

TEST_F(AppTest, ClicksChangeTicksOnlyWhereTheCommandSaysSo) {
    auto form = MakeForm();
    form->Optimal1->trigger();
    ASSERT_EQ(dialogs.History().size(), 1u);
    EXPECT_EQ(dialogs.History()[0].Text, "This feature will be done ASAP");
    EXPECT_TRUE(form->Random1->isChecked());
    EXPECT_FALSE(form->Optimal1->isChecked());

    // "No Encryption tests" toggles its tick, as "Stay On Top" does, and the run reads it.
    form->NoEncryptiontests1->trigger();
    EXPECT_FALSE(form->NoEncryptiontests1->isChecked());
    EXPECT_FALSE(form->Run().NoEncryptionTests());
    form->NoEncryptiontests1->trigger();
    EXPECT_TRUE(form->NoEncryptiontests1->isChecked());
    EXPECT_TRUE(form->Run().NoEncryptionTests());

    form->Normal1->trigger(); // the ticked radio item stays ticked
    EXPECT_TRUE(form->Normal1->isChecked());
    form->Hardcore1->trigger();
    EXPECT_TRUE(form->Hardcore1->isChecked());
    EXPECT_FALSE(form->Normal1->isChecked());
    EXPECT_FALSE(form->idle1->isChecked());
}

TEST_F(AppTest, RunItemsShowTheRunAndSendItTheirClicks) {
    auto form = MakeForm();
    auto& run = form->Run();
    form->Stop1->trigger(); // disabled at start
    EXPECT_TRUE(run.State.Stopped);
    EXPECT_FALSE(form->Stop1->isEnabled());

    form->idle1->trigger(); // a run without heat-up, so that it stays still
    form->Start1->trigger();
    EXPECT_FALSE(run.State.Stopped);
    EXPECT_FALSE(form->Start1->isEnabled());
    EXPECT_TRUE(form->Stop1->isEnabled());
    EXPECT_FALSE(form->AdvancedMenu->menuAction()->isEnabled());
    EXPECT_FALSE(form->About1->isEnabled());
    EXPECT_FALSE(form->Exit1->isEnabled());
    form->Exit1->trigger(); // nothing while the run is active
    EXPECT_FALSE(form->QuitRequested());
    form->Stop1->trigger();
    EXPECT_TRUE(run.State.Stopped);
    EXPECT_TRUE(form->AdvancedMenu->menuAction()->isEnabled());

    run.SetTestChoice(engine::TestChoice::Optimal);
    EXPECT_TRUE(form->Optimal1->isChecked());
    EXPECT_FALSE(form->Random1->isChecked());
    form->Random1->trigger();
    EXPECT_EQ(run.Tests(), engine::TestChoice::Random);
    EXPECT_TRUE(form->Random1->isChecked());

    // What a command throws ends up in the error box, and the window goes on.
    dialogs.AnswerFile(WorkPath("missing/dump.txt"));
    form->SaveScreen1->trigger();
    ASSERT_EQ(dialogs.History().size(), 2u);
    EXPECT_EQ(dialogs.History()[1].What, Kind::Error);
    EXPECT_EQ(dialogs.History()[1].Text, "Cannot create file " + WorkPath("missing/dump.txt"));

    form->Exit1->trigger();
    EXPECT_TRUE(form->QuitRequested());
}

TEST_F(AppTest, PanesAndCountersAnswerTheEngine) {
    auto form = MakeForm();
    form->ShowPane(engine::Pane::RunLog);
    EXPECT_FALSE(form->Memo1->isHidden());
    EXPECT_TRUE(form->Memo2->isHidden());
    form->AppendLine(engine::Pane::RunLog, "");
    form->AppendLine(engine::Pane::RunLog, "Doing a 5 minute MMX Test");
    EXPECT_EQ(form->Memo1->Count(), 2);
    EXPECT_EQ(form->Memo1->toPlainText(), "\nDoing a 5 minute MMX Test"); // the leading empty line shows
    form->ClearPane(engine::Pane::RunLog);
    EXPECT_EQ(form->Memo1->Count(), 0);

    form->ShowWorkTime(86405);
    EXPECT_EQ(form->Counters(), QStringList({"1", "0", "0", "5"}));
    struct Counter {
        const char* name;
        QRect geometry;
    };
    for (const auto& c : {Counter{"Panel19", {8, 3, 25, 17}}, Counter{"Panel14", {30, 3, 27, 17}},
                          Counter{"Panel15", {54, 3, 27, 17}}, Counter{"Panel16", {78, 3, 27, 17}}})
        EXPECT_EQ(form->findChild<QLabel*>(c.name)->geometry(), c.geometry) << c.name;
}

TEST_F(AppTest, SelectTempDirAcceptsOnlyExistingDirectories) {
    auto form = MakeForm();
    const auto before = form->TempDir();

    dialogs.AnswerText(work.path().toStdString());
    form->SelectTempdir1->trigger();
    auto shown = dialogs.Take();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].Caption, "Temp directory");
    EXPECT_EQ(shown[0].Text, "Write directory to be used as a Temp dir");
    EXPECT_EQ(shown[0].Default, before);
    EXPECT_EQ(form->TempDir(), work.path().toStdString() + "/");
    EXPECT_EQ(key.ReadString("Q1"), work.path().toStdString() + "/");

    const auto chosen = form->TempDir();
    dialogs.AnswerText("/no/such/dir");
    form->SelectTempdir1->trigger();
    shown = dialogs.Take();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].Caption, "Error");
    EXPECT_EQ(shown[1].Text, "Directory does not exist!");
    EXPECT_EQ(form->TempDir(), chosen);
    EXPECT_EQ(key.ReadString("Q1"), chosen);

    for (const char* entry : {"", "   "}) {
        dialogs.AnswerText(entry);
        form->SelectTempdir1->trigger();
    }
    dialogs.AnswerCancel();
    form->SelectTempdir1->trigger();
    EXPECT_EQ(dialogs.Take().size(), 3u); // three input boxes and no message
    EXPECT_EQ(form->TempDir(), chosen);
    EXPECT_EQ(key.ReadString("Q1"), chosen);
}

TEST_F(AppTest, SelectTempDirRefusesADirectoryThatCannotBeWritten) {
    auto form = MakeForm();
    const auto before = form->TempDir();
    QTemporaryDir folder;
    const auto path = folder.path().toStdString();
    int refusal = 0;
    {
        const test::UnwritableFolder locked(path);
        refusal = locked.Refusal();
        if (refusal) {
            dialogs.AnswerText(path);
            form->SelectTempdir1->trigger();
        }
    }
    if (!refusal) GTEST_SKIP() << "no way to make a folder refuse writes here";
    const auto shown = dialogs.Take();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].Caption, "Error");
    EXPECT_EQ(shown[1].Text, std::string("Directory cannot be written (") + std::strerror(refusal) + ")!");
    EXPECT_EQ(form->TempDir(), before);
    EXPECT_FALSE(key.ValueExists("Q1") && key.ReadString("Q1") == path + "/");
}

TEST_F(AppTest, MaxTempSizeStoresMegabytesAndWarnsBelowOneHundred) {
    key.WriteString("Q1", work.path().toStdString() + "/");
    auto form = MakeForm();
    dialogs.AnswerText("50");
    form->MaxTempsize1->trigger();
    const auto shown = dialogs.Take();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].Caption, "Max Tempfile size ");
    EXPECT_EQ(shown[0].Text, "Write the maximal size of Tempfiles (MegaBytes)");
    EXPECT_EQ(shown[0].Default, "100");
    EXPECT_EQ(shown[1].Caption, "Notice");
    EXPECT_EQ(shown[1].Text,
              "Make sure that you have 300 MB of free space in " + work.path().toStdString() + "/!");
    EXPECT_EQ(shown[2].Caption, "Note");
    EXPECT_EQ(shown[2].Text, "You can\u00B4t have Stability Certificate with MaxTempSize this small!");
    EXPECT_EQ(key.ReadString("Q2"), "52428800");
    EXPECT_EQ(form->MaxTempSize(), 52428800);

    dialogs.AnswerText("2047");
    form->MaxTempsize1->trigger();
    const auto large = dialogs.Take();
    ASSERT_EQ(large.size(), 2u); // no "Note" at or above 100 MB
    EXPECT_EQ(large[0].Default, "50");
    EXPECT_EQ(form->MaxTempSize(), 2047 * 1048576);
    EXPECT_EQ(key.ReadString("Q2"), "2146435072");
}

TEST_F(AppTest, MaxTempSizeRefusesWhatA32BitByteCountCannotHold) {
    auto form = MakeForm();
    for (const char* entry : {"2048", "0", "-5", "4096"}) {
        dialogs.AnswerText(entry);
        form->MaxTempsize1->trigger();
        const auto shown = dialogs.Take();
        ASSERT_EQ(shown.size(), 2u) << entry;
        EXPECT_EQ(shown[1].Caption, "Error") << entry;
        EXPECT_NE(shown[1].Text.find("from 1 to 2047"), std::string::npos) << entry;
    }
    dialogs.AnswerText("abc");
    form->MaxTempsize1->trigger();
    auto shown = dialogs.Take();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].What, Kind::Error);
    EXPECT_EQ(shown[1].Text, "'abc' is not a valid integer value");

    dialogs.AnswerCancel();
    form->MaxTempsize1->trigger();
    EXPECT_EQ(dialogs.Take().size(), 1u);

    EXPECT_EQ(form->MaxTempSize(), 104857600);
    EXPECT_EQ(key.ReadString("Q2"), "104857600");
}

TEST_F(AppTest, ScreenAndTextColoursFollowTheDesignOrderAndAreStored) {
    auto form = MakeForm();
    app::TForm2 viewer(form->Memo2, dialogs, form->CertificateHash);
    form->SetViewer(&viewer);
    QStringList order;
    for (QWidget* w : form->ColourElements())
        order << (w == viewer.Memo1 ? QStringLiteral("Form2.Memo1") : w->objectName());
    EXPECT_EQ(order, QStringList({"Memo1", "Memo2", "Form2.Memo1", "Label2", "Panel4", "Panel7", "Label1",
                                  "Panel19", "Panel14", "Panel15", "Panel16", "ClientArea"}));

    dialogs.AnswerCancel();
    form->SceenColor1->trigger();
    EXPECT_EQ(dialogs.Take()[0].InitialColor, 0u); // black preselected
    EXPECT_FALSE(key.ValueExists("Q5"));
    EXPECT_EQ(form->ScreenColor(), QColor(Qt::black));

    dialogs.AnswerColor(0x00804020); // R 0x20, G 0x40, B 0x80
    form->SceenColor1->trigger();
    for (QWidget* w : form->ColourElements())
        EXPECT_EQ(w->palette().color(QPalette::Window), QColor(0x20, 0x40, 0x80))
            << w->objectName().toStdString();
    EXPECT_EQ(key.ReadString("Q5"), std::to_string(0x00804020));
    dialogs.Take();

    dialogs.AnswerColor(0x0000FFFF); // yellow
    form->FontColor1->trigger();
    EXPECT_EQ(dialogs.Take()[0].InitialColor, 0x00FFFFFFu); // white preselected
    EXPECT_EQ(viewer.Memo1->palette().color(QPalette::Text), QColor(255, 255, 0));
    EXPECT_EQ(form->Panel16->palette().color(QPalette::WindowText), QColor(255, 255, 0));
    EXPECT_EQ(key.ReadString("Q6"), "65535");
}

TEST_F(AppTest, SaveScreenNamesTheFileAndWritesTheShownPane) {
    auto form = MakeForm();
    struct Case {
        const char* chosen;
        const char* written;
    };
    for (const auto& c : {Case{"log", "log.txt"}, Case{"log.csv", "log.csv"}, Case{"a.text", "a.text.txt"},
                          Case{"a.b", "a.b.txt"}}) {
        dialogs.AnswerFile(WorkPath(c.chosen));
        form->SaveScreen1->trigger();
        EXPECT_TRUE(FileExists(WorkPath(c.written))) << c.chosen;
    }
    EXPECT_FALSE(FileExists(WorkPath("log")));
    EXPECT_EQ(ReadFile(WorkPath("log.txt")),
              "Torvane Test 5.0 [ Ombrel ]\r\nCopyright (C) 1999-2000 by Quarnett\r\n\r\n");
    EXPECT_EQ(dialogs.History()[0].Filter, "Text files|*.txt");

    form->ShowPane(engine::Pane::RunLog);
    form->AppendLine(engine::Pane::RunLog, "Doing a 3 minute Whetstone Test");
    dialogs.AnswerFile(WorkPath("log.txt")); // overwritten without asking
    form->SaveScreen1->trigger();
    EXPECT_EQ(ReadFile(WorkPath("log.txt")), "Doing a 3 minute Whetstone Test\r\n");
}

TEST_F(AppTest, SaveScreenFailureIsReportedAndLeavesFilesAlone) {
    auto form = MakeForm();
    dialogs.AnswerFile(WorkPath("missing/dump.txt"));
    form->SaveScreen1->trigger();
    auto shown = dialogs.Take();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].What, Kind::Error);
    EXPECT_EQ(shown[1].Text, "Cannot create file " + WorkPath("missing/dump.txt"));

    // A folder that takes no new files: the existing dump stays as it was.
    ::mkdir(WorkPath("locked").c_str(), 0700);
    WriteFile(WorkPath("locked/dump.txt"), "old");
    ::chmod(WorkPath("locked").c_str(), 0500);
    if (::geteuid() != 0) { // the superuser writes anywhere
        dialogs.AnswerFile(WorkPath("locked/dump.txt"));
        form->SaveScreen1->trigger();
        EXPECT_EQ(dialogs.Take().back().What, Kind::Error);
        EXPECT_EQ(ReadFile(WorkPath("locked/dump.txt")), "old");
    }
    ::chmod(WorkPath("locked").c_str(), 0700);
}

TEST_F(AppTest, MaximizeTogglesFullScreenAndReturnsCentredAt575By333) {
    auto form = MakeForm();
    form->show();
    QCoreApplication::processEvents();
    form->Maximize1->trigger();
    QCoreApplication::processEvents();
    EXPECT_EQ(form->Maximize1->text(), "Normalize");
    EXPECT_TRUE(form->isFullScreen());
    EXPECT_TRUE(form->windowFlags() & Qt::FramelessWindowHint);

    form->Maximize1->trigger();
    QCoreApplication::processEvents();
    EXPECT_EQ(form->Maximize1->text(), "Maximize");
    EXPECT_FALSE(form->isFullScreen());
    EXPECT_FALSE(form->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(form->frameGeometry().size(), QSize(575, 333));
    const QRect area = form->screen()->availableGeometry();
    EXPECT_LE(std::abs(form->frameGeometry().center().x() - area.center().x()), 1);
    EXPECT_LE(std::abs(form->frameGeometry().center().y() - area.center().y()), 1);

    // Leaving from the full-screen view stores the window "Normalize" would give.
    form->Maximize1->trigger();
    form->FormDestroy();
    EXPECT_EQ(key.ReadInteger("Q10"), 575);
    EXPECT_EQ(key.ReadInteger("Q9"), 333);
}

TEST_F(AppTest, MinimizeHidesToTheTrayOnlyWhereThereIsOne) {
    auto form = MakeForm();
    form->show();
    form->Minimize1->trigger();
    QCoreApplication::processEvents();
    EXPECT_TRUE(form->isVisible()); // no notification area: the window must stay reachable
    EXPECT_TRUE(form->isMinimized());
    EXPECT_FALSE(form->TrayIconVisible());
    form->ShowMainWindow();
    EXPECT_FALSE(form->isMinimized());

    app::TTrayIcon::SetSystemTrayAvailableForTesting(true);
    form->Minimize1->trigger();
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(form->TrayIconVisible());
    form->Hear(engine::event::TrayHint{5 * 3600 + 12 * 60 + 40});
    EXPECT_EQ(form->TrayIcon1->Tip(), "0d, 5h, 12m, 40s, ");

    // A click on the icon: press and release.
    form->TrayIcon1->HandleMouseMessage(app::TTrayIcon::MouseMessage::LeftDown, {}, {});
    form->TrayIcon1->HandleMouseMessage(app::TTrayIcon::MouseMessage::LeftUp, {}, {});
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(form->TrayIconVisible());
}

TEST_F(AppTest, AboutReplacesTheInformationPane) {
    auto form = MakeForm();
    form->ShowPane(engine::Pane::RunLog);
    form->About1->trigger();
    const auto lines = form->Memo2->Lines();
    EXPECT_EQ(lines, app::AboutLines());
    ASSERT_EQ(lines.size(), 15);
    EXPECT_EQ(lines[0], "Torvane Test 5.0 [ Ombrel ]");
    EXPECT_EQ(lines[3], "Thanks to:");
    for (int i : {4, 5, 6, 8, 9, 10}) EXPECT_TRUE(lines[i].startsWith(' ') && lines[i].size() > 5) << i;
    for (int i : {2, 7, 11, 12}) EXPECT_TRUE(lines[i].isEmpty()) << i;
    EXPECT_EQ(lines[13], QString::fromUtf8("Visit this program\u00B4s official homepage:"));
    EXPECT_EQ(lines[14], app::kHomepage);
    EXPECT_TRUE(form->Memo1->isHidden());
    EXPECT_FALSE(form->Memo2->isHidden());
}

TEST_F(AppTest, DocumentationOpensTheReadmeBesideTheProgramWhateverThePathLength) {
    // A folder far longer than any fixed buffer would take.
    std::string folder = work.path().toStdString();
    for (int i = 0; i < 4; ++i) {
        folder += "/a-rather-long-folder-name-for-the-program-" + std::to_string(i);
        ::mkdir(folder.c_str(), 0700);
    }
    const auto program = folder + "/torvane";
    auto form = MakeForm("", program);
    form->Documentation1->trigger();
    ASSERT_EQ(dialogs.History().size(), 1u);
    EXPECT_EQ(dialogs.History()[0].Caption, "Error");
    EXPECT_EQ(dialogs.History()[0].Text, "Readme.txt is missing, have you been messing around?");
    EXPECT_TRUE(shell.Requests.empty());

    WriteFile(folder + "/readme.txt", "guide");
    form->Documentation1->trigger();
    ASSERT_EQ(shell.Requests.size(), 1u);
    EXPECT_EQ(shell.Requests[0].Target, folder + "/readme.txt");
    EXPECT_GT(shell.Requests[0].Target.size(), 200u);
    EXPECT_EQ(shell.Requests[0].ShowMode, 5);

    form->Checkfornewversion1->trigger();
    ASSERT_EQ(shell.Requests.size(), 2u);
    EXPECT_EQ(shell.Requests[1].Target, app::kHomepage.toStdString());
}

TEST_F(AppTest, DocumentationShowsTheGuideItselfWhereNoDesktopApplicationWould) {
    const auto bin = WorkPath("usr/bin");
    const auto share = WorkPath("usr/share/torvane");
    ASSERT_EQ(::system(("mkdir -p '" + bin + "' '" + share + "'").c_str()), 0);
    auto form = MakeForm("", bin + "/torvane");
    // An installation keeps the guide with the program's data, not beside the program.
    WriteFile(share + "/readme.txt", "Torvane Test - User guide\n\n1. What it does \xC2\xB4\n");
    shell.Result = false; // the desktop has no application that would show a text file
    form->Documentation1->trigger();
    ASSERT_EQ(shell.Requests.size(), 1u) << "the desktop is asked first";
    EXPECT_EQ(shell.Requests[0].Target, share + "/readme.txt");
    auto* guide = form->UserGuide();
    ASSERT_NE(guide, nullptr);
    EXPECT_TRUE(guide->isVisible());
    EXPECT_EQ(guide->FilePath(), share + "/readme.txt");
    EXPECT_EQ(guide->Text->toPlainText(),
              QString::fromUtf8("Torvane Test - User guide\n\n1. What it does \u00B4\n"));
    EXPECT_TRUE(guide->Text->isReadOnly());
    EXPECT_TRUE(dialogs.History().empty());

    // Closed and asked for again: the same window, with the guide as it is now; the one beside the
    // program comes first.
    guide->CloseButton->click();
    EXPECT_FALSE(guide->isVisible());
    WriteFile(bin + "/readme.txt", "beside");
    form->Documentation1->trigger();
    EXPECT_EQ(form->UserGuide(), guide);
    EXPECT_TRUE(guide->isVisible());
    EXPECT_EQ(guide->Text->toPlainText(), "beside");

    // Where the desktop shows it, the program does not.
    guide->close();
    shell.Result = true;
    form->Documentation1->trigger();
    EXPECT_FALSE(guide->isVisible());
    EXPECT_EQ(shell.Requests.back().Target, bin + "/readme.txt");

    // A file far larger than any guide is refused with a message, never read into the window.
    shell.Result = false;
    WriteFile(bin + "/readme.txt", std::string((4 << 20) + 1, 'x'));
    form->Documentation1->trigger();
    EXPECT_FALSE(guide->isVisible());
    ASSERT_EQ(dialogs.History().size(), 1u);
    EXPECT_EQ(dialogs.History()[0].What, Kind::Error);
    EXPECT_NE(dialogs.History()[0].Text.find(bin + "/readme.txt"), std::string::npos);
    EXPECT_EQ(guide->Text->toPlainText(), "beside");

    // A FIFO in the guide's place is refused at once, not waited on.
    ASSERT_EQ(::unlink((bin + "/readme.txt").c_str()), 0);
    ASSERT_EQ(::mkfifo((bin + "/readme.txt").c_str(), 0600), 0);
    form->Documentation1->trigger();
    EXPECT_FALSE(guide->isVisible());
    ASSERT_EQ(dialogs.History().size(), 2u);
    EXPECT_EQ(dialogs.History()[1].What, Kind::Error);
    EXPECT_EQ(dialogs.History()[1].Text.rfind("Cannot open file " + bin + "/readme.txt", 0), 0u);
}

TEST_F(AppTest, CheckForANewVersionSaysWhereNewVersionsComeFromWhereNoBrowserShowsThem) {
    auto form = MakeForm();
    form->Checkfornewversion1->trigger();
    EXPECT_TRUE(dialogs.History().empty()) << "the browser shows the homepage";
    shell.Result = false;
    form->Checkfornewversion1->trigger();
    ASSERT_EQ(shell.Requests.size(), 2u);
    EXPECT_EQ(shell.Requests[1].Target, app::kHomepage.toStdString());
    ASSERT_EQ(dialogs.History().size(), 1u);
    EXPECT_EQ(dialogs.History()[0].What, Kind::Message);
    EXPECT_EQ(dialogs.History()[0].Caption, "Note");
    EXPECT_NE(
        dialogs.History()[0].Text.find("New versions of Torvane Test are published on its homepage:\n\n" +
                                       app::kHomepage.toStdString() + "\n"),
        std::string::npos);
}

TEST_F(AppTest, LaterCommandsDoNothingHarmful) {
    auto form = MakeForm();
    for (auto* action : {form->Registerfiletype1, form->CreateCertificate1, form->VerifyCertificate1})
        action->trigger();
    for (const auto& shown : dialogs.History()) EXPECT_NE(shown.What, Kind::Error);
    EXPECT_TRUE(form->Stop1->isEnabled() == false);
    EXPECT_FALSE(form->QuitRequested());
}

TEST_F(AppTest, DraggingTheScreenMovesTheWindow) {
    auto form = MakeForm();
    form->show();
    QCoreApplication::processEvents();
    const QPoint before = form->pos();
    QWidget* screen = form->Memo2->viewport();
    QTest::mousePress(screen, Qt::LeftButton, {}, QPoint(50, 50));
    QMouseEvent move(QEvent::MouseMove, QPointF(80, 70), screen->mapToGlobal(QPointF(80, 70)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(screen, &move);
    QTest::mouseRelease(screen, Qt::LeftButton, {}, QPoint(80, 70));
    EXPECT_EQ(form->pos(), before + QPoint(30, 20));
}

} // namespace
} // namespace torvane::test
