#include "terminal/HeadlessOptions.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QStringList>

#include <algorithm>
#include <cstring>
#include <utility>

namespace torvane::app {

namespace {

// Qt's own options of a window program (QGuiApplication and QApplication read them from the command
// line); they belong to the window, as --headless and its options belong to the terminal run.
const char* const WindowOptionsWithValue[] = {"platform",      "platformpluginpath",
                                              "platformtheme", "plugin",
                                              "qmljsdebugger", "qwindowgeometry",
                                              "qwindowicon",   "qwindowtitle",
                                              "session",       "display",
                                              "geometry",      "name",
                                              "title",         "style",
                                              "stylesheet"};
const char* const WindowSwitches[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};

QString Q(const char* s) {
    return QString::fromUtf8(s);
}

} // namespace

HeadlessOptions ParseHeadlessOptions(const std::vector<std::string>& args) {
    HeadlessOptions o;
    QCommandLineParser parser;
    // "-platform xcb", as Qt's window options are written, is one option, not eight letters.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption headless(QStringLiteral("headless"));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));
    const QCommandLineOption verify(QStringLiteral("verify"));
    const QCommandLineOption start(QStringLiteral("start"));
    parser.addOptions({headless, help, version, verify, start});
    for (const auto& option : session::RunOptionTable())
        parser.addOption(QCommandLineOption(Q(option.Name), Q(option.Help),
                                            option.ValueName ? Q(option.ValueName) : QString()));
    QStringList windowOptions;
    for (const char* name : WindowOptionsWithValue) {
        parser.addOption(QCommandLineOption(Q(name), QString(), QStringLiteral("value")));
        windowOptions << Q(name);
    }
    for (const char* name : WindowSwitches) {
        parser.addOption(QCommandLineOption(Q(name)));
        windowOptions << Q(name);
    }

    QStringList arguments{QStringLiteral("torvane")};
    for (const auto& a : args) arguments << QString::fromStdString(a);
    if (!parser.parse(arguments)) {
        o.Error = parser.errorText().toStdString();
        return o;
    }
    o.Headless = parser.isSet(headless);
    o.Help = parser.isSet(help);
    o.Version = parser.isSet(version);
    o.Verify = parser.isSet(verify);
    o.Start = parser.isSet(start);
    if (o.Start && o.Headless) {
        o.Error = "--start starts the window's test run; it does not go with --headless";
        return o;
    }
    if (o.Verify) {
        if (o.Headless || o.Start) {
            o.Error = std::string("--verify checks certificates; it does not go with ") +
                      (o.Headless ? "--headless" : "--start");
            return o;
        }
        for (const auto& file : parser.positionalArguments()) o.VerifyFiles.push_back(file.toStdString());
        if (o.VerifyFiles.empty() && !o.Help && !o.Version) {
            o.Error = "--verify needs the certificate files to check";
            return o;
        }
    }

    const bool explaining = o.Help || o.Version;
    for (const auto& option : session::RunOptionTable()) {
        const QString name = Q(option.Name);
        if (!parser.isSet(name)) continue;
        const bool terminal = option.Forms & session::TerminalRun;
        const bool window = option.Forms & session::WindowRun;
        const std::string given = "option '--" + std::string(option.Name) + "'";
        if (!explaining && !(o.Headless && terminal) && !(o.Start && window)) {
            o.Error = !window     ? given + " belongs to the terminal run: add --headless"
                      : !terminal ? given + " belongs to the window's run: add --start"
                                  : given + " belongs to a test run: add --headless (the terminal) or "
                                            "--start (the window)";
            return o;
        }
        const QStringList values = parser.values(name);
        const std::string value = values.isEmpty() ? std::string() : values.last().toStdString();
        if (auto problem = option.Apply(value, o)) {
            o.Error = *problem;
            return o;
        }
    }
    if (auto problem = session::CheckTogether(o, o.Start)) {
        o.Error = *problem;
        return o;
    }
    if (o.Start && !parser.positionalArguments().isEmpty()) {
        o.Error = "unexpected argument '" + parser.positionalArguments().front().toStdString() +
                  "' for the window's test run";
        return o;
    }
    if (o.Headless) {
        for (const auto& name : windowOptions)
            if (parser.isSet(name)) {
                o.Error =
                    "option '-" + name.toStdString() + "' belongs to the window, not to the terminal run";
                return o;
            }
        if (!parser.positionalArguments().isEmpty())
            o.Error = "unexpected argument '" + parser.positionalArguments().front().toStdString() +
                      "' for the terminal run";
    }
    return o;
}

std::string HeadlessUsage(const std::string& program) {
    std::size_t widest = 0;
    for (const auto& option : session::RunOptionTable())
        if (option.Help)
            widest = std::max(widest, 4 + std::strlen(option.Name) +
                                          (option.ValueName ? 1 + std::strlen(option.ValueName) : 0));
    const std::string indent(std::max<std::size_t>(17, widest + 2), ' ');
    std::string options;
    for (const auto& option : session::RunOptionTable()) {
        if (!option.Help) continue;
        std::string head = "  --" + std::string(option.Name);
        if (option.ValueName) head += " " + std::string(option.ValueName);
        head.resize(std::max(head.size() + 2, indent.size()), ' ');
        std::string help = option.Help;
        for (std::size_t at = help.find('\n'); at != std::string::npos; at = help.find('\n', at + 1))
            help.insert(at + 1, indent);
        options += head + help + "\n";
    }
    const std::pair<std::string, std::string> forms[] = {
        {"", "open the main window"},
        {" FILE.tvc", "open the stability certificate FILE.tvc in the viewer"},
        {" --headless [OPTIONS]", "run the test in the terminal, for servers and scripts"},
        {" --start [OPTIONS]", "open the main window and start its test run at once"},
        {" --verify FILE.tvc...", "check stability certificates and print their records"},
        {" --help | --version", ""},
    };
    std::size_t width = 0;
    for (const auto& form : forms) width = std::max(width, 2 + program.size() + form.first.size() + 2);
    std::string usage = "Usage:\n";
    for (const auto& [form, what] : forms) {
        std::string line = "  " + program + form;
        if (!what.empty()) line.resize(std::max(line.size() + 2, width), ' ');
        usage += line + what + "\n";
    }
    return usage +
           "\n"
           "The terminal run is a 5-minute heat-up, then Whetstone and MMX tests (and with --encryption\n"
           "encryption tests) in random order, until the run is stopped. Its log goes to standard output.\n"
           "The window's run (--start) takes the window's choices (the Advanced menu's Mode and Tests)\n"
           "and of the options below only --inject-fault. The options (values in any case):\n"
           "\n" +
           options + "  --help, -h" + std::string(indent.size() - 12, ' ') +
           "show this help and exit\n"
           "  --version" +
           std::string(indent.size() - 11, ' ') +
           "show the version and exit\n"
           "\n"
           "Ctrl-C (SIGINT), SIGTERM or SIGHUP stops the terminal run the ordinary way and prints the\n"
           "results. Exit status: 0 no error found, 1 the run stopped on an error, 2 bad command line\n"
           "(or a display that cannot be opened), 3 the run log could not be written to standard output\n"
           "(the run then stops and its results go to standard error) or the events could not be written\n"
           "(the run goes on without them), 4 the run found no error but the\n"
           "certificate asked for was not written. With --workers a worker that dies (or does not stop\n"
           "when asked) is an error of its processor: exit status 1.\n"
           "\n"
           "--verify prints, for each file, the record of an authentic certificate, \"This Certificate is\n"
           "FAKE!!\" or why the file is no certificate. Exit status: 0 all authentic, 1 a forgery or a file\n"
           "that is no certificate, 2 a file that cannot be read or a bad command line. File names and\n"
           "record lines that hold a backslash, a line end or another control character are escaped as\n"
           "md5sum escapes names: the line starts with a backslash, and \\\\, \\n, \\r, \\t and \\xHH stand\n"
           "for the characters, so that no text forges a line or moves the cursor.\n"
           "\n"
           "Environment:\n"
           "  TORVANE_CONFIG_DIR    the folder of the settings store\n"
           "  XDG_CONFIG_HOME       where the settings store is made (default ~/.config)\n"
           "  XDG_CACHE_HOME        where the work folder of a new settings store is made (default "
           "~/.cache)\n"
           "  XDG_DATA_HOME         where \"Register FileType\" registers certificates (default "
           "~/.local/share)\n"
           "  TORVANE_SENSOR_BLOCK  the name of the sensor block (default /$M$B$M$)\n"
           "\n"
           "Files:\n"
           "  ~/.config/Quarnett/Torvane Test/settings.conf\n"
           "                        the settings; a damaged file is kept aside, never overwritten\n"
           "  ~/.cache/Quarnett/Torvane Test/\n"
           "                        the work folder of a new settings store, where the encryption test\n"
           "                        writes TORVA_1.tmp, TORVA_2.tmp and TORVA_3.tmp\n"
           "  /dev/shm/$M$B$M$\n"
           "                        the temperatures torvane-sensors publishes\n"
           "  /usr/share/torvane/readme.txt\n"
           "                        the user guide that Help > Documentation shows (readme.txt beside\n"
           "                        the program where it lies there)\n"
           "\n"
           "Examples:\n"
           "  torvane --headless --minutes 60 --mode hardcore\n"
           "                        an hour of work time under the heaviest load, in the terminal\n"
           "  torvane --headless --workers all --events run.jsonl --metrics torvane.prom\n"
           "                        every processor at once, with the run's events and metrics in files\n"
           "  torvane --headless --minutes 1500 --certificate day.tvc --owner \"J. Doe\"\n"
           "                        a day and an hour, then the machine's stability certificate\n"
           "  torvane --start\n"
           "                        the window, testing at once (a login's autostart entry)\n"
           "  torvane --verify day.tvc\n"
           "                        check a certificate\n";
}

} // namespace torvane::app
