#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Torvane Test");
    QMainWindow w;
    w.setWindowTitle("Torvane Test 5.0 by Quarnett");
    w.show();
    return QApplication::exec();
}
