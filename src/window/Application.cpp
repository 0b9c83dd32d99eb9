#include "window/Application.h"

#include "launcher/ProgramUsersRun.h"
#include "platform/CommandLine.h"
#include "platform/Files.h"
#include "platform/StopSignals.h"
#include "terminal/ScreenText.h"
#include "window/Form1.h"
#include "window/Form2.h"
#include "window/Form3.h"
#include "window/Form4.h"
#include "window/Memo.h"
#include "window/QtDialogs.h"
#include "window/TrayIcon.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <unistd.h>
#include <utility>
#include <vector>

namespace torvane::app {

namespace {

// What Qt says while the platform starts, held back: on success it is passed on, on failure the user
// gets one plain explanation instead of an abort with a core dump.
QtMessageHandler g_qtHandler = nullptr;
std::vector<std::pair<QtMsgType, QString>> g_startMessages;

void HoldStartMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type != QtFatalMsg) {
        g_startMessages.emplace_back(type, message);
        return;
    }
    const char* display = std::getenv("DISPLAY");
    std::fprintf(stderr, "torvane: the display%s%s cannot be opened", display ? " " : "",
                 display ? display : "");
    if (!g_startMessages.empty())
        std::fprintf(stderr, " (%s)", g_startMessages.front().second.toLocal8Bit().constData());
    std::fprintf(stderr, ".\nRun 'torvane --headless' for a test run in the terminal.\n");
    std::fflush(stderr);
    std::_Exit(2);
}

// The main window while its exit paths are watched.
TForm1* g_form = nullptr;

void ShutDownOnExit() {
    if (TForm1* form = g_form) {
        g_form = nullptr;
        form->ShutDownWithoutDisplay();
    }
}

} // namespace

WindowExitPaths::WindowExitPaths(TForm1& form) {
    if (StopSignalFd() >= 0) {
        stopSignals_ = std::make_unique<QSocketNotifier>(StopSignalFd(), QSocketNotifier::Read);
        QObject::connect(stopSignals_.get(), &QSocketNotifier::activated, &form, [&form] {
            char buf[16];
            while (::read(StopSignalFd(), buf, sizeof buf) > 0) {
            }
            form.EndOnRequest();
        });
    }
    g_form = &form;
    static const bool registered = std::atexit(ShutDownOnExit) == 0;
    (void)registered;
}

WindowExitPaths::~WindowExitPaths() {
    g_form = nullptr;
}

int RunApplication(int argc, char** argv, const WindowStart& start) {
    g_qtHandler = qInstallMessageHandler(HoldStartMessages);
    QApplication application(argc, argv);
    qInstallMessageHandler(g_qtHandler);
    for (const auto& [type, message] : g_startMessages) g_qtHandler(type, QMessageLogContext(), message);
    g_startMessages.clear();
    // The taskbar text. Only the name is set: a display name would be appended to every window title.
    QApplication::setApplicationName(kApplicationTitle);
    QApplication::setOrganizationName(QStringLiteral("Quarnett"));
    // The desktop entry an installation puts in the menu, so that the desktop's task list shows its icon
    // and name for the program's windows (Wayland names windows by it).
    QApplication::setDesktopFileName(QStringLiteral("torvane"));
    QApplication::setWindowIcon(TTrayIcon::ProgramIcon());
    // The program ends with the main window or "Exit", not when the last visible window goes: the main
    // window may be hidden in the notification area.
    QApplication::setQuitOnLastWindowClosed(false);

    QtDialogs dialogs;
    QtShell shell;
    Form1Services services;
    services.Dialogs = &dialogs;
    services.Shell = &shell;
    // The desktop is told of the program users run; the workers are this very program, without the
    // launcher between (the supervisor holds their stop signals itself until they run).
    services.ProgramFile = ProgramUsersRun();
    services.CommandLine = BuildRawCommandLine(services.ProgramFile, ProcessArguments());
    services.WorkerProgram = ProgramFilePath();

    // Form1's creation (with its test run) loads the settings; the viewer copies Memo2's colours, so it
    // comes after.
    TForm1 form1(services);
    dialogs.SetParent(&form1);
    TForm2 form2(form1.Memo2, dialogs, form1.CertificateHash);
    form1.SetViewer(&form2);
    TForm3 form3(dialogs);
    form1.SetCreationWindow(&form3);
    TForm4 form4(dialogs);
    form1.SetSensorSetup(&form4);

    // A request that came while the window was being made waits in the pipe and ends it at once.
    auto exitPaths = std::make_unique<WindowExitPaths>(form1);
    form1.show();
    // --start: the run starts as "Start" starts it, once the window is up.
    if (start.Start)
        QTimer::singleShot(0, &form1, [&form1, fault = start.Fault] {
            if (fault) form1.InjectFault(*fault);
            form1.Run().ClickMenuItem(engine::MenuItem::Start1);
        });
    const int result = QApplication::exec();
    exitPaths.reset();
    // A run that is still going (the loop was ended from outside) ends before the shutdown saves.
    form1.Run().ClickMenuItem(engine::MenuItem::Stop1);
    form1.Run().State.Stopped = true;
    form1.FormDestroy();
    return result;
}

} // namespace torvane::app
