// The command line of a run on several processors: --workers, --events, --metrics, --inject-fault
// KIND@CPU, the processors the workers take and the command line each worker is started with.

#include "terminal/HeadlessOptions.h"
#include "workers/HeadlessWorkers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

namespace torvane::app {
namespace {

TEST(WorkersOptions, OneIsTheSingleRunAndAllOrMoreAreSupervised) {
    auto o = ParseHeadlessOptions({"--headless"});
    EXPECT_EQ(o.Workers, 1);
    EXPECT_FALSE(o.Supervised());
    EXPECT_FALSE(ParseHeadlessOptions({"--headless", "--workers", "1"}).Supervised());
    o = ParseHeadlessOptions({"--headless", "--workers=ALL", "--events", "-", "--metrics", "m.prom"});
    ASSERT_TRUE(o.Error.empty()) << o.Error;
    EXPECT_TRUE(o.AllProcessors);
    EXPECT_TRUE(o.Supervised());
    EXPECT_EQ(o.Events, "-");
    EXPECT_EQ(o.Metrics, "m.prom");
    o = ParseHeadlessOptions({"--headless", "--workers", "4", "--inject-fault", "MMX@1"});
    ASSERT_TRUE(o.Error.empty()) << o.Error;
    EXPECT_EQ(o.Workers, 4);
    ASSERT_TRUE(o.InjectFault);
    EXPECT_EQ(o.InjectFault->Test, "mmx");
    EXPECT_EQ(o.InjectFault->Cpu, 1);
    o = ParseHeadlessOptions({"--headless", "--worker", "2:7"});
    ASSERT_TRUE(o.Worker);
    EXPECT_EQ(o.Worker->Index, 2);
    EXPECT_EQ(o.Worker->Cpu, 7);
}

TEST(WorkersOptions, WhatCannotBeIsRefusedWithTheReason) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> bad = {
        {{"--headless", "--workers", "0"}, "1 to 4096, or all"},
        {{"--headless", "--workers", "4097"}, "number of workers"},
        {{"--headless", "--workers", "two"}, "number of workers"},
        {{"--headless", "--workers", "2", "--certificate", "c.tvc"}, "single run"},
        {{"--headless", "--inject-fault", "mmx@1"}, "add --workers"},
        {{"--headless", "--workers", "2", "--inject-fault", "mmx@"}, "not a processor number"},
        {{"--headless", "--workers", "2", "--inject-fault", "mmx@-1"}, "not a processor number"},
        {{"--headless", "--workers", "2", "--inject-fault", "disk@1"}, "unknown fault"},
        {{"--headless", "--workers", "2", "--worker", "0:1"}, "--worker"},
        {{"--headless", "--worker", "1"}, "N:CPU"},
        {{"--headless", "--metrics", "-"}, "file"},
        {{"--headless", "--events", ""}, "file name"},
        // One file for two outputs: the metrics would wipe out the events (or the certificate).
        {{"--headless", "--events", "x.prom", "--metrics", "x.prom"}, "name the same file"},
        {{"--headless", "--workers", "2", "--events", "/dev/stdout", "--metrics", "/dev/stdout"},
         "same file"},
        {{"--headless", "--events", "-", "--metrics", "/dev/stdout"}, "same file"},
        {{"--headless", "--certificate", "x.prom", "--metrics", "./x.prom"}, "another output"},
        {{"--workers", "2"}, "add --headless"},
        {{"--headless", "--heartbeat-seconds", "0"}, "seconds between heartbeats (1 to 60)"},
        {{"--headless", "--heartbeat-seconds", "61"}, "seconds between heartbeats"},
    };
    for (const auto& [args, reason] : bad) {
        const auto o = ParseHeadlessOptions(args);
        std::string all;
        for (const auto& a : args) all += a + " ";
        EXPECT_NE(o.Error.find(reason), std::string::npos) << all << "-> " << o.Error;
    }
}

TEST(WorkersOptions, TheHiddenWorkerOptionStaysOutOfTheHelp) {
    const auto help = HeadlessUsage("torvane");
    EXPECT_EQ(help.find("--worker "), std::string::npos);
    EXPECT_EQ(help.find("--heartbeat-seconds"), std::string::npos);
    EXPECT_NE(help.find("--workers N|all"), std::string::npos);
    EXPECT_NE(help.find("--inject-fault KIND[@CPU]"), std::string::npos);
}

TEST(WorkerProcessors, AllTakesEveryAllowedOneAndMoreThanThereAreGoesRound) {
    HeadlessOptions o;
    o.AllProcessors = true;
    EXPECT_EQ(WorkerProcessors(o, {2, 3, 6}), (std::vector<int>{2, 3, 6}));
    o.AllProcessors = false;
    o.Workers = 5;
    EXPECT_EQ(WorkerProcessors(o, {0, 1}), (std::vector<int>{0, 1, 0, 1, 0}));
    o.Workers = 2;
    EXPECT_EQ(WorkerProcessors(o, {4, 5, 6, 7}), (std::vector<int>{4, 5}));
    EXPECT_FALSE(WorkerProcessors(o, {}).empty()) << "the online count stands in for an unknown mask";

    o.InjectFault = session::FaultSpec{"mmx", 6};
    const auto problem = CheckWorkerProcessors(o, {4, 5});
    ASSERT_TRUE(problem);
    EXPECT_NE(problem->find("no worker runs on processor 6 (the workers take 4, 5)"), std::string::npos)
        << *problem;
    EXPECT_FALSE(CheckWorkerProcessors(o, {5, 6}));
}

TEST(WorkerArguments, AWorkerReadsBackTheRunsOptionsAndOnlyItsOwnFault) {
    const auto o =
        ParseHeadlessOptions({"--headless", "--workers", "all", "--mode", "hardcore", "--minutes", "3",
                              "--tests", "mmx,encryption", "--temp-dir", "/tmp", "--max-temp-size", "7",
                              "--inject-fault", "mmx@1", "--events", "ev.jsonl", "--metrics", "m.prom"});
    ASSERT_TRUE(o.Error.empty()) << o.Error;
    for (int cpu : {0, 1}) {
        const auto w = ParseHeadlessOptions(session::WorkerArguments(o, cpu + 10, cpu));
        ASSERT_TRUE(w.Error.empty()) << w.Error;
        EXPECT_TRUE(w.Headless);
        ASSERT_TRUE(w.Worker);
        EXPECT_EQ(w.Worker->Index, cpu + 10);
        EXPECT_EQ(w.Worker->Cpu, cpu);
        EXPECT_FALSE(w.Supervised());
        EXPECT_EQ(w.LoadMode, HeadlessOptions::Mode::Hardcore);
        EXPECT_EQ(w.Minutes, 3);
        EXPECT_EQ(w.Tests, o.Tests);
        EXPECT_TRUE(w.Encryption);
        EXPECT_EQ(w.TempDir, o.TempDir);
        EXPECT_EQ(w.MaxTempSize, o.MaxTempSize);
        // The supervisor alone writes the event file and the metrics.
        EXPECT_TRUE(w.Events.empty());
        EXPECT_TRUE(w.Metrics.empty());
        EXPECT_EQ(w.InjectFault.has_value(), cpu == 1);
        if (w.InjectFault) {
            EXPECT_EQ(w.InjectFault->Test, "mmx");
            EXPECT_FALSE(w.InjectFault->Cpu);
        }
    }
    const auto every = ParseHeadlessOptions(
        {"--headless", "--workers", "2", "--mode", "idle", "--inject-fault", "whetstone"});
    const auto w = ParseHeadlessOptions(session::WorkerArguments(every, 0, 0));
    ASSERT_TRUE(w.InjectFault) << "a fault without a processor reaches every worker";
    EXPECT_EQ(w.LoadMode, HeadlessOptions::Mode::Idle);
    EXPECT_EQ(w.Minutes, 0);
    EXPECT_FALSE(w.TempDir);
}

// Every option of the table either reaches the workers, read back from their command lines as the run
// was given it, or is the supervisor's own and stays out of them: an option added to the table cannot be
// dropped in worker runs without this test failing.
TEST(WorkerArguments, EveryOptionReachesTheWorkersOrIsTheSupervisorsOwn) {
    using session::ForWorkers;
    int reaching = 0;
    for (const auto& option : session::RunOptionTable()) {
        const std::string name = std::string("--") + option.Name;
        if (option.Workers == ForWorkers::Internal) {
            EXPECT_EQ(option.Help, nullptr) << name << ": the workers' own options stay out of the help";
            continue;
        }
        const bool reaches = option.Workers == ForWorkers::Passed || option.Workers == ForWorkers::PerWorker;
        // The supervisor's own options are given to a single run, where each of them is at home.
        std::vector<std::string> args = {"--headless"};
        if (reaches) args.insert(args.end(), {"--workers", "2"});
        std::istringstream needs(option.ExampleNeeds);
        for (std::string word; needs >> word;) args.push_back(word);
        args.push_back(name);
        if (option.ValueName) args.emplace_back(option.Example);
        const auto o = ParseHeadlessOptions(args);
        ASSERT_TRUE(o.Error.empty()) << name << ": " << o.Error;
        for (int cpu : {0, 1}) {
            const auto workerArgs = session::WorkerArguments(o, cpu, cpu);
            if (!reaches) {
                EXPECT_EQ(std::find(workerArgs.begin(), workerArgs.end(), name), workerArgs.end())
                    << name << " is the supervisor's own";
                continue;
            }
            ASSERT_NE(option.Given, nullptr) << name << " reaches the workers: it says what it gives them";
            const auto given = option.Given(o, cpu);
            ASSERT_TRUE(given) << name << ": the example is given to the worker on " << cpu;
            const auto w = ParseHeadlessOptions(workerArgs);
            ASSERT_TRUE(w.Error.empty()) << name << ": " << w.Error;
            EXPECT_EQ(option.Given(w, cpu), given) << name << " on " << cpu;
            ++reaching;
        }
    }
    EXPECT_GE(reaching, 2 * 8) << "mode, minutes, encryption, tests, test choice, folder, size, fault";
}

} // namespace
} // namespace torvane::app
