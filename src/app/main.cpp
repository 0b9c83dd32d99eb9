#include "app/headless/Headless.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
    // The terminal front end needs no display; decide before any window exists.
    if (torvane::app::WantsHeadless(argc, argv)) return torvane::app::RunHeadless(argc, argv);

    QApplication app(argc, argv);
    QApplication::setApplicationName("Torvane Test");
    QMainWindow w;
    w.setWindowTitle("Torvane Test 5.0 by Quarnett");
    w.show();
    return QApplication::exec();
}
