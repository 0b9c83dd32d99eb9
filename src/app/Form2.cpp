#include "app/Form2.h"

#include "app/Memo.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace torvane::app {

TForm2::TForm2(QWidget* colourSource, QWidget* parent)
    : QWidget(parent,
              Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      colourSource_(colourSource) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Certificate viewer"));
    setFixedSize(kClientWidth, kClientHeight);
    setFont(FormFont());

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    Panel2 = new QLabel(
        QStringLiteral("Make this Certificate available for Download, any screenshot may be fake."), this);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setAlignment(Qt::AlignCenter);
    Panel2->setFixedHeight(25);
    Panel2->setFrameShape(QFrame::Panel);
    Panel2->setFrameShadow(QFrame::Raised);
    layout->addWidget(Panel2);

    Memo1 = new TMemo(QStringLiteral("Memo1"), this);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    layout->addWidget(Memo1, 1);

    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedHeight(33);
    Label1 = new QLabel(QStringLiteral("This Certificate is verified to be Authentic"), Panel1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(8, 8);
    SpeedButton1 = new QPushButton(QStringLiteral("Close"), Panel1);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setFlat(true);
    SpeedButton1->setGeometry(446, 5, 65, 22);
    connect(SpeedButton1, &QPushButton::clicked, this, &QWidget::close);
    layout->addWidget(Panel1);

    Edit1 = new QLineEdit(QStringLiteral("Edit1"), this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->hide();
    // textChanged fires only on a different text, as the box's change event always did.
    connect(Edit1, &QLineEdit::textChanged, this, &TForm2::Edit1Change);

    CopyColours();
}

void TForm2::CopyColours() {
    if (!colourSource_) return;
    const auto source = colourSource_->palette();
    auto palette = Memo1->palette();
    for (auto role : {QPalette::Base, QPalette::Window}) palette.setColor(role, source.color(QPalette::Base));
    for (auto role : {QPalette::Text, QPalette::WindowText})
        palette.setColor(role, source.color(QPalette::Text));
    Memo1->setPalette(palette);
}

void TForm2::showEvent(QShowEvent* event) {
    CopyColours();
    QWidget::showEvent(event);
}

void TForm2::Edit1Change() {
    Memo1->Clear();
    Memo1->Add(Edit1->text());
    Memo1->Add(QString());
    Memo1->Add(QStringLiteral("Checking certificates is not part of this version yet."));
}

} // namespace torvane::app
