// The certificate windows: the creation window's fields and "OK", the dialogs around a new certificate,
// and the viewer with authentic, forged and short files.

#include "AppFixture.h"

#include "cert/Builder.h"
#include "cert/CertTestSupport.h"
#include "cert/CertificateFile.h"
#include "cert/Scramble.h"
#include "cert/Windows1252.h"
#include "common/SavedVariable.h"
#include "engine/EngineTestSupport.h"
#include "platform/Error.h"
#include "platform/FileTypes.h"
#include "platform/Files.h"
#include "platform/LocaleTime.h"
#include "window/CertificateCommands.h"
#include "window/Form2.h"
#include "window/Form3.h"
#include "window/Memo.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace torvane::test {
namespace {

using Kind = ScriptedDialogs::Kind;

class CertificateWindows : public AppTest {
protected:
    std::string MakeCertificate(const std::string& name) {
        const auto path = WorkPath(name);
        cert::WriteCertificate(hash, path, SampleFacts(), SampleDescription(), SampleFiller());
        return path;
    }
    app::CertificateMaker Maker() {
        return {[] { return SampleFacts(); }, [] { return SampleFiller(); }};
    }
    crypto::THashManager hash;
};

TEST_F(CertificateWindows, CreationWindowLayoutAndTabOrder) {
    app::TForm3 form(dialogs);
    const std::pair<QWidget*, QRect> boxes[] = {
        {form.Edit1, {85, 17, 180, 21}},  {form.Edit2, {85, 49, 180, 21}},
        {form.Edit3, {85, 73, 180, 21}},  {form.Edit4, {85, 97, 180, 21}},
        {form.Edit5, {85, 129, 180, 21}}, {form.Edit6, {85, 153, 180, 21}},
        {form.Memo1, {13, 206, 244, 99}}, {form.SpeedButton1, {197, 318, 68, 25}}};
    for (const auto& [widget, rect] : boxes)
        EXPECT_EQ(widget->geometry(), rect) << widget->objectName().toStdString();
    EXPECT_EQ(form.Label1->text(), "Your name:");
    EXPECT_EQ(form.Label7->text(), "Additional info:");
    EXPECT_EQ(form.Label7->pos(), QPoint(1, 186));
    EXPECT_EQ(form.SpeedButton1->text(), "OK");

    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form, WaitLimitMs));
    form.Edit1->setFocus();
    QStringList order;
    for (int i = 0; i < 8; ++i) {
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        order << focus->objectName();
        QTest::keyClick(focus, Qt::Key_Tab);
    }
    EXPECT_EQ(order, QStringList({"Edit1", "Edit2", "Edit3", "Edit4", "Edit5", "Edit6", "Memo1", "Edit1"}));
    EXPECT_EQ(form.Memo1->toPlainText(), ""); // the tab moved on instead of being typed
}

TEST_F(CertificateWindows, OkHandsOnTheFieldsAndKeepsThemBetweenUses) {
    app::TForm3 form(dialogs);
    std::vector<cert::TCertificateDescription> handed;
    form.OnCreate = [&](const cert::TCertificateDescription& d) { handed.push_back(d); };
    form.show();
    form.Edit1->setText(QStringLiteral("J\u00f6rg"));
    form.Edit6->setText(QStringLiteral("Debian"));
    QTest::mouseClick(form.SpeedButton1, Qt::LeftButton);
    ASSERT_EQ(handed.size(), 1u);
    EXPECT_EQ(handed[0].Owner, "J\u00f6rg");
    EXPECT_EQ(handed[0].Os, "Debian");
    EXPECT_EQ(handed[0].Ram, "");
    EXPECT_EQ(handed[0].AdditionalInfo, std::vector<std::string>{"N/A"});
    EXPECT_EQ(form.Memo1->toPlainText(), "N/A"); // the box shows it from now on
    EXPECT_FALSE(form.isVisible());

    form.Memo1->setPlainText(QStringLiteral("one\ntwo\nthree\n"));
    form.show();
    form.SpeedButton1->click();
    EXPECT_EQ(handed[1].AdditionalInfo, (std::vector<std::string>{"one", "two", "three"}));
    EXPECT_EQ(handed[1].Owner, "J\u00f6rg");

    // A failure is shown and the window stays open with what was typed.
    form.OnCreate = [](const cert::TCertificateDescription&) { throw EFCreateError("/x/a.tvc"); };
    form.show();
    form.SpeedButton1->click();
    EXPECT_TRUE(form.isVisible());
    const auto shown = dialogs.Take();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].What, Kind::Error);
    EXPECT_EQ(shown[0].Text, "Cannot create file /x/a.tvc");
    EXPECT_EQ(form.Edit6->text(), "Debian");
}

