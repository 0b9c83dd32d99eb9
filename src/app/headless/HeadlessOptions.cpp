#include "app/headless/HeadlessOptions.h"

#include "engine/SettingsSchema.h"
#include "engine/Workloads.h"
#include "platform/Files.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QStringList>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <utility>

namespace torvane::app {

namespace {

std::string Lower(std::string s) {
    for (auto& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

std::optional<std::string> ApplyMode(const std::string& value, HeadlessOptions& o) {
    const auto v = Lower(value);
    if (v == "idle")
        o.LoadMode = HeadlessOptions::Mode::Idle;
    else if (v == "normal")
        o.LoadMode = HeadlessOptions::Mode::Normal;
    else if (v == "hardcore")
        o.LoadMode = HeadlessOptions::Mode::Hardcore;
    else
        return "unknown mode '" + value + "' (idle, normal or hardcore)";
    return std::nullopt;
}

std::optional<std::string> ApplyMinutes(const std::string& value, HeadlessOptions& o) {
    long long n = 0;
    const auto res = std::from_chars(value.data(), value.data() + value.size(), n);
    if (res.ec != std::errc() || res.ptr != value.data() + value.size() || n < 1 || n > MaxMinutes)
        return "'" + value + "' is not a number of minutes (1 to " + std::to_string(MaxMinutes) + ")";
    o.Minutes = static_cast<int>(n);
    return std::nullopt;
}

// The names of the tests, as the command line writes them.
std::vector<std::string> TestNames() {
    std::vector<std::string> names;
    for (const auto* info : engine::WorkloadDescriptions())
        if (info->TestKind >= 0) names.push_back(Lower(info->Name));
    return names;
}

// "whetstone, mmx or encryption"
std::string NameList(const char* conjunction) {
    const auto names = TestNames();
    std::string r;
    for (std::size_t i = 0; i < names.size(); ++i)
        r += (i == 0 ? "" : i + 1 == names.size() ? std::string(" ") + conjunction + " " : ", ") + names[i];
    return r;
}

std::optional<std::string> ApplyEncryption(const std::string&, HeadlessOptions& o) {
    o.Encryption = true;
    return std::nullopt;
}

std::optional<std::string> ApplyTests(const std::string& value, HeadlessOptions& o) {
    std::vector<std::string> tests;
    std::size_t at = 0;
    for (;;) {
        const auto comma = value.find(',', at);
        auto name = Lower(value.substr(at, comma == std::string::npos ? std::string::npos : comma - at));
        name.erase(0, name.find_first_not_of(' '));
        name.erase(name.find_last_not_of(' ') + 1);
        if (!engine::FindTest(name))
            return "'" + name + "' in '" + value + "' is not a test (" + NameList("or") + ")";
        if (std::find(tests.begin(), tests.end(), name) == tests.end()) tests.push_back(name);
        if (comma == std::string::npos) break;
        at = comma + 1;
    }
    o.Tests = tests;
    return std::nullopt;
}

std::optional<std::string> ApplyTempDir(const std::string& value, HeadlessOptions& o) {
    if (value.empty() || !DirectoryExists(value)) return "work folder '" + value + "' is not a folder";
    o.TempDir = WithTrailingSeparator(value);
    return std::nullopt;
}

std::optional<std::string> ApplyMaxTempSize(const std::string& value, HeadlessOptions& o) {
    const auto& rule = engine::settings::MaxTempSize;
    const auto unit = engine::MaxTempSizeUnit;
    long long mb = 0;
    const auto res = std::from_chars(value.data(), value.data() + value.size(), mb);
    if (res.ec != std::errc() || res.ptr != value.data() + value.size() || mb > rule.Max / unit ||
        engine::RangeProblem(rule, mb * unit))
        return "'" + value + "' is not a size in MB (" + std::to_string(rule.Min / unit) + " to " +
               std::to_string(rule.Max / unit) + ")";
    o.MaxTempSize = static_cast<std::int32_t>(mb * unit);
    return std::nullopt;
}

std::optional<std::string> ApplyInjectFault(const std::string& value, HeadlessOptions& o) {
    FaultSpec fault;
    if (auto problem = ParseFaultSpec(value, fault)) return problem;
    o.InjectFault = fault;
    return std::nullopt;
}

// A whole number within [low, high], all of the text.
std::optional<long long> WholeNumber(const std::string& text, long long low, long long high) {
    long long n = 0;
    const auto res = std::from_chars(text.data(), text.data() + text.size(), n);
    if (res.ec != std::errc() || res.ptr != text.data() + text.size() || n < low || n > high)
        return std::nullopt;
    return n;
}

// More workers than this would be a typing error, not a machine.
constexpr int MaxWorkers = 4096;

std::optional<std::string> ApplyWorkers(const std::string& value, HeadlessOptions& o) {
    if (Lower(value) == "all") {
        o.AllProcessors = true;
        return std::nullopt;
    }
    const auto n = WholeNumber(value, 1, MaxWorkers);
    if (!n)
        return "'" + value + "' is not a number of workers (1 to " + std::to_string(MaxWorkers) + ", or all)";
    o.Workers = static_cast<int>(*n);
    o.AllProcessors = false;
    return std::nullopt;
}

std::optional<std::string> ApplyWorker(const std::string& value, HeadlessOptions& o) {
    const auto colon = value.find(':');
    const auto index = WholeNumber(value.substr(0, colon), 0, MaxWorkers - 1);
    const auto cpu =
        colon == std::string::npos ? std::nullopt : WholeNumber(value.substr(colon + 1), 0, 8191);
    if (!index || !cpu) return "'" + value + "' is not a worker (N:CPU)";
    o.Worker = WorkerRole{static_cast<int>(*index), static_cast<int>(*cpu)};
    return std::nullopt;
}

std::optional<std::string> ApplyEvents(const std::string& value, HeadlessOptions& o) {
    if (value.empty()) return std::string("--events needs a file name, or - for standard output");
    o.Events = value;
    return std::nullopt;
}

std::optional<std::string> ApplyMetrics(const std::string& value, HeadlessOptions& o) {
    // The file is replaced as a whole, which standard output cannot be.
    if (value.empty() || value == "-") return std::string("--metrics needs the name of the file to write");
    o.Metrics = value;
    return std::nullopt;
}

// Whether two outputs are one file: one name, two names of an existing file, or two spellings of a name
// that does not exist yet.
bool SameOutput(const std::string& a, const std::string& b) {
    if (SameFile(a, b)) return true;
    std::error_code ea, eb;
    const auto ca = std::filesystem::weakly_canonical(std::filesystem::absolute(a, ea), ea);
    const auto cb = std::filesystem::weakly_canonical(std::filesystem::absolute(b, eb), eb);
    return !ea && !eb && ca == cb;
}

// What the options ask of each other, once all are read.
std::optional<std::string> CheckTogether(HeadlessOptions& o) {
    if (o.Supervised() && o.Worker)
        return std::string("a worker runs on one processor: --workers does not go with --worker");
    if (o.Supervised() && !o.Certificate.empty())
        return std::string("a certificate records a single run: --certificate does not go with --workers");
    // Each output replaces or adds to its own file: in one file the metrics would wipe out the events.
    if (!o.Events.empty() && !o.Metrics.empty() &&
        SameOutput(o.Events == "-" ? "/dev/stdout" : o.Events, o.Metrics))
        return "--events and --metrics name the same file (" + o.Metrics + "): each needs a file of its own";
    for (const auto* other : {&o.Events, &o.Metrics})
        if (!o.Certificate.empty() && !other->empty() && SameOutput(o.Certificate, *other))
            return "--certificate names the file of another output (" + o.Certificate + ")";
    if (o.InjectFault && o.InjectFault->Cpu && !o.Supervised())
        return "--inject-fault " + o.InjectFault->Test + "@" + std::to_string(*o.InjectFault->Cpu) +
               " names a processor: add --workers N or --workers all";
    const auto chosen = [&](const std::string& name) {
        return o.Tests.empty() || std::find(o.Tests.begin(), o.Tests.end(), name) != o.Tests.end();
    };
    // Asking for the encryption test by name asks for it to run.
    if (!o.Tests.empty() && chosen("encryption")) o.Encryption = true;
    if (!o.InjectFault) return std::nullopt;
    const auto& kind = o.InjectFault->Test;
    // Whetstone and MMX passes run beside every encryption cycle.
    const bool reached = kind == "encryption" ? o.Encryption && chosen(kind)
                                              : chosen(kind) || (o.Encryption && chosen("encryption"));
    if (!reached)
        return "--inject-fault " + kind + ": the run has no " + kind + " test" +
               (kind == "encryption" ? " (add --encryption or --tests encryption)" : "");
    return std::nullopt;
}
std::optional<std::string> ApplyCertificate(const std::string& value, HeadlessOptions& o) {
    if (value.empty()) return std::string("--certificate needs the name of the file to write");
    o.Certificate = value;
    return std::nullopt;
}

// The description of the machine: taken as written, checked when the run starts.
template <std::string HeadlessOptions::*Field, const char* Name>
std::optional<std::string> ApplyDescription(const std::string& value, HeadlessOptions& o) {
    o.*Field = value;
    o.Described.emplace_back(Name);
    return std::nullopt;
}
constexpr char kOwner[] = "owner", kCpu[] = "cpu", kMotherboard[] = "motherboard", kCooling[] = "cooling",
               kRam[] = "ram", kOs[] = "os", kInfo[] = "info";

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

const std::vector<HeadlessOption>& HeadlessOptionTable() {
    static const std::vector<HeadlessOption> table = {
        {"mode", "MODE",
         "load mode: idle (lowest priority, no heat-up), normal (default) or\n"
         "hardcore (raised priorities where the system allows it)",
         ApplyMode},
        {"minutes", "N", "stop after N minutes of work time and print the results", ApplyMinutes},
        {"encryption", nullptr,
         "add the encryption test (a file encrypted and decrypted in the work folder;\n"
         "\"No Encryption tests\" unticked)",
         ApplyEncryption},
        {"tests", "LIST",
         "the tests the run chooses from, a comma list of whetstone, mmx and\n"
         "encryption (default: all that are on); naming encryption adds it",
         ApplyTests},
        {"temp-dir", "DIR", "the work folder of this run (default: the stored one; the store is kept)",
         ApplyTempDir},
        {"max-temp-size", "MB",
         "the largest work file of this run in MB, 1 to 2047 (default: the stored\n"
         "limit; the store is kept)",
         ApplyMaxTempSize},
        {"inject-fault", "KIND[@CPU]",
         "fire drill of the error path, end to end: the next whetstone or mmx pass\n"
         "disagrees with its reference, or one byte of the encrypted file is flipped\n"
         "before decryption (KIND: whetstone, mmx or encryption); the run must stop\n"
         "with an error report and exit status 1",
         ApplyInjectFault},
        {"workers", "N|all",
         "run the test on N processors (all: on every one this process may use) at\n"
         "once, one worker process pinned to each, under a supervisor that merges\n"
         "their logs with \"cpu N: \" before each line and stops them all on the first\n"
         "error (default 1: the single run); --inject-fault KIND@CPU reaches the\n"
         "worker on that processor",
         ApplyWorkers},
        {"worker", "N:CPU", nullptr, ApplyWorker},
        {"events", "FILE",
         "write the run's events to FILE (- for standard output) as JSON Lines, one\n"
         "object per event, each line whole as soon as it is written",
         ApplyEvents},
        {"metrics", "FILE",
         "keep the run's state in FILE in the Prometheus text format for\n"
         "node_exporter's textfile collector, replaced every 10 seconds",
         ApplyMetrics},
        {"certificate", "FILE",
         "when the run ends with at least one full day of work time, write its\n"
         "stability certificate to FILE (checked when the run starts)",
         ApplyCertificate},
        {"owner", "TEXT", "the certificate's \"Your name\"",
         ApplyDescription<&HeadlessOptions::Owner, kOwner>},
        {"cpu", "TEXT", "the certificate's processor description",
         ApplyDescription<&HeadlessOptions::Cpu, kCpu>},
        {"motherboard", "TEXT", "the certificate's motherboard",
         ApplyDescription<&HeadlessOptions::Motherboard, kMotherboard>},
        {"cooling", "TEXT", "the certificate's cooling",
         ApplyDescription<&HeadlessOptions::Cooling, kCooling>},
        {"ram", "TEXT", "the certificate's memory", ApplyDescription<&HeadlessOptions::Ram, kRam>},
        {"os", "TEXT", "the certificate's operating system", ApplyDescription<&HeadlessOptions::Os, kOs>},
        {"info", "TEXT", "the certificate's additional info, one line per line of TEXT (\"N/A\" when empty)",
         ApplyDescription<&HeadlessOptions::Info, kInfo>},
    };
    return table;
}

HeadlessOptions ParseHeadlessOptions(const std::vector<std::string>& args) {
    HeadlessOptions o;
    QCommandLineParser parser;
    // "-platform xcb", as Qt's window options are written, is one option, not eight letters.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption headless(QStringLiteral("headless"));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));
    const QCommandLineOption verify(QStringLiteral("verify"));
    parser.addOptions({headless, help, version, verify});
    for (const auto& option : HeadlessOptionTable())
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
    if (o.Verify) {
        if (o.Headless) {
            o.Error = "--verify checks certificates; it does not go with --headless";
            return o;
        }
        for (const auto& file : parser.positionalArguments()) o.VerifyFiles.push_back(file.toStdString());
        if (o.VerifyFiles.empty() && !o.Help && !o.Version) {
            o.Error = "--verify needs the certificate files to check";
            return o;
        }
    }

    for (const auto& option : HeadlessOptionTable()) {
        const QString name = Q(option.Name);
        if (!parser.isSet(name)) continue;
        if (!o.Headless && !o.Help && !o.Version) {
            o.Error =
                "option '--" + std::string(option.Name) + "' belongs to the terminal run: add --headless";
            return o;
        }
        const QStringList values = parser.values(name);
        const std::string value = values.isEmpty() ? std::string() : values.last().toStdString();
        if (auto problem = option.Apply(value, o)) {
            o.Error = *problem;
            return o;
        }
    }
    if (auto problem = CheckTogether(o)) {
        o.Error = *problem;
        return o;
    }
    if (!o.Described.empty() && o.Certificate.empty()) {
        o.Error = "option '--" + o.Described.front() + "' describes the certificate: add --certificate FILE";
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

std::optional<std::string> ParseFaultSpec(const std::string& text, FaultSpec& fault) {
    const auto at = text.find('@');
    const auto kind = Lower(text.substr(0, at));
    if (!engine::FindTest(kind))
        return "unknown fault '" + text + "' (" + NameList("or") + ", then @CPU where wanted)";
    fault.Test = kind;
    fault.Cpu.reset();
    if (at != std::string::npos) {
        const auto cpu = WholeNumber(text.substr(at + 1), 0, 8191);
        if (!cpu) return "'" + text.substr(at + 1) + "' in '" + text + "' is not a processor number";
        fault.Cpu = static_cast<int>(*cpu);
    }
    return std::nullopt;
}

std::string HeadlessUsage(const std::string& program) {
    std::size_t widest = 0;
    for (const auto& option : HeadlessOptionTable())
        if (option.Help)
            widest = std::max(widest, 4 + std::strlen(option.Name) +
                                          (option.ValueName ? 1 + std::strlen(option.ValueName) : 0));
    const std::string indent(std::max<std::size_t>(17, widest + 2), ' ');
    std::string options;
    for (const auto& option : HeadlessOptionTable()) {
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
           "Its options (values in any case):\n"
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
           "  torvane --verify day.tvc\n"
           "                        check a certificate\n";
}

} // namespace torvane::app
