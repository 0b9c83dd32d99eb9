#include "window/Form2.h"

#include "platform/Files.h"
#include "window/Memo.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace torvane::app {

namespace {

// Fewer lines than any record has: nothing to show.
constexpr int kShownLinesAtLeast = 10;

} // namespace

TForm2::TForm2(QWidget* colourSource, IDialogs& dialogs, crypto::THashManager& hash, QWidget* parent)
    : QWidget(parent,
              Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      colourSource_(colourSource), dialogs_(dialogs), hash_(hash) {
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
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    layout->addWidget(Memo1, 1);

    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedHeight(33);
    Label1 = new QLabel(QStringLiteral("This Certificate is verified to be Authentic"), Panel1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(8, 8);
    Label1->hide();
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

void TForm2::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    FormPaint();
}

void TForm2::FormPaint() {
    // Closing from inside a paint event would hide the window while it is being drawn.
    if (Memo1->Count() < kShownLinesAtLeast && isVisible())
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void TForm2::Edit1Change() {
    const auto path = Edit1->text().toStdString();
    if (!FileExists(path)) {
        // Hidden, not closed: a viewer of the hand-over goes away when it closes, and its caller is
        // about to show it.
        hide();
        return;
    }
    // Nothing of an earlier certificate stays on screen, whatever this one turns out to be.
    Memo1->Clear();
    Label1->hide();
    last_ = {};
    try {
        // The check works on a copy in memory: the file is only read, so a read-only certificate
        // verifies and nothing can leave it unscrambled.
        last_ = cert::VerifyCertificateFile(hash_, path);
    } catch (const std::exception& e) {
        dialogs_.ErrorBox(e.what());
    }
    if (last_.State == cert::TCertificateState::Authentic) {
        for (const auto& line : last_.Record) Memo1->Add(QString::fromStdString(line));
        Memo1->verticalScrollBar()->setValue(0);
        Label1->show();
    } else if (last_.State == cert::TCertificateState::Fake) {
        dialogs_.MessageBox("Error!!", "This Certificate is FAKE!!");
    }
    // Emptying the box closes the viewer (the caller shows it again), and lets the same file be checked
    // again.
    Edit1->setText(QString());
}

} // namespace torvane::app
