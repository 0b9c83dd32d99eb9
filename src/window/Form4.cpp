#include "window/Form4.h"

#include "engine/SettingsSchema.h"
#include "platform/CommandGuard.h"
#include "platform/Settings.h"
#include "window/Memo.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <vector>

namespace torvane::app {

namespace {

// width 0: as wide as the caption; the temperature captions get room for the readings that follow.
QRadioButton* AddRadio(QGroupBox* group, const char* name, const QString& caption, int left, int top,
                       int width = 0) {
    auto* button = new QRadioButton(caption, group);
    button->setObjectName(QString::fromLatin1(name));
    button->move(left, top);
    if (width)
        button->resize(width, button->sizeHint().height());
    else
        button->adjustSize();
    return button;
}

} // namespace

TForm4::TForm4(IDialogs& dialogs, std::string sensorBlock, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      dialogs_(dialogs), sensors_(std::move(sensorBlock)) {
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Mother Board Monitor 4 (MBM) setup"));
    setFixedSize(kClientWidth, kClientHeight);
    setFont(FormFont());

    Label1 = new QLabel(
        QStringLiteral("To get Torvane Test to work optimaly you must have a freeware program called MBM4."),
        this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(8, 8, 424, 16);
    Label3 = new QLabel(
        QStringLiteral("Torvane Test co-operates with MBM4 to get the temperature of your CPU"), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setGeometry(8, 28, 424, 16);

    GroupBox2 = new QGroupBox(QStringLiteral("Are you using Celsius or Fahrenheit scale in MBM4?"), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    GroupBox2->setGeometry(8, 52, 424, 48);
    RadioButton4 = AddRadio(GroupBox2, "RadioButton4", QStringLiteral("Celsius"), 16, 22);
    RadioButton5 = AddRadio(GroupBox2, "RadioButton5", QStringLiteral("Fahrenheit"), 212, 22);
    RadioButton4->setChecked(true);

    GroupBox1 = new QGroupBox(QStringLiteral("Select what MBM4 temperature is the CPU Temperature"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(8, 106, 424, 88);
    RadioButton1 =
        AddRadio(GroupBox1, "RadioButton1", QStringLiteral("Temp 1 (Current value: 0)"), 16, 20, 200);
    RadioButton2 =
        AddRadio(GroupBox1, "RadioButton2", QStringLiteral("Temp 2 (Current value: 0)"), 16, 41, 200);
    RadioButton3 =
        AddRadio(GroupBox1, "RadioButton3", QStringLiteral("Temp 3 (Current value: 0)"), 16, 62, 200);
    RadioButton1->setChecked(true);

    SpeedButton1 = new QPushButton(QStringLiteral("OK"), this);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setFlat(true);
    SpeedButton1->setGeometry(352, 202, 80, 25);
    connect(SpeedButton1, &QPushButton::clicked, this,
            [this] { RunGuarded(dialogs_, [this] { SpeedButton1Click(); }); });

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(100);
    connect(Timer1, &QTimer::timeout, this, &TForm4::Timer1Timer);

    FormCreate();
}

void TForm4::FormCreate() {
    // The main window's settings load has already told the user about values it could not read; here such
    // a value just leaves the design's choice.
    auto stored = engine::SettingsReader::FromStore();
    const auto scale = stored.Text(engine::settings::TemperatureScale);
    if (scale == "C")
        RadioButton4->setChecked(true);
    else if (scale == "F")
        RadioButton5->setChecked(true);
    if (const auto sensor = stored.Number(engine::settings::TemperatureSensor)) {
        QRadioButton* buttons[] = {RadioButton1, RadioButton2, RadioButton3};
        buttons[*sensor - 1]->setChecked(true);
    }
    Timer1Timer();
    Timer1->start();
}

void TForm4::Timer1Timer() {
    QRadioButton* buttons[] = {RadioButton1, RadioButton2, RadioButton3};
    for (int index = 1; index <= 3; ++index)
        buttons[index - 1]->setText(
            QStringLiteral("Temp %1 (Current value:%2)").arg(index).arg(sensors_.Temperature(index)));
}

void TForm4::SpeedButton1Click() {
    std::vector<SettingsChange> changes;
    if (RadioButton4->isChecked())
        changes.push_back({engine::settings::TemperatureScale.Name, SettingsValue::String("C")});
    if (RadioButton5->isChecked())
        changes.push_back({engine::settings::TemperatureScale.Name, SettingsValue::String("F")});
    QRadioButton* buttons[] = {RadioButton1, RadioButton2, RadioButton3};
    for (int index = 1; index <= 3; ++index)
        if (buttons[index - 1]->isChecked())
            changes.push_back({engine::settings::TemperatureSensor.Name, SettingsValue::Integer(index)});
    SettingsKey().Write(changes);
    Timer1->stop();
    hide();
}

void TForm4::showEvent(QShowEvent* event) {
    if (!Timer1->isActive()) {
        Timer1Timer();
        Timer1->start();
    }
    QWidget::showEvent(event);
}

} // namespace torvane::app
