// The supervisor of a run on several processors, with small shell programs in the place of the workers:
// they speak the workers' protocol (run log on standard output, events on descriptor 3, results when
// SIGTERM asks them to stop) or break it in the ways a real worker can.

#include "common/TempDir.h"

#include "workers/Supervisor.h"

#include <gtest/gtest.h>

#include <QJsonDocument>

#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <pthread.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace torvane::app {
namespace {

std::string ReadAll(std::FILE* f) {
    std::rewind(f);
    std::string text;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) text.append(buf, n);
    return text;
}

std::string Event(const std::string& fields) {
    return "echo '{\"v\":1,\"host\":\"h\",\"time\":\"t\"," + fields + "}' >&3; ";
}

// Shell text that waits for the file `ready`: a worker that ends the run waits so for the other to have its
// stop handling in place, which on a busy machine can take longer than any fixed pause.
std::string AfterReady(const std::string& ready) {
    return "until [ -e " + ready + " ]; do sleep 0.01; done; ";
}

// A worker that runs until SIGTERM asks it to stop, then reports its results as a worker does. Once its
// stop handling is in place and it has told its heartbeat and its test, it makes the file `ready`, if one
// is named.
std::string Steady(int index, int cpu, const std::string& ready = {}) {
    const std::string who = "\"worker\":" + std::to_string(index) + ",\"cpu\":" + std::to_string(cpu);
    return "end() { " +
           Event("\"event\":\"worker_end\"," + who +
                 ",\"errors\":0,\"worktime_s\":7,\"reason\":\"signal\",\"exit_status\":0") +
           "echo 'Test Results:'; exit 0; }; trap end TERM; " +
           Event("\"event\":\"heartbeat\"," + who + ",\"worktime_s\":5,\"temperature_c\":41.5") +
           "echo 'Doing a 4 minute MMX Test'; " + (ready.empty() ? "" : ": > " + ready + "; ") +
           "while :; do sleep 0.01; done";
}

class SupervisorTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::signal(SIGPIPE, SIG_IGN);
        out_ = std::tmpfile();
        err_ = std::tmpfile();
        std::string problem;
        events_ = EventStream::Open(dir_ / "ev.jsonl", problem);
        events_->Host = QStringLiteral("h");
        events_->Run = QStringLiteral("run-1");
        config_.Events = events_.get();
        config_.Out = out_;
        config_.Err = err_;
        config_.MetricsPath = dir_ / "torvane.prom";
        config_.StopGraceMs = 2000;
        config_.HeadLines = {QStringLiteral("Processor: test")};
        config_.RunStart = {{"workers", 2}};
    }
    void TearDown() override {
        std::fclose(out_);
        std::fclose(err_);
        // No worker may outlive its supervisor.
        for (const auto& pidFile : pidFiles_) {
            std::ifstream in(pidFile);
            pid_t pid = 0;
            if (in >> pid) {
                EXPECT_NE(::kill(pid, 0), 0) << "worker " << pid << " still runs";
            }
        }
    }

    // A worker for the given processor running the given shell text; it notes its process id first.
    void AddWorker(int cpu, const std::string& script) {
        const auto pidFile = dir_ / ("pid" + std::to_string(config_.Workers.size()));
        pidFiles_.push_back(pidFile);
        config_.Workers.push_back(
            {cpu, WorkerCommand{{"/bin/sh", "-c", "echo $$ > " + pidFile + "; " + script}}, {}});
    }

    int Run() {
        const int status = RunSupervisor(config_);
        out = ReadAll(out_);
        err = ReadAll(err_);
        std::ifstream in(dir_ / "ev.jsonl");
        for (std::string line; std::getline(in, line);) {
            QJsonParseError error{};
            const auto doc = QJsonDocument::fromJson(QByteArray::fromStdString(line), &error);
            EXPECT_EQ(error.error, QJsonParseError::NoError) << line;
            events.push_back(doc.object());
        }
        return status;
    }

    std::vector<QJsonObject> Named(const char* name) const {
        std::vector<QJsonObject> r;
        for (const auto& e : events)
            if (e["event"].toString() == QLatin1String(name)) r.push_back(e);
        return r;
    }

    test::TempDir dir_;
    std::FILE* out_ = nullptr;
    std::FILE* err_ = nullptr;
    std::unique_ptr<EventStream> events_;
    SupervisorConfig config_;
    std::vector<std::string> pidFiles_;
    std::string out, err;
    std::vector<QJsonObject> events;
};

