#include "app/Form4.h"

#include "app/Memo.h"

namespace torvane::app {

TForm4::TForm4(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Mother Board Monitor 4 (MBM) setup"));
    setFixedSize(kClientWidth, kClientHeight);
    setFont(FormFont());
}

} // namespace torvane::app
