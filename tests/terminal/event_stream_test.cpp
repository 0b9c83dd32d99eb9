// The event stream's lines: their common fields, their times, and that a reader never sees half a line.

#include "common/TempDir.h"

#include "terminal/EventStream.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <optional>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace torvane::app {
namespace {

std::vector<std::string> Lines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

QJsonObject Parsed(const std::string& line) {
    QJsonParseError error{};
    const auto doc = QJsonDocument::fromJson(QByteArray::fromStdString(line), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << line;
    EXPECT_TRUE(doc.isObject()) << line;
    return doc.object();
}

TEST(EventTimes, AreUtcWithMillisecondsAcrossDaysYearsAndBeforeTheEpoch) {
    EXPECT_EQ(Rfc3339Utc(0), QStringLiteral("1970-01-01T00:00:00.000Z"));
    EXPECT_EQ(Rfc3339Utc(-1), QStringLiteral("1969-12-31T23:59:59.999Z"));
    // 2024-02-29 23:59:59.999, a leap day, and the millisecond after it.
    EXPECT_EQ(Rfc3339Utc(1709251199999), QStringLiteral("2024-02-29T23:59:59.999Z"));
    EXPECT_EQ(Rfc3339Utc(1709251200000), QStringLiteral("2024-03-01T00:00:00.000Z"));
    EXPECT_EQ(Rfc3339Utc(1798761599007), QStringLiteral("2026-12-31T23:59:59.007Z"));
    const auto now = UtcNowMs();
    EXPECT_GT(now, 1700000000000);
}

TEST(EventStream, EveryLineIsOneObjectWithTheCommonFields) {
    test::TempDir dir;
    std::string problem;
    auto stream = EventStream::Open(dir / "ev.jsonl", problem);
    ASSERT_TRUE(stream) << problem;
    stream->Clock = [] { return std::int64_t{1798761599007}; };
    stream->Host = QStringLiteral("node7");
    QJsonObject fields{{"worker", 1}, {"cpu", 3}, {"message", "a \"quoted\"\nline"}};
    EXPECT_TRUE(stream->Emit("error", fields));
    EXPECT_TRUE(stream->Emit("run_end", {}));
    EXPECT_TRUE(stream->Problem().empty());

    const auto lines = Lines(dir / "ev.jsonl");
    ASSERT_EQ(lines.size(), 2u);
    const auto first = Parsed(lines[0]);
    EXPECT_EQ(first["v"].toInt(), EventSchemaVersion);
    EXPECT_EQ(first["time"].toString(), QStringLiteral("2026-12-31T23:59:59.007Z"));
    EXPECT_EQ(first["host"].toString(), QStringLiteral("node7"));
    EXPECT_EQ(first["event"].toString(), QStringLiteral("error"));
    EXPECT_EQ(first["cpu"].toInt(), 3);
    EXPECT_EQ(first["message"].toString(), QStringLiteral("a \"quoted\"\nline"));
    EXPECT_EQ(Parsed(lines[1])["event"].toString(), QStringLiteral("run_end"));
}

TEST(EventStream, AnExistingFileIsAddedToAndAMissingFolderIsNamed) {
    test::TempDir dir;
    // The lines of an earlier run (one that failed, say) stay: the new run's follow them.
    const auto path = dir.Write("ev.jsonl", "{\"old\":1}\n{\"old\":2}\n");
    std::string problem;
    EventStream::Open(path, problem)->Emit("run_start", {});
    EventStream::Open(path, problem)->Emit("run_start", {});
    const auto lines = Lines(path);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[1], "{\"old\":2}");
    EXPECT_EQ(Parsed(lines[3])["event"].toString(), QStringLiteral("run_start"));

    EXPECT_FALSE(EventStream::Open(dir / "no/such/ev.jsonl", problem));
    EXPECT_NE(problem.find("no/such/ev.jsonl"), std::string::npos) << problem;
    EXPECT_NE(problem.find("No such file"), std::string::npos) << problem;
}

TEST(EventStream, TheNodeAndTheRunAreInEveryEventOnceKnown) {
    test::TempDir dir;
    std::string problem;
    auto stream = EventStream::Open(dir / "ev.jsonl", problem);
    stream->Node.clear();
    EXPECT_TRUE(stream->Emit("run_start", {}));
    stream->Node = QStringLiteral("rack2-n07");
    stream->Run = NewRunId();
    EXPECT_TRUE(stream->Emit("heartbeat", {{"worker", 0}}));
    const auto lines = Lines(dir / "ev.jsonl");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_FALSE(Parsed(lines[0]).contains("node"));
    EXPECT_FALSE(Parsed(lines[0]).contains("run"));
    EXPECT_EQ(Parsed(lines[1])["node"].toString(), QStringLiteral("rack2-n07"));
    EXPECT_EQ(Parsed(lines[1])["run"].toString(), stream->Run);
}

TEST(EventStream, TheNodeNameComesFromTheSchedulerAndRunIdsDiffer) {
    const auto saved = [](const char* name) {
        const char* v = std::getenv(name);
        return v ? std::optional<std::string>(v) : std::nullopt;
    };
    const auto node = saved("TORVANE_NODE"), slurm = saved("SLURMD_NODENAME");
    ::unsetenv("TORVANE_NODE");
    ::unsetenv("SLURMD_NODENAME");
    EXPECT_EQ(NodeName(), QString());
    ::setenv("SLURMD_NODENAME", "n12", 1);
    EXPECT_EQ(NodeName(), QStringLiteral("n12"));
    EventStream stream(-1);
    EXPECT_EQ(stream.Node, QStringLiteral("n12"));
    // The manifests' own variable comes first; an empty one counts as none.
    ::setenv("TORVANE_NODE", "worker-3.example", 1);
    EXPECT_EQ(NodeName(), QStringLiteral("worker-3.example"));
    ::setenv("TORVANE_NODE", " ", 1);
    EXPECT_EQ(NodeName(), QStringLiteral("n12"));
    for (const auto& [name, value] : {std::pair{"TORVANE_NODE", node}, std::pair{"SLURMD_NODENAME", slurm}})
        value ? ::setenv(name, value->c_str(), 1) : ::unsetenv(name);

    const QString a = NewRunId(), b = NewRunId();
    EXPECT_NE(a, b);
    EXPECT_EQ(a.size(), 32);
    for (const QChar c : a)
        EXPECT_TRUE(c.isDigit() || (c >= QLatin1Char('a') && c <= QLatin1Char('f'))) << int{c.unicode()};
}

TEST(EventStream, ALineLongerThanAPipeHoldsArrivesWholeAndAGoneReaderIsAFailure) {
    std::signal(SIGPIPE, SIG_IGN);
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    std::string received;
    std::thread reader([&] {
        char buf[4096];
        for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;)
            received.append(buf, static_cast<size_t>(n));
    });
    {
        EventStream stream(fds[1]);
        const QString detail(200000, QLatin1Char('x'));
        EXPECT_TRUE(stream.Emit("error", {{"detail", detail}}));
    }
    ::close(fds[1]);
    reader.join();
    ::close(fds[0]);
    ASSERT_EQ(received.back(), '\n');
    EXPECT_EQ(received.find('\n'), received.size() - 1);
    EXPECT_EQ(Parsed(received.substr(0, received.size() - 1))["detail"].toString().size(), 200000);