// A worker begins with the stop signals blocked (it catches them in its first code and unblocks them
// then): a stop sent to the process group while it starts must wait for its handlers. Nothing else of the
// supervisor's mask goes with it, and the supervisor's own mask is as it was.
TEST(WorkerStart, TheStopSignalsAndOnlyThemWaitBlockedUntilTheWorkerCatchesThem) {
    sigset_t usr1, before, after;
    sigemptyset(&usr1);
    sigaddset(&usr1, SIGUSR1);
    ASSERT_EQ(::pthread_sigmask(SIG_BLOCK, &usr1, &before), 0);
    WorkerProcesses pool({WorkerCommand{{"/usr/bin/env", "grep", "^SigBlk:", "/proc/self/status"}}});
    std::string blocked;
    pool.OnLine = [&](int, WorkerProcesses::Channel channel, std::string_view line) {
        if (channel == WorkerProcesses::Channel::Log) blocked = line;
    };
    ASSERT_EQ(pool.Start(), std::nullopt);
    ::pthread_sigmask(SIG_SETMASK, nullptr, &after);
    for (int i = 0; i < 500 && !pool.AllEnded(); ++i) pool.Serve(20);
    ::pthread_sigmask(SIG_SETMASK, &before, nullptr);
    ASSERT_TRUE(pool.AllEnded());
    ASSERT_EQ(blocked.rfind("SigBlk:", 0), 0u) << blocked;
    const auto mask = std::stoull(blocked.substr(blocked.find_first_not_of(" \t", 7)), nullptr, 16);
    EXPECT_EQ(mask, (1ull << (SIGHUP - 1)) | (1ull << (SIGINT - 1)) | (1ull << (SIGTERM - 1))) << blocked;
    EXPECT_EQ(sigismember(&after, SIGUSR1), 1);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) EXPECT_EQ(sigismember(&after, signal), 0) << signal;
}

TEST_F(SupervisorTest, TheFirstErrorStopsEveryWorkerAndTheReportNamesItsProcessor) {
    AddWorker(0, Steady(0, 0, dir_ / "ready"));
    AddWorker(3, AfterReady(dir_ / "ready") + "echo 'Testing Stopped:'; " +
                     Event("\"event\":\"error\",\"worker\":1,\"cpu\":3,\"code\":1,\"message\":\"MMX test "
                           "failed!\",\"detail\":\"Calculation error\"") +
                     Event("\"event\":\"worker_end\",\"worker\":1,\"cpu\":3,\"errors\":1,\"worktime_s\":65,"
                           "\"reason\":\"error\",\"exit_status\":1") +
                     "exit 1");
    dir_.Write("torvane.prom", "torvane_failed_runs_total{file=\"torvane.prom\"} 2\ntorvane_running 0\n");
    EXPECT_EQ(Run(), 1);
    // Every event, the workers' too, carries the run's id.
    ASSERT_FALSE(events.empty());
    for (const auto& e : events)
        EXPECT_EQ(e["run"].toString(), QStringLiteral("run-1")) << e["event"].toString().toStdString();
    EXPECT_NE(out.find("Processor: test\n"), std::string::npos);
    EXPECT_NE(out.find("cpu 0: Doing a 4 minute MMX Test\n"), std::string::npos) << out;
    EXPECT_NE(out.find("cpu 3: Testing Stopped:\n"), std::string::npos) << out;
    EXPECT_NE(out.find("cpu 0: Test Results:\n"), std::string::npos)
        << "the other worker stopped the ordinary way";
    EXPECT_NE(
        out.find(
            "\nTesting Stopped:\n Error Message: MMX test failed!\n ErrorCode: 1\n"
            " Calculation error: Calculation error\n ErrorType: Calculation error\n Processor: cpu 3\n\n"),
        std::string::npos)
        << out;
    EXPECT_TRUE(out.ends_with("Test Results:\n cpu 0: Errors: 0, Worktime: 0 d, 0 h, 0 m, 7 s\n"
                              " cpu 3: Errors: 1, Worktime: 0 d, 0 h, 1 m, 5 s\n Errors: 1\n"
                              " Worktime: 0 d, 0 h, 1 m, 5 s\n"))
        << out;

    ASSERT_GE(events.size(), 5u);
    EXPECT_EQ(events.front()["event"].toString(), QStringLiteral("run_start"));
    EXPECT_EQ(events.back()["event"].toString(), QStringLiteral("run_end"));
    EXPECT_EQ(events.back()["exit_status"].toInt(), 1);
    EXPECT_EQ(events.back()["errors"].toInt(), 1);
    EXPECT_EQ(events.back()["reason"].toString(), QStringLiteral("error"));
    ASSERT_EQ(Named("error").size(), 1u);
    EXPECT_EQ(Named("error")[0]["cpu"].toInt(), 3);
    EXPECT_EQ(Named("worker_end").size(), 2u);

    std::ifstream metrics(dir_ / "torvane.prom");
    const std::string m{std::istreambuf_iterator<char>(metrics), std::istreambuf_iterator<char>()};
    EXPECT_NE(m.find("torvane_errors_total{file=\"torvane.prom\",cpu=\"3\"} 1\n"), std::string::npos) << m;
    EXPECT_NE(m.find("torvane_running{file=\"torvane.prom\"} 0\n"), std::string::npos) << m;
    EXPECT_NE(m.find("torvane_temperature_celsius{file=\"torvane.prom\"} 41.5\n"), std::string::npos) << m;
    // Two runs before this one failed (the file's own record); this one makes three.
    EXPECT_NE(m.find("torvane_failed_runs_total{file=\"torvane.prom\"} 3\n"), std::string::npos) << m;
}