TEST_F(CertificateWindows, BuildAsksWhereAndWritesAWholeCertificate) {
    const auto program = WorkPath("torvane");
    dialogs.AnswerFile(WorkPath("mine"));
    EXPECT_TRUE(app::BuildCertificate(dialogs, hash, program, SampleDescription(), Maker()));
    const auto shown = dialogs.Take();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].What, Kind::SaveFile);
    EXPECT_EQ(shown[0].Filter, "Torvane Certificates|*.tvc");
    EXPECT_EQ(shown[0].Default, WorkPath("")); // the program's folder
    const auto written = ReadFile(WorkPath("mine.tvc"));
    EXPECT_EQ(written, ReadFile(MakeCertificate("same.tvc")));

    // Cancelled: nothing written.
    dialogs.AnswerCancel();
    EXPECT_FALSE(app::BuildCertificate(dialogs, hash, program, SampleDescription(), Maker()));
    EXPECT_EQ(app::WithCertificateExtension("/a.b/c"), "/a.b/c.tvc");
    EXPECT_EQ(app::WithCertificateExtension("/a/c.txt"), "/a/c.txt");
}

TEST_F(CertificateWindows, AFailedCreationLeavesTheOldFileAsItWas) {
    const auto program = WorkPath("torvane");
    const auto existing = MakeCertificate("old.tvc");
    const auto before = ReadFile(existing);

    // A text without a Windows-1252 byte: refused before the file is even asked for.
    auto d = SampleDescription();
    d.Cooling = "\u2744 water";
    EXPECT_THROW(app::BuildCertificate(dialogs, hash, program, d, Maker()), cert::ECertificateText);
    EXPECT_TRUE(dialogs.Take().empty());
    // Nor is a control character (an escape sequence in the owner would move a terminal's cursor), and a
    // line break only where the field has lines.
    for (const auto& change : std::vector<std::function<void(cert::TCertificateDescription&)>>{
             [](auto& x) { x.Owner = "J. Doe\x1b[2A\x1b[2K Worktime: 30d"; },
             [](auto& x) { x.Motherboard = "two\nlines"; },
             [](auto& x) {
                 x.AdditionalInfo = {"fine", "bell\x07"};
             }}) {
        auto withControl = SampleDescription();
        change(withControl);
        EXPECT_THROW(app::BuildCertificate(dialogs, hash, program, withControl, Maker()),
                     cert::ECertificateText);
        EXPECT_EQ(ReadFile(existing), before);
    }
    EXPECT_TRUE(dialogs.Take().empty()) << "refused before the file is asked for";

    // A failure while the new one is made.
    dialogs.AnswerFile(existing);
    app::CertificateMaker failing{
        []() -> cert::TCertificateFacts { throw std::runtime_error("no processor"); },
        [] { return std::string(); }};
    EXPECT_THROW(app::BuildCertificate(dialogs, hash, program, SampleDescription(), failing),
                 std::runtime_error);
    EXPECT_EQ(ReadFile(existing), before);
    // A failure while the file is written: a certificate larger than any.
    dialogs.AnswerFile(existing);
    auto huge = SampleDescription();
    huge.AdditionalInfo = {std::string(cert::kMaxCertificateBytes, 'x')};
    EXPECT_THROW(app::BuildCertificate(dialogs, hash, program, huge, Maker()), cert::ECertificateText);
    EXPECT_EQ(ReadFile(existing), before);

    // A folder that does not exist.
    dialogs.AnswerFile(WorkPath("none/new.tvc"));
    EXPECT_THROW(app::BuildCertificate(dialogs, hash, program, SampleDescription(), Maker()), EFCreateError);

    // Replacing works, and leaves no stray file beside it.
    auto facts = SampleFacts();
    facts.ErrorCount = 3;
    dialogs.AnswerFile(existing);
    EXPECT_TRUE(app::BuildCertificate(dialogs, hash, program, SampleDescription(),
                                      {[&] { return facts; }, [] { return SampleFiller(); }}));
    EXPECT_NE(ReadFile(existing), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(WorkPath("")), {}), 1);
}

