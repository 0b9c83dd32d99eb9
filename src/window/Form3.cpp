#include "window/Form3.h"

#include "platform/CommandGuard.h"
#include "window/Memo.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace torvane::app {

TForm3::TForm3(IDialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      dialogs_(dialogs) {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Create a certificate"));
    setFixedSize(kClientWidth, kClientHeight);
    setFont(FormFont());

    struct Row {
        QLabel*& label;
        QLineEdit*& edit;
        const char* caption;
        int top;
    };
    const Row rows[] = {{Label1, Edit1, "Your name:", 17},   {Label2, Edit2, "CPU:", 49},
                        {Label3, Edit3, "Motherboard:", 73}, {Label4, Edit4, "Cooling:", 97},
                        {Label5, Edit5, "RAM:", 129},        {Label6, Edit6, "OS:", 153}};
    int number = 1;
    QWidget* previous = nullptr;
    for (const auto& row : rows) {
        row.label = new QLabel(QString::fromLatin1(row.caption), this);
        row.label->setObjectName(QStringLiteral("Label%1").arg(number));
        row.label->move(8, row.top + 3);
        row.edit = new QLineEdit(this);
        row.edit->setObjectName(QStringLiteral("Edit%1").arg(number));
        row.edit->setGeometry(85, row.top, 180, 21);
        if (previous) setTabOrder(previous, row.edit);
        previous = row.edit;
        ++number;
    }
    Label7 = new QLabel(QStringLiteral("Additional info:"), this);
    Label7->setObjectName(QStringLiteral("Label7"));
    Label7->move(1, 186);
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setGeometry(13, 206, 244, 99);
    // Tab moves on, as in the one-line boxes, rather than typing a tab.
    Memo1->setTabChangesFocus(true);
    setTabOrder(previous, Memo1);

    // A flat button that takes no focus, so the tab order is the seven boxes alone.
    SpeedButton1 = new QPushButton(QStringLiteral("OK"), this);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setFlat(true);
    SpeedButton1->setFocusPolicy(Qt::NoFocus);
    SpeedButton1->setGeometry(197, 318, 68, 25);
    connect(SpeedButton1, &QPushButton::clicked, this, &TForm3::SpeedButton1Click);
}

cert::TCertificateDescription TForm3::Description() const {
    cert::TCertificateDescription d;
    d.Owner = Edit1->text().toStdString();
    d.Cpu = Edit2->text().toStdString();
    d.Motherboard = Edit3->text().toStdString();
    d.Cooling = Edit4->text().toStdString();
    d.Ram = Edit5->text().toStdString();
    d.Os = Edit6->text().toStdString();
    d.AdditionalInfo = cert::AdditionalInfoLines(Memo1->toPlainText().toStdString());
    return d;
}

void TForm3::SpeedButton1Click() {
    if (Memo1->toPlainText().isEmpty()) Memo1->setPlainText(QStringLiteral("N/A"));
    const auto description = Description();
    if (RunGuarded(dialogs_, [&] {
            if (OnCreate) OnCreate(description);
        }))
        close();
}

} // namespace torvane::app