TEST_F(SupervisorTest, AWorkerKilledBySignalIsAnErrorOfItsProcessor) {
    AddWorker(0, Steady(0, 0, dir_ / "ready"));
    AddWorker(1, AfterReady(dir_ / "ready") +
                     "echo 'Doing a 5 Minute CPU HeatUP...'; printf '{\"v\":1,\"event\":\"heart' >&3; "
                     "sleep 0.05; kill -9 $$");
    EXPECT_EQ(Run(), 1);
    EXPECT_NE(
        out.find("\nTesting Stopped:\n Error Message: Worker process ended by signal 9 (Killed)\n"
                 " ErrorCode: 2\n Calculation error: N/A\n ErrorType: Unexpected error\n Processor: cpu 1\n"),
        std::string::npos)
        << out;
    EXPECT_NE(out.find(" cpu 1: Errors: 1,"), std::string::npos) << out;
    EXPECT_NE(err.find("cpu 1: Worker process ended by signal 9"), std::string::npos) << err;
    const auto ends = Named("worker_end");
    ASSERT_EQ(ends.size(), 2u);
    const auto& died = ends[0]["cpu"].toInt() == 1 ? ends[0] : ends[1];
    EXPECT_EQ(died["signal"].toInt(), 9);
    EXPECT_EQ(died["reason"].toString(), QStringLiteral("died"));
    // The half line the worker had begun is not passed on.
    EXPECT_TRUE(Named("heartbeat").size() == 1u) << "only the steady worker's heartbeat";
}