TEST_F(CertificateWindows, TheViewerShowsAnAuthenticRecordAndLeavesTheFileAlone) {
    auto form = MakeForm();
    app::TForm2 viewer(form->Memo2, dialogs, form->CertificateHash);
    const auto path = MakeCertificate("a.tvc");
    ::chmod(path.c_str(), 0444); // a read-only certificate verifies
    const auto before = ReadFile(path);
    // Not even a write that puts the same bytes back: the file keeps its inode and its times (which
    // also tells where the tests run with rights that a read-only mode does not stop).
    struct stat was {};
    ASSERT_EQ(::stat(path.c_str(), &was), 0);
    ::usleep(20000); // a rewrite would now get a later time

    for (int round = 0; round < 2; ++round) { // the same file twice verifies twice
        viewer.Edit1->setText(QString::fromStdString(path));
        EXPECT_EQ(viewer.Edit1->text(), "");
        EXPECT_EQ(viewer.LastVerification().State, cert::TCertificateState::Authentic);
        viewer.show();
        QCoreApplication::processEvents();
        const auto expected = cert::CertificateBodyLines(SampleFacts(), SampleDescription());
        ASSERT_EQ(viewer.Memo1->Count(), static_cast<int>(expected.size()));
        EXPECT_EQ(viewer.Memo1->Lines().first(), "Torvane Test 5.0 [ Ombrel ]");
        EXPECT_EQ(viewer.Memo1->Lines().at(22).toStdString(), " Owner: J\u00f6rg M\u00fcller");
        EXPECT_EQ(viewer.Memo1->Lines().last(), "Date: 07/08/2025");
        EXPECT_TRUE(viewer.Label1->isVisibleTo(&viewer));
        QTest::qWait(1);
        EXPECT_TRUE(viewer.isVisible()) << "a viewer with a record stays open";
        EXPECT_EQ(ReadFile(path), before);
        struct stat is {};
        ASSERT_EQ(::stat(path.c_str(), &is), 0);
        EXPECT_EQ(is.st_ino, was.st_ino);
        EXPECT_EQ(is.st_mtim.tv_nsec, was.st_mtim.tv_nsec);
        EXPECT_EQ(is.st_ctim.tv_nsec, was.st_ctim.tv_nsec);
        EXPECT_TRUE(dialogs.Take().empty());
    }
    viewer.SpeedButton1->click();
    EXPECT_FALSE(viewer.isVisible());
}

