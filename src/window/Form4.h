#pragma once
// The sensor setup window: which of the three temperatures in the sensor block is the processor's (Q14)
// and which scale the monitor publishes (Q13), with the three current readings refreshed every 100 ms.
// Its choices take effect at the next start.

#include "hw/MBM4Wrapper.h"
#include "platform/Dialogs.h"

#include <QWidget>

#include <string>

class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QTimer;

namespace torvane::app {

class TForm4 final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 440;
    static constexpr int kClientHeight = 234;

    // dialogs shows what escapes the OK command; sensorBlock names the block the readings come from.
    explicit TForm4(IDialogs& dialogs, std::string sensorBlock = hw::SensorBlockName(),
                    QWidget* parent = nullptr);

    QLabel* Label1 = nullptr;
    QLabel* Label3 = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QRadioButton* RadioButton4 = nullptr; // Celsius
    QRadioButton* RadioButton5 = nullptr; // Fahrenheit
    QGroupBox* GroupBox1 = nullptr;
    QRadioButton* RadioButton1 = nullptr; // temperature 1
    QRadioButton* RadioButton2 = nullptr;
    QRadioButton* RadioButton3 = nullptr;
    QPushButton* SpeedButton1 = nullptr; // OK
    QTimer* Timer1 = nullptr;

public slots:
    void Timer1Timer();
    void SpeedButton1Click();

protected:
    // OK stops the refresh; a dialog shown again must show live readings again.
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();

    IDialogs& dialogs_;
    hw::TMBM4Wrapper sensors_;
};

} // namespace torvane::app