// A stop sent to the process group (timeout, Slurm) reaches the supervisor and a worker at once; a worker
// that has not caught its signals yet ends by it. Its end is seen here while the supervisor's own request
// still waits in its pipe: the request came first, so the worker was stopped, not lost. The same end
// without any request stays the error it is.
TEST_F(SupervisorTest, AWorkerEndedByTheGroupsStopIsStoppedButWithoutAStopItDied) {
    const auto endedBySignal = [&](bool stopAsked) {
        int stop[2];
        EXPECT_EQ(::pipe2(stop, O_NONBLOCK | O_CLOEXEC), 0);
        config_.StopFd = stop[0];
        config_.Workers.clear();
        pidFiles_.clear();
        events.clear();
        std::filesystem::remove(dir_ / "ev.jsonl");
        std::string problem;
        events_ = EventStream::Open(dir_ / "ev.jsonl", problem);
        config_.Events = events_.get();
        const std::string ready = dir_ / "ready";
        std::filesystem::remove(ready);
        // A worker that takes the stop signal's default action, as one still starting would.
        AddWorker(1, "exec perl -e 'use POSIX; sigprocmask(SIG_UNBLOCK, POSIX::SigSet->new(SIGTERM)); "
                     "open(my $f, \">" +
                         ready + "\"); close $f; sleep 30'");
        // Between two looks of the supervisor: the worker ends by the signal, and only then does the
        // supervisor's own request come (its handler ran, the pipe holds it), so both wait together.
        bool sent = false;
        config_.SteadyMs = [&, start = std::chrono::steady_clock::now()] {
            if (!sent && std::filesystem::exists(ready)) {
                sent = true;
                std::ifstream in(pidFiles_[0]);
                pid_t pid = 0;
                in >> pid;
                EXPECT_EQ(::kill(pid, SIGTERM), 0);
                siginfo_t info{};
                EXPECT_EQ(::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT), 0);
                if (stopAsked) EXPECT_EQ(::write(stop[1], "x", 1), 1);
            }
            return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                         start)
                .count();
        };
        const int status = Run();
        ::close(stop[0]);
        ::close(stop[1]);
        EXPECT_TRUE(sent);
        return status;
    };
    EXPECT_EQ(endedBySignal(true), 0) << out;
    EXPECT_EQ(out.find("Error Message"), std::string::npos) << out;
    EXPECT_NE(out.find(" cpu 1: Errors: 0,"), std::string::npos) << out;
    EXPECT_EQ(events.back()["reason"].toString(), QStringLiteral("signal"));
    EXPECT_EQ(Named("worker_end").at(0)["reason"].toString(), QStringLiteral("stopped"));

    // The standard output collects both runs' results.
    const auto before = out.size();
    EXPECT_EQ(endedBySignal(false), 1) << out;
    EXPECT_NE(out.find(" Error Message: Worker process ended by signal 15", before), std::string::npos)
        << out;
    EXPECT_NE(out.find(" cpu 1: Errors: 1,", before), std::string::npos) << out;
    EXPECT_EQ(Named("worker_end").at(0)["reason"].toString(), QStringLiteral("died"));
}

TEST_F(SupervisorTest, AKilledWorkerKeepsItsWorkTimeAndLeavesNoWorkFiles) {
    // The supervisor's clock runs a hundred times faster than the real one: the worker, killed before its
    // first heartbeat, has worked for seconds of it.
    const auto start = std::chrono::steady_clock::now();
    config_.SteadyMs = [start] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
                   .count() *
               100;
    };
    config_.StopGraceMs = 500000;
    const auto folder = dir_ / "work/worker-1/";
    ASSERT_EQ(::mkdir((dir_ / "work").c_str(), 0700), 0);
    AddWorker(0, Steady(0, 0));
    AddWorker(1, "mkdir -m 700 " + folder + " && head -c 100000 /dev/zero > " + folder +
                     "TORVA_1.tmp && : > " + folder + "TORVA_2.tmp && sleep 0.2 && kill -9 $$");
    config_.Workers[1].WorkFolder = folder;
    EXPECT_EQ(Run(), 1);
    const auto ends = Named("worker_end");
    ASSERT_EQ(ends.size(), 2u);
    const auto& died = ends[0]["cpu"].toInt() == 1 ? ends[0] : ends[1];
    EXPECT_GE(died["worktime_s"].toDouble(), 10) << "0.2 s of real time are 20 s of the supervisor's";
    EXPECT_EQ(out.find(" cpu 1: Errors: 1, Worktime: 0 d, 0 h, 0 m, 0 s"), std::string::npos) << out;
    EXPECT_FALSE(std::filesystem::exists(folder)) << "the dead worker's files and folder stay behind";
    EXPECT_TRUE(std::filesystem::exists(dir_ / "work")) << "the run's own folder stays";
}

TEST_F(SupervisorTest, AWorkerThatDoesNotStopInTimeIsKilledAndReported) {
    config_.StopGraceMs = 200;
    AddWorker(0, "trap '' TERM; : > " + dir_ / "ready" +
                     "; echo 'Doing a 5 Minute CPU HeatUP...'; while :; do sleep 0.01; done");
    AddWorker(1, AfterReady(dir_ / "ready") +
                     Event("\"event\":\"error\",\"worker\":1,\"cpu\":1,\"code\":2,\"message\":\"Boom\","
                           "\"detail\":\"N/A\"") +
                     "exit 1");
    EXPECT_EQ(Run(), 1);
    EXPECT_NE(out.find("\nTesting Stopped:\n Error Message: Boom\n"), std::string::npos) << out;
    EXPECT_NE(out.find(" Processor: cpu 1\n\nTest Results:\n"), std::string::npos) << out;
    EXPECT_NE(err.find("cpu 0: Worker did not stop within 0.2 s and was killed"), std::string::npos) << err;
    EXPECT_NE(out.find(" Errors: 2\n"), std::string::npos) << out;
}