TEST_F(CertificateWindows, ForgedAndShortFilesShowNothing) {
    auto form = MakeForm();
    app::TForm2 viewer(form->Memo2, dialogs, form->CertificateHash);
    const auto good = MakeCertificate("good.tvc");
    auto plain = ReadFile(good);
    cert::ScrambleBytes(plain, cert::ScrambleKey);
    plain.replace(plain.find(" Errors: 0"), 10, " Errors: 1");
    cert::ScrambleBytes(plain, cert::ScrambleKey);
    const auto forged = WorkPath("forged.tvc");
    WriteFile(forged, plain);
    std::string nine = "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n";
    cert::ScrambleBytes(nine, cert::ScrambleKey);
    const auto shortFile = WorkPath("short.tvc");
    WriteFile(shortFile, nine);

    viewer.Edit1->setText(QString::fromStdString(good));
    viewer.show();
    ASSERT_GT(viewer.Memo1->Count(), 10);

    // A forgery after an authentic one: the pane is cleared, the note goes, the message comes.
    viewer.Edit1->setText(QString::fromStdString(forged));
    auto shown = dialogs.Take();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].Caption, "Error!!");
    EXPECT_EQ(shown[0].Text, "This Certificate is FAKE!!");
    EXPECT_EQ(viewer.Memo1->Count(), 0);
    EXPECT_FALSE(viewer.Label1->isVisibleTo(&viewer));
    EXPECT_FALSE(viewer.isVisible());
    // Shown by its caller, it closes at its first paint.
    viewer.show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !viewer.isVisible(); }, WaitLimitMs));

    // Nine lines stop early, without a message.
    viewer.Edit1->setText(QString::fromStdString(shortFile));
    EXPECT_TRUE(dialogs.Take().empty());
    EXPECT_EQ(viewer.LastVerification().State, cert::TCertificateState::EarlyStop);
    EXPECT_EQ(viewer.Memo1->Count(), 0);

    // A file that cannot be read is reported by the error box; nothing is shown.
    ASSERT_EQ(::mkdir(WorkPath("dir.tvc").c_str(), 0700), 0);
    viewer.Edit1->setText(QString::fromStdString(WorkPath("dir.tvc")));
    EXPECT_TRUE(dialogs.Take().empty()); // a folder is no file: the viewer just closes
    EXPECT_EQ(ReadFile(forged), plain);
}

TEST_F(CertificateWindows, VerifyCertificateChoosesAnExistingFile) {
    const auto program = WorkPath("torvane");
    dialogs.AnswerFile(WorkPath("missing.tvc"));
    EXPECT_EQ(app::ChooseCertificate(dialogs, program), std::nullopt);
    const auto path = MakeCertificate("b.tvc");
    dialogs.AnswerFile(path);
    EXPECT_EQ(app::ChooseCertificate(dialogs, program), path);
    dialogs.AnswerCancel();
    EXPECT_EQ(app::ChooseCertificate(dialogs, program), std::nullopt);
    const auto shown = dialogs.Take();
    EXPECT_EQ(shown[0].What, Kind::OpenFile);
    EXPECT_EQ(shown[0].Filter, "Torvane Certificates|*.tvc");
    EXPECT_EQ(shown[0].Default, WorkPath(""));
    // An installed program's folder is not the user's to write in.
    EXPECT_EQ(app::CertificateFolder("/nonexistent-folder/torvane"),
              WithTrailingSeparator(std::getenv("HOME")));
}

// The "Stability" and "Register FileType" commands of the main window, with a run of a day and more of
// work time on a clock the test moves.
class StabilityCommands : public CertificateWindows {
protected:
    std::unique_ptr<app::TForm1> MakeWindow() {
        auto form = MakeForm("", WorkPath("torvane"), [this](app::Form1Services& s) {
            s.Engine.localClock = &local;
            s.Engine.workTime = &time;
            s.Engine.msClock = &ms;
            s.Engine.automaticWindowTimers = false;
            s.ReadProcessor = [](cert::TCertificateFacts& f) {
                f.CpuFamily = 6, f.CpuModel = 7, f.CpuStepping = 10, f.CpuType = 0, f.RawSpeed = 2394;
            };
        });
        form->SetViewer(&viewerOf(*form));
        form->SetCreationWindow(&creation);
        return form;
    }
    app::TForm2& viewerOf(app::TForm1& form) {
        if (!viewer) viewer = std::make_unique<app::TForm2>(form.Memo2, dialogs, form.CertificateHash);
        return *viewer;
    }
    void RunFor(app::TForm1& form, std::int64_t seconds) {
        form.idle1->trigger();
        form.Start1->trigger();
        ASSERT_TRUE(StartATest(form.Run()));
        WorkFor(form.Run(), time, seconds * 1000);
        form.Stop1->trigger();
        dialogs.Take();
    }

    ManualLocalClock local{LocalDateTime{2025, 7, 8, 14, 5, 9}};
    ManualWorkTimeSource time;
    ManualMsClock ms;
    app::TForm3 creation{dialogs};
    std::unique_ptr<app::TForm2> viewer;
};

