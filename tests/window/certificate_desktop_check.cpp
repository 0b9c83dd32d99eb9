// The certificate commands of the real windows on a real display, for
// tests/window/certificate_desktop_test.sh.
//
//   certificate_desktop_check make PROGRAM DIR   makes DIR/made.tvc through "Create Certificate" after a
//                                                run whose clock the check moves past a day, a forged copy
//                                                DIR/tampered.tvc, pictures of the windows (DIR/*.png), and
//                                                registers the file type for PROGRAM
//   certificate_desktop_check shot FILE.png      a picture of the whole screen
//
// Dialogs are answered by the check; everything else is the program's own.

#include "cert/Certificate.h"
#include "cert/Scramble.h"
#include "platform/Dialogs.h"
#include "platform/Shell.h"
#include "window/Form1.h"
#include "window/Form2.h"
#include "window/Form3.h"
#include "window/Memo.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

namespace {

using namespace torvane;

int failures = 0;

void Check(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "FAIL: %s\n", what);
    ++failures;
}

void Picture(QWidget& w, const std::string& file) {
    QTest::qWait(300); // the display server draws what was shown
    w.grab().save(QString::fromStdString(file));
}

int Make(const std::string& program, const std::string& dir) {
    ScriptedDialogs dialogs;
    RecordingShell shell;
    ManualLocalClock local(LocalDateTime{2025, 7, 8, 14, 5, 9});
    ManualWorkTimeSource time;
    ManualMsClock ms;
    app::Form1Services services;
    services.Dialogs = &dialogs;
    services.Shell = &shell;
    services.ProgramFile = program;
    services.CommandLine = "\"" + program + "\"";
    services.Engine.localClock = &local;
    services.Engine.workTime = &time;
    services.Engine.msClock = &ms;
    services.Engine.automaticWindowTimers = false;

    app::TForm1 form1(services);
    app::TForm2 form2(form1.Memo2, dialogs, form1.CertificateHash);
    form1.SetViewer(&form2);
    app::TForm3 form3(dialogs);
    form1.SetCreationWindow(&form3);
    form1.show();
    // A deadline against a hang, not a measure: a busy machine may take its time to draw.
    Check(QTest::qWaitForWindowExposed(&form1, 120000), "the window comes on the screen");

    // A day, an hour, a minute and a second of work time on the run's own clock.
    form1.idle1->trigger();
    form1.Start1->trigger();
    for (int i = 0; i < 100 && form1.Run().State.TestsStarted == 0; ++i) form1.Run().OperateTimer().Fire();
    Check(form1.Run().State.TestsStarted > 0, "the run starts a test");
    for (int i = 0; i < 9006; ++i) {
        time.Pass(10000);
        form1.Run().UpdateWorkTime();
    }
    time.Pass(1000);
    form1.Run().UpdateWorkTime();
    form1.Stop1->trigger();
    dialogs.Take();

    form1.CreateCertificate1->trigger();
    Check(form3.isVisible(), "Create Certificate shows the creation window");
    form3.Edit1->setText(QStringLiteral("Jörg Müller"));
    form3.Edit2->setText(QStringLiteral("Xeon, stock clock"));
    form3.Edit3->setText(QStringLiteral("Virtual board"));
    form3.Edit4->setText(QStringLiteral("Air"));
    form3.Edit5->setText(QStringLiteral("8 GB"));
    form3.Edit6->setText(QStringLiteral("Debian 12"));
    form3.Memo1->setPlainText(QStringLiteral("Made under Xvfb.\nTwo lines of notes."));
    Picture(form3, dir + "/form3.png");
    const auto made = dir + "/made.tvc";
    dialogs.AnswerFile(made);
    form3.SpeedButton1->click();
    Check(!form3.isVisible(), "the creation window closes");
    Check(form1.Memo2->Lines() == QStringList{"Certification Created"}, "the screen says it was created");
    Picture(form1, dir + "/created.png");

    dialogs.AnswerFile(made);
    form1.VerifyCertificate1->trigger();
    Check(form2.isVisible() && form2.Label1->isVisible(), "Verify Certificate shows the record as authentic");
    Picture(form2, dir + "/viewer.png");
    form2.close();

    // The error count of the record changed, and the file scrambled again: a forgery.
    std::ifstream in(made, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    cert::ScrambleBytes(bytes, cert::ScrambleKey);
    const auto at = bytes.find(" Errors: 0");
    Check(at != std::string::npos, "the record has its error count");
    if (at != std::string::npos) bytes.replace(at, 10, " Errors: 1");
    cert::ScrambleBytes(bytes, cert::ScrambleKey);
    std::ofstream(dir + "/tampered.tvc", std::ios::binary) << bytes;

    dialogs.Take();
    form1.Registerfiletype1->trigger();
    const auto shown = dialogs.Take();
    Check(shown.size() == 1 && shown[0].Text.rfind("Done!", 0) == 0, "Register FileType says it is done");
    for (const auto& s : shown)
        if (s.What == ScriptedDialogs::Kind::Error) std::fprintf(stderr, "error box: %s\n", s.Text.c_str());
    form1.FormDestroy();
    return failures == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "shot" && argc == 3)
        return QGuiApplication::primaryScreen()->grabWindow(0).save(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
    if (command == "make" && argc == 4) return Make(argv[2], argv[3]);
    std::fprintf(stderr, "usage: %s make PROGRAM DIR | shot FILE.png\n", argv[0]);
    return 2;
}
