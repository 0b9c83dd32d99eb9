#include "app/Application.h"

#include "app/EngineWiring.h"
#include "app/Form1.h"
#include "app/Form2.h"
#include "app/Form3.h"
#include "app/Form4.h"
#include "app/Memo.h"
#include "app/QtDialogs.h"
#include "app/ScreenText.h"
#include "app/TrayIcon.h"
#include "platform/CommandLine.h"
#include "platform/Files.h"

#include <QApplication>

namespace torvane::app {

int RunApplication(int argc, char** argv) {
    QApplication application(argc, argv);
    // The taskbar text. Only the name is set: a display name would be appended to every window title.
    QApplication::setApplicationName(kApplicationTitle);
    QApplication::setOrganizationName(QStringLiteral("Quarnett"));
    QApplication::setWindowIcon(TTrayIcon::ProgramIcon());
    // The program ends with the main window or "Exit", not when the last visible window goes: the main
    // window may be hidden in the notification area.
    QApplication::setQuitOnLastWindowClosed(false);

    QtDialogs dialogs;
    QtShell shell;
    Form1Services services;
    services.Dialogs = &dialogs;
    services.Shell = &shell;
    services.ProgramFile = ProgramFilePath();
    services.CommandLine = RawCommandLine();

    // Form1's creation loads the settings; the viewer copies Memo2's colours, so it comes after.
    TForm1 form1(services);
    dialogs.SetParent(&form1);
    // The test run lives as long as the window it writes on, and goes before it.
    EngineWiring engine(form1);
    TForm2 form2(form1.Memo2);
    form1.SetViewer(&form2);
    TForm3 form3;
    TForm4 form4(dialogs);

    form1.show();
    const int result = QApplication::exec();
    // A run that is still going (the window was closed) ends before the shutdown saves and cleans up.
    engine.Run().State.Stopped = true;
    form1.FormDestroy();
    return result;
}

} // namespace torvane::app