    ASSERT_EQ(::pipe(fds), 0);
    ::close(fds[0]);
    EventStream broken(fds[1]);
    EXPECT_FALSE(broken.Emit("heartbeat", {}));
    EXPECT_NE(broken.Problem().find("pipe"), std::string::npos) << broken.Problem();
    ::close(fds[1]);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A SIGKILL can cut even a line of one write call where it crosses a page of the file; the only torn line
// it may leave is the last, and that one is the beginning of the line the writer was writing.
TEST(EventStream, AWriterKilledAtAnyMomentLeavesWholeLinesAndAtMostATornLastOne) {
    test::TempDir dir;
    const auto path = dir / "ev.jsonl";
    const QString padding(3000, QLatin1Char('p'));
    const auto prepare = [](EventStream& stream) {
        stream.Clock = [] { return std::int64_t{1798761599007}; };
        stream.Host = QStringLiteral("node7");
    };
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::string problem;
        auto stream = EventStream::Open(path, problem);
        prepare(*stream);
        for (int i = 0;; ++i) stream->Emit("heartbeat", {{"n", i}, {"padding", padding}});
    }
    // Wait until the writer is well under way, then kill it in the middle of whatever it does.
    for (int i = 0; i < 200; ++i) {
        std::ifstream in(path, std::ios::ate);
        if (in && in.tellg() > 200000) break;
        ::usleep(2000);
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);

    const std::string text = ReadFile(path);
    ASSERT_FALSE(text.empty());
    const auto wholeEnd = text.rfind('\n') + 1;
    int n = 0;
    std::istringstream whole(text.substr(0, wholeEnd));
    for (std::string line; std::getline(whole, line);) EXPECT_EQ(Parsed(line)["n"].toInt(), n++);
    EXPECT_GT(n, 10);
    // What follows the last newline is the start of line n, never anything else.
    const std::string torn = text.substr(wholeEnd);
    std::string problem;
    auto expected = EventStream::Open(dir / "expected.jsonl", problem);
    prepare(*expected);
    expected->Emit("heartbeat", {{"n", n}, {"padding", padding}});
    EXPECT_EQ(ReadFile(dir / "expected.jsonl").compare(0, torn.size(), torn), 0) << torn;
}

