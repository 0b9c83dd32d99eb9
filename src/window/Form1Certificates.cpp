// The main window's certificate commands: the file type, creating a certificate of the run, and checking
// one.

#include "window/Form1.h"

#include "cert/Builder.h"
#include "platform/FileTypes.h"
#include "session/RunCertificate.h"
#include "window/CertificateCommands.h"
#include "window/Form2.h"
#include "window/Form3.h"
#include "window/Memo.h"
#include "window/QtText.h"
#include "window/TrayIcon.h"

#include <QBuffer>
#include <QLineEdit>

namespace torvane::app {

using engine::Pane;

void TForm1::Registerfiletype1Click() {
    // The program's icon goes with the type, for the certificate files to show.
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    TTrayIcon::ProgramIcon().pixmap(48, 48).save(&buffer, "PNG");
    RegisterCertificateFileType(services_.ProgramFile, png.toStdString());
    services_.Dialogs->MessageBox("",
                                  "Done! now you can view stability certificates by double clicking them.");
}

void TForm1::CreateCertificate1Click() {
    // The results stay after a run has stopped, so a certificate can follow the run.
    if (!CertificateEarned()) return;
    if (!creation_) return;
    creation_->show();
    creation_->raise();
    creation_->activateWindow();
}

bool TForm1::CertificateEarned() {
    switch (session::RefusalOf(session::RecordOf(*run_))) {
    case session::CertificateRefusal::LessThanADay:
        services_.Dialogs->MessageBox("Note", "You can create a stability certificate only after 24 hours of "
                                              "testing.");
        return false;
    case session::CertificateRefusal::NoTestRan:
        services_.Dialogs->MessageBox(
            "Note", "You can create a stability certificate only after 24 hours of testing. The last run "
                    "started no test, so it tested nothing: with \"Optimal...\" ticked (Advanced > Tests) "
                    "no test is chosen. Tick \"Random\" and run the test again.");
        return false;
    case session::CertificateRefusal::None:
        break;
    }
    return true;
}

void TForm1::SetCreationWindow(TForm3* creation) {
    creation_ = creation;
    if (creation_)
        creation_->OnCreate = [this](const cert::TCertificateDescription& description) {
            BuildCertificate(description);
        };
}

void TForm1::BuildCertificate(const cert::TCertificateDescription& description) {
    // A run started since the creation window opened has its own work time, which has not earned one.
    if (!CertificateEarned()) return;
    CertificateMaker maker;
    maker.Facts = [this] {
        session::CertificateSources sources;
        sources.ReadProcessor = services_.ReadProcessor;
        sources.Clock = services_.Engine.localClock;
        // The results as they stand at this moment.
        return session::DecideCertificate(session::RecordOf(*run_), sources).Facts;
    };
    maker.Filler = [this] {
        return cert::FillerLine(
            [this](std::int32_t low, std::int32_t high) { return run_->RandomInRange(low, high); });
    };
    if (!app::BuildCertificate(*services_.Dialogs, CertificateHash, services_.ProgramFile, description,
                               maker))
        return;
    Memo2->Clear();
    Memo2->Add(QStringLiteral("Certification Created"));
    ShowPane(Pane::Info);
}

void TForm1::VerifyCertificate1Click() {
    const auto path = ChooseCertificate(*services_.Dialogs, services_.ProgramFile);
    if (!path || !viewer_) return;
    viewer_->Edit1->setText(Q(*path));
    viewer_->show();
}

} // namespace torvane::app
