#pragma once
// The certificate viewer. Setting the hidden file-name box Edit1 checks the certificate of that name;
// the viewer shows the record of an authentic one under the note that it is verified, and nothing
// otherwise: a viewer without a record closes itself when it paints.

#include "cert/Verifier.h"
#include "crypto/Managers.h"
#include "platform/Dialogs.h"

#include <QPointer>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

namespace torvane::app {

class TMemo;

class TForm2 final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 518;
    static constexpr int kClientHeight = 375;

    // colourSource: the main window's information pane, whose colours the text pane takes. hash: the
    // main window's certificate hash manager.
    TForm2(QWidget* colourSource, IDialogs& dialogs, crypto::THashManager& hash, QWidget* parent = nullptr);

    QLabel* Panel2 = nullptr;
    TMemo* Memo1 = nullptr;
    QWidget* Panel1 = nullptr;
    QLabel* Label1 = nullptr; // shown only above a verified record
    QPushButton* SpeedButton1 = nullptr;
    QLineEdit* Edit1 = nullptr; // the file-name box, never visible

    void CopyColours();
    // The paint handling: a viewer with nothing valid to show closes.
    void FormPaint();
    // The outcome of the last check (EarlyStop before any).
    const cert::TVerification& LastVerification() const { return last_; }

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void Edit1Change();

    QPointer<QWidget> colourSource_;
    IDialogs& dialogs_;
    crypto::THashManager& hash_;
    cert::TVerification last_;
};

} // namespace torvane::app
