#include "workers/HeadlessWorkers.h"

#include "engine/SettingsSchema.h"
#include "engine/TestRun.h"
#include "platform/Affinity.h"
#include "platform/Files.h"
#include "platform/Settings.h"
#include "platform/SystemInfo.h"
#include "platform/WorkFolderClaim.h"
#include "session/RunOptions.h"
#include "terminal/Headless.h"
#include "terminal/ScreenText.h"
#include "workers/Supervisor.h"

#include <cstdio>

namespace torvane::app {

std::vector<int> WorkerProcessors(const HeadlessOptions& options, const std::vector<int>& allowed) {
    std::vector<int> from = allowed;
    if (from.empty())
        for (std::uint32_t i = 0; i < SystemProcessors().NumberOfProcessors; ++i)
            from.push_back(static_cast<int>(i));
    if (options.AllProcessors) return from;
    std::vector<int> cpus;
    for (int i = 0; i < options.Workers; ++i) cpus.push_back(from[static_cast<std::size_t>(i) % from.size()]);
    return cpus;
}

std::optional<std::string> CheckWorkerProcessors(const HeadlessOptions& options,
                                                 const std::vector<int>& cpus) {
    if (!options.InjectFault || !options.InjectFault->Cpu) return std::nullopt;
    const int wanted = *options.InjectFault->Cpu;
    for (int cpu : cpus)
        if (cpu == wanted) return std::nullopt;
    std::string list;
    for (int cpu : cpus) list += (list.empty() ? "" : ", ") + std::to_string(cpu);
    return "--inject-fault " + options.InjectFault->Test + "@" + std::to_string(wanted) +
           ": no worker runs on processor " + std::to_string(wanted) + " (the workers take " + list + ")";
}

int RunSupervised(const HeadlessOptions& options, int stopFd, bool outputClosed) {
    const auto cpus = WorkerProcessors(options, AllowedProcessors());
    if (const auto problem = CheckWorkerProcessors(options, cpus)) {
        std::fprintf(stderr, "torvane: %s\n", problem->c_str());
        return 2;
    }
    // The run's folder, where every worker makes its own, is this run's until it ends: a second supervised
    // run there would share the workers' folders.
    auto stored = engine::SettingsReader::FromStore();
    const std::string folder = options.TempDir ? *options.TempDir : engine::WorkDirectoryOf(stored);
    // A damaged store is set aside by this first read: told here, since the workers find it gone.
    if (const auto problem = SettingsKey::TakeLoadProblem(); !problem.empty())
        std::fprintf(stderr, "torvane: %s\n", problem.c_str());
    const TWorkFolderClaim claim(folder);
    if (claim.Busy()) {
        std::fprintf(
            stderr,
            "torvane: the work folder %s is in use by another test run: two runs in one folder would "
            "break each other's work files. Choose another folder for this run (--temp-dir), or stop "
            "the other run first.\n",
            folder.c_str());
        return 2;
    }
    std::unique_ptr<EventStream> events;
    if (!options.Events.empty()) {
        std::string problem;
        events = EventStream::Open(options.Events, problem);
        if (!events) {
            std::fprintf(stderr, "torvane: %s\n", problem.c_str());
            return 2;
        }
        events->Run = NewRunId();
        if (!events->Notice().empty()) std::fprintf(stderr, "torvane: %s\n", events->Notice().c_str());
    }
    SupervisorConfig config;
    const std::string program = ProgramFilePath();
    // The files of a worker that dies are removed from its folder in the run's.
    const std::string workFolder = WithTrailingSeparator(NativePath(folder));
    for (std::size_t i = 0; i < cpus.size(); ++i) {
        WorkerCommand command{{program}};
        for (auto& a : session::WorkerArguments(options, static_cast<int>(i), cpus[i]))
            command.Argv.push_back(std::move(a));
        config.Workers.push_back(
            {cpus[i], std::move(command), workFolder + "worker-" + std::to_string(i) + "/"});
    }
    config.HeadLines = MakeBannerLines();
    config.HeadLines << ProcessorLine()
                     << QStringLiteral("Workers: %1, on processor%2 %3")
                            .arg(cpus.size())
                            .arg(cpus.size() == 1 ? "" : "s")
                            .arg([&] {
                                QStringList list;
                                for (int cpu : cpus) list << QString::number(cpu);
                                return list.join(QStringLiteral(", "));
                            }());
    if (const auto warning =
            AffinityWarning(AllowedProcessors(), static_cast<int>(SystemProcessors().NumberOfProcessors)))
        config.HeadLines << *warning;
    config.RunStart = RunStartFields(options, cpus);
    config.Events = events.get();
    config.MetricsPath = options.Metrics;
    config.StopFd = stopFd;
    config.OutputClosed = outputClosed;
    return RunSupervisor(config);
}

} // namespace torvane::app
