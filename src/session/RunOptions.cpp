#include "session/RunOptions.h"

#include "engine/SettingsSchema.h"
#include "engine/Workloads.h"
#include "platform/Files.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <sstream>

namespace torvane::session {

namespace {

std::string Lower(std::string s) {
    for (auto& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// A whole number within [low, high], all of the text.
std::optional<long long> WholeNumber(const std::string& text, long long low, long long high) {
    long long n = 0;
    const auto res = std::from_chars(text.data(), text.data() + text.size(), n);
    if (res.ec != std::errc() || res.ptr != text.data() + text.size() || n < low || n > high)
        return std::nullopt;
    return n;
}

// The names of the tests, as the command line writes them.
std::vector<std::string> TestNames() {
    std::vector<std::string> names;
    for (const auto* info : engine::WorkloadDescriptions())
        if (info->TestKind >= 0) names.push_back(Lower(info->Name));
    return names;
}

std::optional<std::string> ApplyMode(const std::string& value, RunOptions& o) {
    const auto mode = engine::LoadModeNamed(value);
    if (!mode) return "unknown mode '" + value + "' (idle, normal or hardcore)";
    o.LoadMode = *mode;
    return std::nullopt;
}

std::optional<std::string> GivenMode(const RunOptions& o, int) {
    return engine::LoadModeName(o.LoadMode);
}

std::optional<std::string> ApplyMinutes(const std::string& value, RunOptions& o) {
    const auto n = WholeNumber(value, 1, MaxMinutes);
    if (!n) return "'" + value + "' is not a number of minutes (1 to " + std::to_string(MaxMinutes) + ")";
    o.Minutes = static_cast<int>(*n);
    return std::nullopt;
}

std::optional<std::string> GivenMinutes(const RunOptions& o, int) {
    if (o.Minutes <= 0) return std::nullopt;
    return std::to_string(o.Minutes);
}

std::optional<std::string> ApplyEncryption(const std::string&, RunOptions& o) {
    o.Encryption = true;
    return std::nullopt;
}

std::optional<std::string> GivenEncryption(const RunOptions& o, int) {
    if (!o.Encryption) return std::nullopt;
    return std::string();
}

std::optional<std::string> ApplyTests(const std::string& value, RunOptions& o) {
    std::vector<std::string> tests;
    std::size_t at = 0;
    for (;;) {
        const auto comma = value.find(',', at);
        auto name = Lower(value.substr(at, comma == std::string::npos ? std::string::npos : comma - at));
        name.erase(0, name.find_first_not_of(' '));
        name.erase(name.find_last_not_of(' ') + 1);
        if (!engine::FindTest(name))
            return "'" + name + "' in '" + value + "' is not a test (" + TestNameList("or") + ")";
        if (std::find(tests.begin(), tests.end(), name) == tests.end()) tests.push_back(name);
        if (comma == std::string::npos) break;
        at = comma + 1;
    }
    o.Tests = tests;
    return std::nullopt;
}

std::optional<std::string> GivenTests(const RunOptions& o, int) {
    if (o.Tests.empty()) return std::nullopt;
    std::string list;
    for (const auto& t : o.Tests) list += (list.empty() ? "" : ",") + t;
    return list;
}

std::optional<std::string> ApplyChoice(const std::string& value, RunOptions& o) {
    const auto v = Lower(value);
    if (v != "random" && v != "optimal") return "unknown test choice '" + value + "' (random or optimal)";
    o.Choice = v == "random" ? engine::TestChoice::Random : engine::TestChoice::Optimal;
    return std::nullopt;
}

std::optional<std::string> GivenChoice(const RunOptions& o, int) {
    if (!o.Choice) return std::nullopt;
    return std::string(*o.Choice == engine::TestChoice::Random ? "random" : "optimal");
}

std::optional<std::string> ApplyHeartbeat(const std::string& value, RunOptions& o) {
    const auto n = WholeNumber(value, 1, 60);
    if (!n) return "'" + value + "' is not a number of seconds between heartbeats (1 to 60)";
    o.HeartbeatSeconds = static_cast<int>(*n);
    return std::nullopt;
}

std::optional<std::string> GivenHeartbeat(const RunOptions& o, int) {
    if (o.HeartbeatSeconds == RunOptions{}.HeartbeatSeconds) return std::nullopt;
    return std::to_string(o.HeartbeatSeconds);
}

std::optional<std::string> ApplyTempDir(const std::string& value, RunOptions& o) {
    if (value.empty() || !DirectoryExists(value)) return "work folder '" + value + "' is not a folder";
    o.TempDir = WithTrailingSeparator(value);
    return std::nullopt;
}

std::optional<std::string> GivenTempDir(const RunOptions& o, int) {
    return o.TempDir;
}

std::optional<std::string> ApplyMaxTempSize(const std::string& value, RunOptions& o) {
    const auto& rule = engine::settings::MaxTempSize;
    const auto unit = engine::MaxTempSizeUnit;
    const auto mb = WholeNumber(value, rule.Min / unit, rule.Max / unit);
    if (!mb)
        return "'" + value + "' is not a size in MB (" + std::to_string(rule.Min / unit) + " to " +
               std::to_string(rule.Max / unit) + ")";
    o.MaxTempSize = static_cast<std::int32_t>(*mb * unit);
    return std::nullopt;
}

std::optional<std::string> GivenMaxTempSize(const RunOptions& o, int) {
    if (!o.MaxTempSize) return std::nullopt;
    return std::to_string(*o.MaxTempSize / engine::MaxTempSizeUnit);
}

std::optional<std::string> ApplyInjectFault(const std::string& value, RunOptions& o) {
    FaultSpec fault;
    if (auto problem = ParseFaultSpec(value, fault)) return problem;
    o.InjectFault = fault;
    return std::nullopt;
}

// A fault meant for a processor reaches that processor's worker alone, and the worker meets it whatever
// processor it is on; a fault without one reaches every worker.
std::optional<std::string> GivenInjectFault(const RunOptions& o, int cpu) {
    if (!o.InjectFault || (o.InjectFault->Cpu && *o.InjectFault->Cpu != cpu)) return std::nullopt;
    return o.InjectFault->Test;
}

std::optional<std::string> ApplyWorkers(const std::string& value, RunOptions& o) {
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

std::optional<std::string> ApplyWorker(const std::string& value, RunOptions& o) {
    const auto colon = value.find(':');
    const auto index = WholeNumber(value.substr(0, colon), 0, MaxWorkers - 1);
    const auto cpu =
        colon == std::string::npos ? std::nullopt : WholeNumber(value.substr(colon + 1), 0, 8191);
    if (!index || !cpu) return "'" + value + "' is not a worker (N:CPU)";
    o.Worker = WorkerRole{static_cast<int>(*index), static_cast<int>(*cpu)};
    return std::nullopt;
}

std::optional<std::string> ApplyEvents(const std::string& value, RunOptions& o) {
    if (value.empty()) return std::string("--events needs a file name, or - for standard output");
    o.Events = value;
    return std::nullopt;
}

std::optional<std::string> ApplyMetrics(const std::string& value, RunOptions& o) {
    // The file is replaced as a whole, which standard output cannot be.
    if (value.empty() || value == "-") return std::string("--metrics needs the name of the file to write");
    o.Metrics = value;
    return std::nullopt;
}

std::optional<std::string> ApplyCertificate(const std::string& value, RunOptions& o) {
    if (value.empty()) return std::string("--certificate needs the name of the file to write");
    o.Certificate = value;
    return std::nullopt;
}

// The description of the machine: taken as written, checked when the run starts.
template <std::string RunOptions::*Field, const char* Name>
std::optional<std::string> ApplyDescription(const std::string& value, RunOptions& o) {
    o.*Field = value;
    o.Described.emplace_back(Name);
    return std::nullopt;
}
constexpr char kOwner[] = "owner", kCpu[] = "cpu", kMotherboard[] = "motherboard", kCooling[] = "cooling",
               kRam[] = "ram", kOs[] = "os", kInfo[] = "info";

// Whether two outputs are one file: one name, two names of an existing file, or two spellings of a name
// that does not exist yet.
bool SameOutput(const std::string& a, const std::string& b) {
    if (SameFile(a, b)) return true;
    std::error_code ea, eb;
    const auto ca = std::filesystem::weakly_canonical(std::filesystem::absolute(a, ea), ea);
    const auto cb = std::filesystem::weakly_canonical(std::filesystem::absolute(b, eb), eb);
    return !ea && !eb && ca == cb;
}

constexpr unsigned Terminal = TerminalRun;
constexpr unsigned Both = TerminalRun | WindowRun;
constexpr auto Passed = ForWorkers::Passed;
constexpr auto Kept = ForWorkers::Kept;

} // namespace

const std::vector<RunOption>& RunOptionTable() {
    static const std::vector<RunOption> table = {
        {"mode", "MODE",
         "load mode: idle (lowest priority, no heat-up), normal (default) or\n"
         "hardcore (raised priorities where the system allows it)",
         Terminal, Passed, ApplyMode, GivenMode, "hardcore", ""},
        {"minutes", "N", "stop after N minutes of work time and print the results", Terminal, Passed,
         ApplyMinutes, GivenMinutes, "12", ""},
        {"encryption", nullptr,
         "add the encryption test (a file encrypted and decrypted in the work folder;\n"
         "\"No Encryption tests\" unticked)",
         Terminal, Passed, ApplyEncryption, GivenEncryption, "", ""},
        {"tests", "LIST",
         "the tests the run chooses from, a comma list of whetstone, mmx and\n"
         "encryption (default: all that are on); naming encryption adds it",
         Terminal, Passed, ApplyTests, GivenTests, "mmx,whetstone", ""},
        {"temp-dir", "DIR", "the work folder of this run (default: the stored one; the store is kept)",
         Terminal, Passed, ApplyTempDir, GivenTempDir, "/", ""},
        {"max-temp-size", "MB",
         "the largest work file of this run in MB, 1 to 2047 (default: the stored\n"
         "limit; the store is kept)",
         Terminal, Passed, ApplyMaxTempSize, GivenMaxTempSize, "7", ""},
        {"inject-fault", "KIND[@CPU]",
         "fire drill of the error path, end to end: the next whetstone or mmx pass\n"
         "disagrees with its reference, or one byte of the encrypted file is flipped\n"
         "before decryption (KIND: whetstone, mmx or encryption); the run must stop\n"
         "with an error report and exit status 1 (also with --start)",
         Both, ForWorkers::PerWorker, ApplyInjectFault, GivenInjectFault, "mmx", ""},
        {"workers", "N|all",
         "run the test on N processors (all: on every one this process may use) at\n"
         "once, one worker process pinned to each, under a supervisor that merges\n"
         "their logs with \"cpu N: \" before each line and stops them all on the first\n"
         "error (default 1: the single run); --inject-fault KIND@CPU reaches the\n"
         "worker on that processor",
         Terminal, Kept, ApplyWorkers, nullptr, "all", ""},
        {"worker", "N:CPU", nullptr, Terminal, ForWorkers::Internal, ApplyWorker, nullptr, "0:0", ""},
        {"test-choice", "random|optimal", nullptr, Terminal, Passed, ApplyChoice, GivenChoice, "optimal", ""},
        {"heartbeat-seconds", "N", nullptr, Terminal, Passed, ApplyHeartbeat, GivenHeartbeat, "2", ""},
        {"events", "FILE",
         "write the run's events to FILE (- for standard output) as JSON Lines, one\n"
         "object per event, each line whole as soon as it is written",
         Terminal, Kept, ApplyEvents, nullptr, "-", ""},
        {"metrics", "FILE",
         "keep the run's state in FILE in the Prometheus text format for\n"
         "node_exporter's textfile collector, replaced every 10 seconds",
         Terminal, Kept, ApplyMetrics, nullptr, "m.prom", ""},
        {"certificate", "FILE",
         "when the run ends with at least one full day of work time, write its\n"
         "stability certificate to FILE (checked when the run starts)",
         Terminal, Kept, ApplyCertificate, nullptr, "day.tvc", ""},
        {"owner", "TEXT", "the certificate's \"Your name\"", Terminal, Kept,
         ApplyDescription<&RunOptions::Owner, kOwner>, nullptr, "J. Doe", "--certificate day.tvc"},
        {"cpu", "TEXT", "the certificate's processor description", Terminal, Kept,
         ApplyDescription<&RunOptions::Cpu, kCpu>, nullptr, "K6-2", "--certificate day.tvc"},
        {"motherboard", "TEXT", "the certificate's motherboard", Terminal, Kept,
         ApplyDescription<&RunOptions::Motherboard, kMotherboard>, nullptr, "P5A", "--certificate day.tvc"},
        {"cooling", "TEXT", "the certificate's cooling", Terminal, Kept,
         ApplyDescription<&RunOptions::Cooling, kCooling>, nullptr, "fan", "--certificate day.tvc"},
        {"ram", "TEXT", "the certificate's memory", Terminal, Kept, ApplyDescription<&RunOptions::Ram, kRam>,
         nullptr, "64 MB", "--certificate day.tvc"},
        {"os", "TEXT", "the certificate's operating system", Terminal, Kept,
         ApplyDescription<&RunOptions::Os, kOs>, nullptr, "Debian", "--certificate day.tvc"},
        {"info", "TEXT", "the certificate's additional info, one line per line of TEXT (\"N/A\" when empty)",
         Terminal, Kept, ApplyDescription<&RunOptions::Info, kInfo>, nullptr, "two\nlines",
         "--certificate day.tvc"},
    };
    return table;
}

std::string TestNameList(const char* conjunction) {
    const auto names = TestNames();
    std::string r;
    for (std::size_t i = 0; i < names.size(); ++i)
        r += (i == 0 ? "" : i + 1 == names.size() ? std::string(" ") + conjunction + " " : ", ") + names[i];
    return r;
}

std::optional<std::string> ParseFaultSpec(const std::string& text, FaultSpec& fault) {
    const auto at = text.find('@');
    const auto kind = Lower(text.substr(0, at));
    if (!engine::FindTest(kind))
        return "unknown fault '" + text + "' (" + TestNameList("or") + ", then @CPU where wanted)";
    fault.Test = kind;
    fault.Cpu.reset();
    if (at != std::string::npos) {
        const auto cpu = WholeNumber(text.substr(at + 1), 0, 8191);
        if (!cpu) return "'" + text.substr(at + 1) + "' in '" + text + "' is not a processor number";
        fault.Cpu = static_cast<int>(*cpu);
    }
    return std::nullopt;
}

std::optional<std::string> CheckTogether(RunOptions& o, bool window) {
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
    // The window's run chooses its processors itself (Advanced > Processors).
    if (!window && o.InjectFault && o.InjectFault->Cpu && !o.Supervised())
        return "--inject-fault " + o.InjectFault->Test + "@" + std::to_string(*o.InjectFault->Cpu) +
               " names a processor: add --workers N or --workers all";
    if (!o.Described.empty() && o.Certificate.empty())
        return "option '--" + o.Described.front() + "' describes the certificate: add --certificate FILE";
    const auto chosen = [&](const std::string& name) {
        return o.Tests.empty() || std::find(o.Tests.begin(), o.Tests.end(), name) != o.Tests.end();
    };
    // Asking for the encryption test by name asks for it to run.
    if (!o.Tests.empty() && chosen("encryption")) o.Encryption = true;
    if (!o.InjectFault) return std::nullopt;
    const auto& kind = o.InjectFault->Test;
    if (window && kind == "encryption")
        return std::string("--inject-fault encryption: the window's run has no encryption test at its start "
                           "(\"No Encryption tests\" is ticked at every start)");
    // Whetstone and MMX passes run beside every encryption cycle.
    const bool reached = kind == "encryption" ? o.Encryption && chosen(kind)
                                              : chosen(kind) || (o.Encryption && chosen("encryption"));
    if (!reached)
        return "--inject-fault " + kind + ": the run has no " + kind + " test" +
               (kind == "encryption" ? " (add --encryption or --tests encryption)" : "");
    return std::nullopt;
}

std::vector<std::string> WorkerArguments(const RunOptions& options, int index, int cpu) {
    std::vector<std::string> args = {"--headless", "--worker",
                                     std::to_string(index) + ":" + std::to_string(cpu)};
    for (const auto& option : RunOptionTable()) {
        if (option.Workers != ForWorkers::Passed && option.Workers != ForWorkers::PerWorker) continue;
        const auto value = option.Given(options, cpu);
        if (!value) continue;
        args.push_back("--" + std::string(option.Name));
        if (option.ValueName) args.push_back(*value);
    }
    return args;
}

} // namespace torvane::session
