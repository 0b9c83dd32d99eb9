#include "app/Form3.h"

#include "app/Memo.h"

namespace torvane::app {

TForm3::TForm3(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Create a certificate"));
    setFixedSize(kClientWidth, kClientHeight);
    setFont(FormFont());
}

} // namespace torvane::app
