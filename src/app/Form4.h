#pragma once
// The MBM4 (Motherboard Monitor 4) setup window; its choices and temperature readings arrive with the
// temperature work.

#include <QWidget>

namespace torvane::app {

class TForm4 final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 440;
    static constexpr int kClientHeight = 234;
    explicit TForm4(QWidget* parent = nullptr);
};

} // namespace torvane::app
