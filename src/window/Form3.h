#pragma once
// The certificate creation window: the user's description of the machine. It exists from start-up, so
// that whatever is typed into it stays between uses; "OK" hands the description on.

#include "cert/Certificate.h"
#include "platform/Dialogs.h"

#include <QWidget>

#include <functional>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace torvane::app {

class TForm3 final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 273;
    static constexpr int kClientHeight = 347;

    // dialogs shows what the creation throws.
    explicit TForm3(IDialogs& dialogs, QWidget* parent = nullptr);

    // Writes the certificate (or lets the user cancel). An exception keeps the window open with what was
    // typed, after the error box has shown it.
    std::function<void(const cert::TCertificateDescription&)> OnCreate;

    // The fields as typed, "Additional info" split into its lines.
    cert::TCertificateDescription Description() const;

    QLabel* Label1 = nullptr; // "Your name:"
    QLabel* Label2 = nullptr; // "CPU:"
    QLabel* Label3 = nullptr; // "Motherboard:"
    QLabel* Label4 = nullptr; // "Cooling:"
    QLabel* Label5 = nullptr; // "RAM:"
    QLabel* Label6 = nullptr; // "OS:"
    QLabel* Label7 = nullptr; // "Additional info:"
    QLineEdit* Edit1 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QLineEdit* Edit3 = nullptr;
    QLineEdit* Edit4 = nullptr;
    QLineEdit* Edit5 = nullptr;
    QLineEdit* Edit6 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QPushButton* SpeedButton1 = nullptr;

public slots:
    void SpeedButton1Click();

private:
    IDialogs& dialogs_;
};

} // namespace torvane::app