TEST_F(StabilityCommands, NoCertificateBeforeADayOfWorkTime) {
    auto form = MakeWindow();
    RunFor(*form, 86399);
    EXPECT_EQ(form->Counters().first(), "0");
    form->CreateCertificate1->trigger();
    const auto shown = dialogs.Take();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].Caption, "Note");
    EXPECT_EQ(shown[0].Text, "You can create a stability certificate only after 24 hours of testing.");
    EXPECT_FALSE(creation.isVisible());
}

TEST_F(StabilityCommands, NoCertificateAfterADayThatTestedNothing) {
    auto form = MakeWindow();
    // "Optimal..." as the README has users store it for the temperature display.
    form->Run().SetTestChoice(engine::TestChoice::Optimal);
    form->idle1->trigger();
    form->Start1->trigger();
    for (int i = 0; i < 20; ++i) form->Run().OperateTimer().Fire();
    WorkFor(form->Run(), time, 90061000);
    form->Stop1->trigger();
    dialogs.Take();
    EXPECT_EQ(form->Counters().first(), "1");
    form->CreateCertificate1->trigger();
    const auto shown = dialogs.Take();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].Caption, "Note");
    EXPECT_EQ(shown[0].Text,
              "You can create a stability certificate only after 24 hours of testing. The last "
              "run started no test, so it tested nothing: with \"Optimal...\" ticked (Advanced "
              "> Tests) no test is chosen. Tick \"Random\" and run the test again.");
    EXPECT_FALSE(creation.isVisible());
}

TEST_F(StabilityCommands, ACertificateOfTheRunOpensInTheViewer) {
    auto form = MakeWindow();
    RunFor(*form, 90061); // 1 d, 1 h, 1 m, 1 s
    form->CreateCertificate1->trigger();
    ASSERT_TRUE(creation.isVisible());
    EXPECT_TRUE(form->isEnabled()); // not modal
    creation.Edit1->setText(QStringLiteral("Tester"));
    const auto path = WorkPath("run.tvc");
    dialogs.AnswerFile(path);
    creation.SpeedButton1->click();
    EXPECT_FALSE(creation.isVisible());
    EXPECT_EQ(form->Memo2->Lines(), QStringList{"Certification Created"});
    EXPECT_TRUE(form->Memo1->isHidden());

    const auto v = cert::VerifyCertificateFile(hash, path);
    ASSERT_EQ(v.State, cert::TCertificateState::Authentic);
    const auto& r = v.Record;
    EXPECT_EQ(r[0], form->BannerLines().at(0).toStdString());
    EXPECT_EQ(r[10], " ID: 6-7-10-0");
    EXPECT_EQ(r[11], " Actual Speed: 2394 MHz");
    EXPECT_EQ(r[15], " Errors: 0");
    EXPECT_EQ(r[16], " Worktime: 1d, 1h, 1m, 1s");
    EXPECT_EQ(r[19], " MaxTempSize: 100 MB");
    EXPECT_EQ(r[22], " Owner: Tester");
    EXPECT_EQ(r[30], " N/A");
    // The clock the run kept, in the user's formats.
    EXPECT_EQ(r[r.size() - 2], "Time: " + LocaleTimeText(local.Now()));
    EXPECT_EQ(r.back(), "Date: " + LocaleDateText(local.Now()));

    // "Verify Certificate" shows it in the window's viewer.
    dialogs.AnswerFile(path);
    form->VerifyCertificate1->trigger();
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_EQ(viewer->Memo1->Count(), static_cast<int>(r.size()));
    EXPECT_TRUE(viewer->Label1->isVisibleTo(viewer.get()));
    // A file that is not there: nothing happens.
    viewer->hide();
    dialogs.AnswerFile(WorkPath("none.tvc"));
    form->VerifyCertificate1->trigger();
    EXPECT_FALSE(viewer->isVisible());
}

