// The certificate windows: the creation window's fields and "OK", the dialogs around a new certificate,
// and the viewer with authentic, forged and short files.

#include "AppFixture.h"

#include "app/CertificateCommands.h"
#include "app/Form2.h"
#include "app/Form3.h"
#include "app/Memo.h"
#include "cert/Builder.h"
#include "cert/CertTestSupport.h"
#include "cert/Scramble.h"
#include "cert/Windows1252.h"
#include "platform/Error.h"
#include "platform/Files.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <sys/stat.h>

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
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
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

    // A failure while the new one is made.
    dialogs.AnswerFile(existing);
    app::CertificateMaker failing{
        []() -> cert::TCertificateFacts { throw std::runtime_error("no processor"); },
        [] { return std::string(); }};
    EXPECT_THROW(app::BuildCertificate(dialogs, hash, program, SampleDescription(), failing),
                 std::runtime_error);
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
    EXPECT_TRUE(QTest::qWaitFor([&] { return !viewer.isVisible(); }));

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

} // namespace
} // namespace torvane::test
