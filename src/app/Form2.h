#pragma once
// The certificate viewer. It is laid out in full so that the main window can colour its text pane and
// hand it a path; reading and checking certificates arrives with the certificate work.

#include <QPointer>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

namespace torvane::app {

class TMemo;

class TForm2 final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 518;
    static constexpr int kClientHeight = 375;

    // colourSource: the main window's information pane, whose colours the text pane takes.
    explicit TForm2(QWidget* colourSource, QWidget* parent = nullptr);

    QLabel* Panel2 = nullptr;
    TMemo* Memo1 = nullptr;
    QWidget* Panel1 = nullptr;
    QLabel* Label1 = nullptr;
    QPushButton* SpeedButton1 = nullptr;
    QLineEdit* Edit1 = nullptr; // the file-name box, never visible

    void CopyColours();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Edit1Change();

    QPointer<QWidget> colourSource_;
};

} // namespace torvane::app