TEST_F(StabilityCommands, ARunStartedWhileTheCreationWindowIsOpenHasNotEarnedOne) {
    auto form = MakeWindow();
    RunFor(*form, 86400);
    form->CreateCertificate1->trigger();
    ASSERT_TRUE(creation.isVisible());
    // A new run's few seconds are what the results hold now, not the day before them.
    form->Start1->trigger();
    WorkFor(form->Run(), time, 5000);
    form->Stop1->trigger();
    dialogs.Take();
    const auto path = WorkPath("new.tvc");
    dialogs.AnswerFile(path);
    creation.SpeedButton1->click();
    const auto shown = dialogs.Take();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].Text, "You can create a stability certificate only after 24 hours of testing.");
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(StabilityCommands, ACertificateThatCannotBeWrittenSaysWhyAndTheWindowStays) {
    auto form = MakeWindow();
    RunFor(*form, 86400);
    form->CreateCertificate1->trigger();
    ASSERT_TRUE(std::filesystem::create_directory(WorkPath("folder.tvc")));
    const struct {
        std::string path, reason;
    } cases[] = {{WorkPath("gone/run.tvc"), "No such file or directory"},
                 {WorkPath("folder.tvc"), "Is a directory"}};
    for (const auto& c : cases) {
        dialogs.AnswerFile(c.path);
        creation.SpeedButton1->click();
        const auto shown = dialogs.Take();
        ASSERT_EQ(shown.size(), 2u) << c.path; // the save dialog, then the error box
        EXPECT_EQ(shown[1].Text, "Cannot create file " + c.path + ": " + c.reason);
        EXPECT_TRUE(creation.isVisible()); // what was typed is not lost
    }
}

TEST_F(StabilityCommands, SmallWorkFilesStillEarnACertificateThatSaysSo) {
    auto form = MakeWindow();
    dialogs.AnswerText("50");
    form->MaxTempsize1->trigger();
    const auto notes = dialogs.Take();
    ASSERT_FALSE(notes.empty());
    EXPECT_EQ(notes.back().Text, "You can\u00B4t have Stability Certificate with MaxTempSize this small!");
    RunFor(*form, 86400);
    form->CreateCertificate1->trigger();
    const auto path = WorkPath("small.tvc");
    dialogs.AnswerFile(path);
    creation.SpeedButton1->click();
    const auto v = cert::VerifyCertificateFile(hash, path);
    ASSERT_EQ(v.State, cert::TCertificateState::Authentic);
    EXPECT_EQ(v.Record[19], " MaxTempSize: 50 MB");
}

TEST_F(StabilityCommands, RegisterFileTypeWritesTheTypeForThisProgram) {
    SavedVariable data("XDG_DATA_HOME", WorkPath("data"));
    SavedVariable path("PATH", WorkPath("")); // the files alone, without the desktop's cache tools
    auto form = MakeWindow();
    for (int round = 0; round < 2; ++round) {
        form->Registerfiletype1->trigger();
        const auto shown = dialogs.Take();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].What, Kind::Message);
        EXPECT_EQ(shown[0].Caption, "");
        EXPECT_EQ(shown[0].Text, "Done! now you can view stability certificates by double clicking them.");
    }
    const auto entry = ReadFile(WorkPath("data/applications/torvane-certificate.desktop"));
    EXPECT_NE(entry.find("Exec=" + DesktopExecLine(WorkPath("torvane")) + "\n"), std::string::npos);
    EXPECT_TRUE(FileExists(WorkPath("data/mime/packages/torvane-certificate.xml")));
    EXPECT_EQ(ReadFile(WorkPath("data/icons/hicolor/48x48/apps/torvane-certificate.png")).substr(1, 3),
              "PNG");

    SavedVariable blocked("XDG_DATA_HOME", WorkPath("torvane/data")); // below a file
    WriteFile(WorkPath("torvane"), "program");
    form->Registerfiletype1->trigger();
    const auto shown = dialogs.Take();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].What, Kind::Error);
    EXPECT_EQ(shown[0].Text, "Failed to create key " + WorkPath("torvane/data/mime/packages/"));
}

} // namespace
} // namespace torvane::test
