// The metrics file: the Prometheus text format as node_exporter's textfile collector reads it, and its
// replacement as a whole.

#include "common/TempDir.h"

#include "terminal/Metrics.h"

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <sstream>
#include <sys/stat.h>

namespace torvane::app {
namespace {

// The samples of an exposition text by their name with labels (label values with their escapes: \\, \"
// and \n), checking the format on the way: every line is a comment or a sample, every sample follows its
// family's HELP and TYPE lines, TYPE is a known type, and the text ends with a newline.
std::map<std::string, std::string> Samples(const std::string& text) {
    static const std::regex help(R"(# HELP ([a-zA-Z_:][a-zA-Z0-9_:]*) \S.*)");
    static const std::regex type(
        R"(# TYPE ([a-zA-Z_:][a-zA-Z0-9_:]*) (counter|gauge|untyped|summary|histogram))");
    static const std::regex sample(
        R"(([a-zA-Z_:][a-zA-Z0-9_:]*)(\{[a-zA-Z_][a-zA-Z0-9_]*="(?:[^"\\\n]|\\[\\"n])*"(,[a-zA-Z_][a-zA-Z0-9_]*="(?:[^"\\\n]|\\[\\"n])*")*\})? (-?[0-9.eE+-]+|NaN|[+-]Inf))");
    EXPECT_EQ(text.back(), '\n');
    std::map<std::string, std::string> samples;
    std::map<std::string, std::string> types;
    std::string helped;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        std::smatch m;
        if (std::regex_match(line, m, help)) {
            helped = m[1];
        } else if (std::regex_match(line, m, type)) {
            EXPECT_EQ(m[1], helped) << "TYPE without its HELP: " << line;
            EXPECT_FALSE(types.count(m[1])) << "family twice: " << line;
            types[m[1]] = m[2];
        } else if (std::regex_match(line, m, sample)) {
            EXPECT_TRUE(types.count(m[1])) << "sample before its TYPE: " << line;
            if (types[m[1]] == "counter") {
                EXPECT_TRUE(std::string(m[1]).ends_with("_total")) << line;
            }
            EXPECT_FALSE(samples.count(m[1].str() + m[2].str())) << "sample twice: " << line;
            samples[m[1].str() + m[2].str()] = m[4];
        } else {
            ADD_FAILURE() << "not the text format: " << line;
        }
    }
    return samples;
}

TEST(Metrics, TheSingleRunHasPlainSeriesAndNoTemperatureWhereNoneIsKnown) {
    MetricsState state;
    state.Running = true;
    state.Workers = {{std::nullopt, 2, 3723}};
    const auto s = Samples(MetricsText(state));
    EXPECT_EQ(s.at("torvane_errors_total"), "2");
    EXPECT_EQ(s.at("torvane_worktime_seconds"), "3723");
    EXPECT_EQ(s.at("torvane_running"), "1");
    EXPECT_EQ(s.at("torvane_workers"), "1");
    EXPECT_FALSE(s.count("torvane_temperature_celsius"));
}

TEST(Metrics, WorkersAreLabelledByTheirProcessor) {
    MetricsState state;
    state.Workers = {{0, 0, 180}, {1, 1, 179}, {12, 0, 181}};
    state.TemperatureC = 46.5;
    const auto s = Samples(MetricsText(state));
    EXPECT_EQ(s.at("torvane_errors_total{cpu=\"1\"}"), "1");
    EXPECT_EQ(s.at("torvane_errors_total{cpu=\"12\"}"), "0");
    EXPECT_EQ(s.at("torvane_worktime_seconds{cpu=\"0\"}"), "180");
    EXPECT_EQ(s.at("torvane_running"), "0");
    EXPECT_EQ(s.at("torvane_workers"), "3");
    EXPECT_EQ(s.at("torvane_temperature_celsius"), "46.5");
}

TEST(Metrics, TheFileIsReplacedAsAWholeAndReadableByTheCollector) {
    test::TempDir dir;
    const auto path = dir.Write("torvane.prom", "old");
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    MetricsState state;
    state.Workers = {{std::nullopt, 0, 60}};
    ASSERT_FALSE(WriteMetricsFile(path, state));
    std::ifstream in(path);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    // Every series is labelled with the file's name, so that two runs' files never give the same one.
    MetricsState named = state;
    named.File = "torvane.prom";
    EXPECT_EQ(text, MetricsText(named));
    EXPECT_EQ(Samples(text).at("torvane_running{file=\"torvane.prom\"}"), "0");
    struct stat after {};
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_NE(before.st_ino, after.st_ino) << "written in place, not replaced";

    const auto fresh = dir / "new.prom";
    ASSERT_FALSE(WriteMetricsFile(fresh, state));
    ASSERT_EQ(::stat(fresh.c_str(), &after), 0);
    EXPECT_TRUE(after.st_mode & S_IROTH);
    // No temporary file is left beside them.
    int files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.Path())) ++files;
    EXPECT_EQ(files, 2);

    const auto problem = WriteMetricsFile(dir / "missing/torvane.prom", state);
    ASSERT_TRUE(problem);
    EXPECT_NE(problem->find("missing/torvane.prom"), std::string::npos) << *problem;
}

TEST(Metrics, TheFileLabelIsEscapedAndComesBeforeTheProcessor) {
    MetricsState state;
    state.File = "odd \"name\"\\\n.prom";
    state.Workers = {{4, 1, 60}};
    const auto s = Samples(MetricsText(state));
    EXPECT_EQ(s.at(R"(torvane_errors_total{file="odd \"name\"\\\n.prom",cpu="4"})"), "1");
}