TEST_F(SupervisorTest, AStopRequestStopsAllTheOrdinaryWayAndASecondKillsThem) {
    int stop[2];
    ASSERT_EQ(::pipe2(stop, O_NONBLOCK | O_CLOEXEC), 0);
    config_.StopFd = stop[0];
    AddWorker(0, Steady(0, 0));
    AddWorker(1, Steady(1, 1));
    // The request comes once both have their stop handling in place (their heartbeats follow it).
    std::thread requester([&] {
        for (int i = 0; i < 500; ++i) {
            std::ifstream in(dir_ / "ev.jsonl");
            const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
            std::size_t beats = 0;
            for (auto at = text.find("heartbeat"); at != std::string::npos;
                 at = text.find("heartbeat", at + 1))
                ++beats;
            if (beats == 2) break;
            ::usleep(10000);
        }
        [[maybe_unused]] const auto n = ::write(stop[1], "x", 1);
    });
    EXPECT_EQ(Run(), 0);
    requester.join();
    EXPECT_NE(out.find("cpu 0: Test Results:"), std::string::npos) << out;
    EXPECT_NE(out.find("cpu 1: Test Results:"), std::string::npos) << out;
    EXPECT_TRUE(out.ends_with(" Errors: 0\n Worktime: 0 d, 0 h, 0 m, 7 s\n")) << out;
    EXPECT_EQ(events.back()["reason"].toString(), QStringLiteral("signal"));

    // Workers deaf to the first request: a second one, a moment later, ends them, which is no error of
    // theirs. Each request comes once the worker has its stop handling in place (its heartbeat follows it).
    const auto again = [&](const std::string& script, const char* requests, int laterMs) {
        config_.Workers.clear();
        pidFiles_.clear();
        AddWorker(0, script);
        events.clear();
        // A file of its own: the requester waits for this run's heartbeat, not the last run's.
        std::filesystem::remove(dir_ / "ev.jsonl");
        std::string problem;
        events_ = EventStream::Open(dir_ / "ev.jsonl", problem);
        config_.Events = events_.get();
        std::thread requester([&] {
            for (int i = 0; i < 500; ++i) {
                std::ifstream in(dir_ / "ev.jsonl");
                const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
                if (text.find("heartbeat") != std::string::npos) break;
                ::usleep(10000);
            }
            const auto size = static_cast<ssize_t>(std::strlen(requests));
            EXPECT_EQ(::write(stop[1], requests, static_cast<std::size_t>(size)), size);
            if (laterMs < 0) return;
            ::usleep(static_cast<useconds_t>(laterMs) * 1000);
            [[maybe_unused]] const auto n = ::write(stop[1], "x", 1);
        });
        EXPECT_EQ(Run(), 0);
        requester.join();
        EXPECT_EQ(events.back()["errors"].toInt(), 0);
    };
    again("trap '' TERM; " + Event("\"event\":\"heartbeat\",\"worker\":0,\"cpu\":0,\"worktime_s\":1") +
              "while :; do sleep 0.01; done",
          "x", 400);
    EXPECT_EQ(events.back()["reason"].toString(), QStringLiteral("signal"));

    // The same stop twice at once, as `timeout` sends it: one request, so the worker still ends the
    // ordinary way with its results instead of being killed.
    const auto before = out.size();
    again(Steady(0, 0), "xx", -1);
    EXPECT_NE(out.find("cpu 0: Test Results:", before), std::string::npos) << out;
    ::close(stop[0]);
    ::close(stop[1]);
}

TEST_F(SupervisorTest, WorkersThatReachTheTimeLimitEndTheRunWithoutAnError) {
    for (int i = 0; i < 2; ++i) {
        const std::string who = "\"worker\":" + std::to_string(i) + ",\"cpu\":" + std::to_string(i);
        // The second reaches its limit a little later; it must not be stopped before.
        AddWorker(i,
                  "sleep 0.0" + std::to_string(2 + 8 * i) + "; " +
                      Event("\"event\":\"worker_end\"," + who +
                            ",\"errors\":0,\"worktime_s\":180,\"reason\":\"time_limit\",\"exit_status\":0") +
                      "exit 0");
    }
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(events.back()["reason"].toString(), QStringLiteral("time_limit"));
    EXPECT_TRUE(out.ends_with(" Errors: 0\n Worktime: 0 d, 0 h, 3 m, 0 s\n")) << out;
}

