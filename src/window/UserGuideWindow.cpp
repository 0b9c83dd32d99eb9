#include "window/UserGuideWindow.h"

#include "platform/Error.h"
#include "platform/Stream.h"
#include "terminal/ScreenText.h"
#include "window/Memo.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include <cerrno>
#include <sys/stat.h>

namespace torvane::app {

namespace {
// More than any guide: a file that is larger is not the guide, and reading it must not take the
// program's memory.
constexpr std::int64_t kLargestGuide = 4 << 20;
} // namespace

TUserGuideWindow::TUserGuideWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("UserGuide"));
    setWindowTitle(kApplicationTitle + QStringLiteral(" - Documentation"));

    auto* layout = new QVBoxLayout(this);
    Text = new QPlainTextEdit(this);
    Text->setObjectName(QStringLiteral("Text"));
    Text->setReadOnly(true);
    // The guide is laid out in lines of at most 80 characters for a fixed-width font.
    Text->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont font = ScreenFont();
    font.setPixelSize(13);
    Text->setFont(font);
    layout->addWidget(Text, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    CloseButton = new QPushButton(QStringLiteral("Close"), this);
    CloseButton->setObjectName(QStringLiteral("CloseButton"));
    connect(CloseButton, &QPushButton::clicked, this, &QWidget::close);
    buttons->addWidget(CloseButton);
    layout->addLayout(buttons);
    new QShortcut(QKeySequence(Qt::Key_Escape), this, this, &QWidget::close);

    const QFontMetrics metrics(font);
    resize(metrics.horizontalAdvance(QLatin1Char('M')) * 84 + 40, metrics.lineSpacing() * 40 + 60);
}

void TUserGuideWindow::ShowFile(const std::string& path) {
    // Only a file is a guide: a FIFO would hold the window in the open until somebody wrote to it.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) throw EFOpenError(path, errno);
    if (!S_ISREG(st.st_mode)) throw EFOpenError(path, EINVAL);
    TFileStream file(path, FileMode::OpenRead);
    std::string bytes;
    char buffer[65536];
    for (std::int64_t got; (got = file.Read(buffer, sizeof buffer)) > 0;) {
        bytes.append(buffer, static_cast<size_t>(got));
        if (static_cast<std::int64_t>(bytes.size()) > kLargestGuide)
            throw EReadError("File too large: " + path);
    }
    path_ = path;
    Text->setPlainText(QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size())));
    Text->moveCursor(QTextCursor::Start);
    show();
    raise();
    activateWindow();
}

} // namespace torvane::app