TEST(Metrics, FailedRunsAreThoseBeforeAndThisOneOnceItFailed) {
    MetricsState state;
    state.Workers = {{std::nullopt, 0, 60}};
    EXPECT_EQ(Samples(MetricsText(state)).at("torvane_failed_runs_total"), "0");
    state.FailedRunsBefore = 4;
    EXPECT_EQ(Samples(MetricsText(state)).at("torvane_failed_runs_total"), "4");
    state.Failed = true;
    EXPECT_EQ(Samples(MetricsText(state)).at("torvane_failed_runs_total"), "5");
}

// What a restarted run reads back from the file the run before it left.
TEST(Metrics, TheRecordOfEarlierRunsSurvivesARestart) {
    test::TempDir dir;
    const auto path = dir / "torvane.prom";
    EXPECT_EQ(FailedRunsOnRecord(path), 0) << "no file: no record";

    const auto leftBy = [&](bool running, std::int64_t errors, std::int64_t before, bool failed) {
        MetricsState state;
        state.Running = running;
        state.Workers = {{0, errors, 60}, {1, 0, 60}};
        state.FailedRunsBefore = before;
        state.Failed = failed;
        EXPECT_FALSE(WriteMetricsFile(path, state));
        return FailedRunsOnRecord(path);
    };
    EXPECT_EQ(leftBy(false, 0, 0, false), 0) << "a run that passed";
    EXPECT_EQ(leftBy(false, 2, 0, true), 1) << "a run that found errors counted itself";
    EXPECT_EQ(leftBy(true, 1, 3, true), 4) << "killed after it had counted its error";
    EXPECT_EQ(leftBy(true, 0, 3, false), 4) << "killed (or the machine went down) without telling its end";
    EXPECT_EQ(leftBy(false, 0, 0, true), 1) << "the clock check stopped it";
    // The restart itself: the new run carries the count on.
    MetricsState next;
    next.Running = true;
    next.Workers = {{0, 0, 0}};
    next.FailedRunsBefore = FailedRunsOnRecord(path);
    ASSERT_FALSE(WriteMetricsFile(path, next));
    EXPECT_EQ(FailedRunsOnRecord(path), 2) << "still running: one more only if it is cut off";

    // A file of a version before the count, and files that are none of ours.
    EXPECT_EQ(
        FailedRunsOnRecord(dir.Write("old.prom", "torvane_errors_total{cpu=\"1\"} 2\ntorvane_running 0\n")),
        1);
    EXPECT_EQ(FailedRunsOnRecord(dir.Write("other.prom", "node_load1 3\ntorvane_running_x 1\n")), 0);
    EXPECT_EQ(FailedRunsOnRecord(
                  dir.Write("bad.prom", "torvane_failed_runs_total -5\ntorvane_failed_runs_total x\n")),
              0);
    EXPECT_EQ(FailedRunsOnRecord(dir.Path()), 0) << "a folder";
    const auto fifo = dir / "fifo.prom";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(FailedRunsOnRecord(fifo), 0) << "a FIFO without a writer does not block";
}

TEST(RunMetrics, TheRunAsItsEventsTellItFromStartToStop) {
    namespace ev = engine::event;
    RunMetrics m;
    EXPECT_FALSE(m.Running());
    m.Hear(ev::Started{});
    m.Hear(ev::WorkTime{59});
    m.Hear(ev::WorkTime{60});
    EXPECT_TRUE(m.Running());
    EXPECT_EQ(m.Worker().WorkSeconds, 60);
    EXPECT_FALSE(m.Failed());
    m.Hear(ev::Stopped{engine::StopReason::TimeLimit, 0, 61, engine::Verdict::Passed});
    EXPECT_FALSE(m.Running());
    EXPECT_EQ(m.Worker().WorkSeconds, 61);
    EXPECT_FALSE(m.Failed());
    // A pass that was still running reports its error after the stop: the run failed all the same.
    m.Hear(ev::Error{1, "MMX test failed!", "Calculation error", std::nullopt, std::nullopt, {}, 1});
    EXPECT_TRUE(m.Failed());
    EXPECT_EQ(m.Worker().Errors, 1);

    // A new start begins its work time from nothing; the errors count from the program's start.
    m.Hear(ev::Started{});
    EXPECT_EQ(m.Worker().WorkSeconds, 0);
    EXPECT_TRUE(m.Failed());

    // A jump fails a run without an error.
    RunMetrics jumped;
    jumped.Hear(ev::Started{});
    jumped.Hear(ev::WorkTime{20});
    jumped.Hear(ev::Stopped{engine::StopReason::ClockJump, 0, 0, engine::Verdict::Failed});
    EXPECT_TRUE(jumped.Failed());
    EXPECT_EQ(jumped.Worker().WorkSeconds, 0);
}

TEST(RunMetrics, TheTemperatureIsTheLastReadingHeardAndGoesWithItsBlock) {
    namespace ev = engine::event;
    RunMetrics m;
    EXPECT_FALSE(m.TemperatureC()) << "no reading heard yet";
    m.Hear(ev::Temperature{46.5});
    m.Hear(ev::WorkTime{60});
    EXPECT_EQ(m.TemperatureC(), 46.5);
    MetricsState state;
    state.Workers = {m.Worker()};
    state.TemperatureC = m.TemperatureC();
    EXPECT_NE(MetricsText(state).find("torvane_temperature_celsius 46.5"), std::string::npos)
        << MetricsText(state);
    m.Hear(ev::Temperature{std::nullopt});
    EXPECT_FALSE(m.TemperatureC()) << "a block that went away is no reading";
}

} // namespace
} // namespace torvane::app