TEST_F(SupervisorTest, AClosedOutputStopsTheWorkersAtOnceAndTheResultsGoToStandardError) {
    config_.OutputClosed = true;
    AddWorker(0, Steady(0, 0));
    AddWorker(1, Steady(1, 1));
    EXPECT_EQ(Run(), 3);
    EXPECT_TRUE(out.empty()) << out;
    EXPECT_NE(err.find("the run log cannot be written to standard output (Bad file descriptor)"),
              std::string::npos)
        << err;
    EXPECT_NE(err.find("Test Results:\n"), std::string::npos) << err;
    EXPECT_NE(err.find("\n Errors: 0\n Worktime: "), std::string::npos) << err;
    EXPECT_EQ(events.back()["reason"].toString(), QStringLiteral("output_failed"));
}

TEST_F(SupervisorTest, AClockJumpThatOneWorkerSawVoidsTheWorkTimeOfEveryProcessor) {
    // The other worker is stopped before its own look at the clock: it reports the 7 s it had.
    AddWorker(0, Steady(0, 0, dir_ / "ready"));
    AddWorker(1, AfterReady(dir_ / "ready") +
                     Event("\"event\":\"worker_end\",\"worker\":1,\"cpu\":1,\"errors\":0,\"worktime_s\":0,"
                           "\"reason\":\"clock_jump\",\"exit_status\":1") +
                     "exit 1");
    dir_.Write("torvane.prom", "");
    EXPECT_EQ(Run(), 1);
    EXPECT_NE(
        out.find("\nTesting Stopped:\n Error Message: The work clock jumped (It\u00B4s not nice to cheat!)\n"
                 " Processor: cpu 1\n\n"),
        std::string::npos)
        << out;
    EXPECT_TRUE(out.ends_with("Test Results:\n cpu 0: Errors: 0, Worktime: 0 d, 0 h, 0 m, 0 s\n"
                              " cpu 1: Errors: 0, Worktime: 0 d, 0 h, 0 m, 0 s\n Errors: 0\n"
                              " Worktime: 0 d, 0 h, 0 m, 0 s\n"))
        << out;
    EXPECT_EQ(events.back()["worktime_s"].toInt(), 0);
    EXPECT_EQ(events.back()["exit_status"].toInt(), 1);
    std::ifstream metrics(dir_ / "torvane.prom");
    const std::string m{std::istreambuf_iterator<char>(metrics), std::istreambuf_iterator<char>()};
    EXPECT_NE(m.find("torvane_worktime_seconds{file=\"torvane.prom\",cpu=\"0\"} 0\n"), std::string::npos)
        << m;
}

TEST_F(SupervisorTest, AWorkerThatCannotStartIsAnErrorOfItsProcessor) {
    config_.Workers.push_back({5, WorkerCommand{{dir_ / "no-such-program"}}, {}});
    EXPECT_EQ(Run(), 1);
    EXPECT_NE(err.find("cpu 5: cannot run"), std::string::npos) << err;
    EXPECT_NE(out.find(" Error Message: Worker process ended with exit status 127\n ErrorCode: 2\n"
                       " Calculation error: N/A\n ErrorType: Unexpected error\n Processor: cpu 5\n"),
              std::string::npos)
        << out;
}

TEST_F(SupervisorTest, ALastLineWithoutItsNewlineIsStillPrintedButAHalfEventIsNot) {
    AddWorker(1, "echo 'whole'; printf 'last words'; printf '{\"v\":1,\"event\":\"error\"' >&3; exit 0");
    EXPECT_EQ(Run(), 0);
    EXPECT_NE(out.find("cpu 1: whole\ncpu 1: last words\n"), std::string::npos) << out;
    EXPECT_TRUE(Named("error").empty());
    EXPECT_NE(err.find("cpu 1: its last event was cut short (22 bytes without a newline) and is left out\n"),
              std::string::npos)
        << err;
}

} // namespace
} // namespace torvane::app
