#pragma once
// The certificate creation window; its fields and the certificate builder arrive with the certificate
// work. It exists from start-up so that whatever is typed into it stays between uses.

#include <QWidget>

namespace torvane::app {

class TForm3 final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 273;
    static constexpr int kClientHeight = 347;
    explicit TForm3(QWidget* parent = nullptr);
};

} // namespace torvane::app