// A writer whose line went out only in part writes nothing more (a line after it would leave the torn one
// in the middle); a line that failed before its first byte leaves the stream as it was.
TEST(EventStream, NothingFollowsALineThatWentOutOnlyInPart) {
    int fds[2];
    ASSERT_EQ(::pipe2(fds, O_NONBLOCK), 0);
    const auto drain = [&] {
        std::string got;
        char buf[65536];
        for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;) got.append(buf, static_cast<size_t>(n));
        return got;
    };
    EventStream stream(fds[1]);
    const QString big(::fcntl(fds[1], F_GETPIPE_SZ) * 2, QLatin1Char('x'));
    ASSERT_TRUE(stream.Emit("heartbeat", {{"n", 0}}));
    EXPECT_FALSE(stream.Emit("heartbeat", {{"n", 1}, {"padding", big}}));
    EXPECT_FALSE(stream.Problem().empty());
    std::string got = drain();
    EXPECT_FALSE(stream.Emit("run_end", {}));
    got += drain();
    ASSERT_EQ(std::count(got.begin(), got.end(), '\n'), 1) << "the first line, whole, and no line after it";
    EXPECT_NE(got.back(), '\n');
    EXPECT_EQ(got.find("\"run_end\""), std::string::npos);

    // A pipe that is full takes nothing of a line: the stream goes on once there is room again.
    EventStream other(fds[1]);
    while (::write(fds[1], "f", 1) == 1) {
    }
    EXPECT_FALSE(other.Emit("heartbeat", {{"n", 2}}));
    drain();
    EXPECT_TRUE(other.Emit("run_end", {}));
    got = drain();
    EXPECT_EQ(Parsed(got.substr(0, got.size() - 1))["event"].toString(), QStringLiteral("run_end"));
    ::close(fds[0]);
    ::close(fds[1]);
}

// A run killed in the middle of a line, then the machine tested again into the same file: the new run's
// lines start on a line of their own, and the program says what it removed.
TEST(EventStream, ARunAddingToAFileOfAKilledRunStartsOnALineOfItsOwn) {
    test::TempDir dir;
    const auto path = dir.Write("ev.jsonl", "{\"old\":1}\n{\"old\":2,\"pad");
    std::string problem;
    auto stream = EventStream::Open(path, problem);
    ASSERT_TRUE(stream) << problem;
    EXPECT_NE(stream->Notice().find("ended in a line cut short (13 bytes"), std::string::npos)
        << stream->Notice();
    EXPECT_TRUE(stream->Emit("run_start", {}));
    const auto lines = Lines(path);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "{\"old\":1}");
    EXPECT_EQ(Parsed(lines[1])["event"].toString(), QStringLiteral("run_start"));
    EXPECT_TRUE(EventStream::Open(path, problem)->Notice().empty()) << "a file that ends whole is left whole";
}

TEST(EventStream, ATornEndIsCutOffBeforeLinesAreAddedAndNothingElseIs) {
    test::TempDir dir;
    // As a stream opens its file: for writing only.
    const auto cut = [&](const std::string& content) {
        const auto path = dir.Write("f", content);
        const int fd = ::open(path.c_str(), O_WRONLY);
        const auto removed = CutTornLastLine(fd);
        ::close(fd);
        return std::make_pair(removed, ReadFile(path));
    };
    EXPECT_EQ(cut("a\nbb\npart"), std::make_pair(std::int64_t{4}, std::string("a\nbb\n")));
    EXPECT_EQ(cut("a\nbb\n"), std::make_pair(std::int64_t{0}, std::string("a\nbb\n")));
    EXPECT_EQ(cut(""), std::make_pair(std::int64_t{0}, std::string()));
    EXPECT_EQ(cut("\n"), std::make_pair(std::int64_t{0}, std::string("\n")));
    EXPECT_EQ(cut("torn"), std::make_pair(std::int64_t{4}, std::string()));
    // Longer than one piece of the backward search, with and without a whole line before it.
    const std::string longTail(10000, 'y');
    EXPECT_EQ(cut("x\n" + longTail), std::make_pair(std::int64_t{10000}, std::string("x\n")));
    EXPECT_EQ(cut(longTail), std::make_pair(std::int64_t{10000}, std::string()));
    EXPECT_EQ(cut(std::string(4096, 'z') + "\n" + longTail),
              std::make_pair(std::int64_t{10000}, std::string(4096, 'z') + "\n"));

    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    ASSERT_EQ(::write(fds[1], "part", 4), 4);
    EXPECT_EQ(CutTornLastLine(fds[1]), 0) << "a pipe is no file to cut";
    ::close(fds[0]);
    ::close(fds[1]);
    const int readOnly = ::open(dir.Write("ro", "a\npart").c_str(), O_RDONLY);
    EXPECT_EQ(CutTornLastLine(readOnly), -1);
    ::close(readOnly);
}

} // namespace
} // namespace torvane::app
