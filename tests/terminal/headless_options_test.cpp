// The terminal front end's command line and its screen.

#include "terminal/HeadlessOptions.h"
#include "terminal/HeadlessView.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

using torvane::app::HeadlessOptions;
using torvane::app::ParseHeadlessOptions;

TEST(HeadlessOptions, ModesAndMinutesInBothSpellings) {
    auto o = ParseHeadlessOptions({"--headless", "--mode", "hardcore", "--minutes", "12"});
    EXPECT_TRUE(o.Error.empty()) << o.Error;
    EXPECT_EQ(o.LoadMode, HeadlessOptions::Mode::Hardcore);
    EXPECT_EQ(o.Minutes, 12);
    o = ParseHeadlessOptions({"--headless", "--mode=idle", "--minutes=1"});
    EXPECT_EQ(o.LoadMode, HeadlessOptions::Mode::Idle);
    EXPECT_EQ(o.Minutes, 1);
    o = ParseHeadlessOptions({"--headless"});
    EXPECT_EQ(o.LoadMode, HeadlessOptions::Mode::Normal);
    EXPECT_EQ(o.Minutes, 0);
    EXPECT_TRUE(ParseHeadlessOptions({"--help"}).Help);
    EXPECT_TRUE(ParseHeadlessOptions({"--headless", "--version"}).Version);
}

TEST(HeadlessOptions, BadCommandLinesAreRefusedWithAReason) {
    const std::vector<std::vector<std::string>> bad = {
        {"--headless", "--mode"},
        {"--headless", "--mode", "turbo"},
        {"--headless", "--minutes", "0"},
        {"--headless", "--minutes", "-3"},
        {"--headless", "--minutes", "12x"},
        {"--headless", "--minutes", ""},
        {"--headless", "--minutes", "99999999999"},
        {"--headless", "--frobnicate"},
        {"--headless=yes"},
    };
    for (const auto& args : bad) {
        const auto o = ParseHeadlessOptions(args);
        EXPECT_FALSE(o.Error.empty()) << args.back();
    }
    EXPECT_NE(ParseHeadlessOptions({"--headless", "--mode", "turbo"}).Error.find("turbo"), std::string::npos);
}

TEST(HeadlessView, PrintsLinesAndAWorkTimeLineOncePerMinute) {
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    {
        torvane::app::HeadlessView view(out);
        view.AppendLine(torvane::engine::Pane::RunLog, "Doing a 3 minute MMX Test");
        view.AppendLine(torvane::engine::Pane::Info, QString::fromUtf8("It\u00B4s"));
        view.Hear(torvane::engine::event::ClearPane{torvane::engine::Pane::RunLog});
        view.ShowWorkTime(59);
        view.ShowWorkTime(60);
        view.ShowWorkTime(61);
        view.ShowWorkTime(3600);
        view.ShowMessage("Hey hey hey!", "stop");
    }
    std::rewind(out);
    std::string text;
    char buf[256];
    while (std::fgets(buf, sizeof buf, out)) text += buf;
    std::fclose(out);
    EXPECT_EQ(text, "Doing a 3 minute MMX Test\n"
                    "It\xC2\xB4s\n"
                    "Work time: 0 d, 0 h, 1 m, 0 s\n"
                    "Work time: 0 d, 1 h, 0 m, 0 s\n"
                    "Hey hey hey!: stop\n");
}

TEST(HeadlessOptions, TheLongestRunAcceptedIsWhatTheWorkTimeHolds) {
    const auto most = std::to_string(torvane::session::MaxMinutes);
    auto o = ParseHeadlessOptions({"--headless", "--minutes", most});
    EXPECT_TRUE(o.Error.empty()) << o.Error;
    EXPECT_EQ(o.Minutes, torvane::session::MaxMinutes);
    // Seconds of work time are signed 32-bit.
    EXPECT_LE(static_cast<long long>(o.Minutes) * 60, 2147483647LL);
    EXPECT_GT((static_cast<long long>(o.Minutes) + 1) * 60, 2147483647LL);
    o = ParseHeadlessOptions({"--headless", "--minutes", std::to_string(torvane::session::MaxMinutes + 1)});
    EXPECT_NE(o.Error.find(most), std::string::npos) << o.Error;
    EXPECT_EQ(ParseHeadlessOptions({"--headless", "--minutes", "1"}).Minutes, 1);
}

TEST(HeadlessOptions, ValuesInAnyCase) {
    EXPECT_EQ(ParseHeadlessOptions({"--headless", "--mode", "Hardcore"}).LoadMode,
              HeadlessOptions::Mode::Hardcore);
    EXPECT_EQ(ParseHeadlessOptions({"--headless", "--mode=IDLE"}).LoadMode, HeadlessOptions::Mode::Idle);
    EXPECT_EQ(ParseHeadlessOptions({"--headless", "--mode", "nOrMaL"}).LoadMode,
              HeadlessOptions::Mode::Normal);
}

TEST(HeadlessOptions, EachFormTakesOnlyItsOwnArguments) {
    // The window: a certificate, and Qt's own options of a window program.
    auto o = ParseHeadlessOptions({"/tmp/a.tvc"});
    EXPECT_TRUE(o.Error.empty()) << o.Error;
    EXPECT_FALSE(o.Headless);
    EXPECT_TRUE(ParseHeadlessOptions({"-platform", "offscreen"}).Error.empty());
    EXPECT_TRUE(ParseHeadlessOptions({"-style", "fusion", "-reverse"}).Error.empty());
    EXPECT_TRUE(ParseHeadlessOptions({}).Error.empty());

    // Options of the terminal run need --headless.
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--minutes", "5"}, {"--mode", "idle"}, {"/tmp/a.tvc", "--mode=idle"}}) {
        o = ParseHeadlessOptions(args);
        EXPECT_NE(o.Error.find("--headless"), std::string::npos) << args.front() << ": " << o.Error;
    }
    // Unknown options are refused in every form.
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--frobnicate"}, {"-x"}})
        EXPECT_FALSE(ParseHeadlessOptions(args).Error.empty()) << args.front();
    // The window's arguments do not belong to the terminal run.
    EXPECT_NE(ParseHeadlessOptions({"--headless", "-platform", "xcb"}).Error.find("window"),
              std::string::npos);
    EXPECT_NE(ParseHeadlessOptions({"--headless", "/tmp/a.tvc"}).Error.find("/tmp/a.tvc"), std::string::npos);

    EXPECT_TRUE(ParseHeadlessOptions({"-h"}).Help);
    EXPECT_TRUE(ParseHeadlessOptions({"--minutes", "5", "--help"}).Help);
}

TEST(HeadlessOptions, TheHelpDescribesEveryFormAndEveryOption) {
    const auto help = torvane::app::HeadlessUsage("torvane");
    for (const char* part : {"torvane FILE.tvc", "torvane --headless", "open the main window", "--help", "-h",
                             "--version", "SIGHUP", "Exit status"})
        EXPECT_NE(help.find(part), std::string::npos) << part;
    for (const auto& option : torvane::session::RunOptionTable())
        EXPECT_EQ(help.find("--" + std::string(option.Name) + " ") != std::string::npos,
                  option.Help != nullptr)
            << option.Name << ": in the help exactly when it has help lines";
}

TEST(HeadlessOptions, TheWindowStartsItsRunWithStartAndTakesOnlyTheFaultBesideIt) {
    auto o = ParseHeadlessOptions({"--start"});
    ASSERT_TRUE(o.Error.empty()) << o.Error;
    EXPECT_TRUE(o.Start);
    EXPECT_FALSE(o.Headless);
    o = ParseHeadlessOptions({"--start", "--inject-fault", "MMX@1", "-platform", "offscreen"});
    ASSERT_TRUE(o.Error.empty()) << o.Error;
    ASSERT_TRUE(o.InjectFault);
    EXPECT_EQ(o.InjectFault->Test, "mmx");
    EXPECT_EQ(o.InjectFault->Cpu, 1) << "the window chooses its processors itself";
    const std::vector<std::pair<std::vector<std::string>, std::string>> bad = {
        {{"--start", "--minutes", "5"}, "belongs to the terminal run: add --headless"},
        {{"--start", "--workers", "all"}, "add --headless"},
        {{"--inject-fault", "mmx"}, "add --headless (the terminal) or --start (the window)"},
        {{"--start", "--headless"}, "does not go with --headless"},
        {{"--start", "--verify", "a.tvc"}, "does not go with --start"},
        {{"--start", "--inject-fault", "encryption"}, "No Encryption tests"},
        {{"--start", "/tmp/a.tvc"}, "/tmp/a.tvc"},
    };
    for (const auto& [args, reason] : bad) {
        const auto e = ParseHeadlessOptions(args).Error;
        EXPECT_NE(e.find(reason), std::string::npos) << args.front() << " " << args.back() << " -> " << e;
    }
}

namespace {

std::string ReadBack(std::FILE* f) {
    std::rewind(f);
    std::string text;
    char buf[256];
    while (std::fgets(buf, sizeof buf, f)) text += buf;
    return text;
}

} // namespace

TEST(HeadlessView, ALineThatCannotBeWrittenIsReportedOnceAndTheRestGoesToStandardError) {
    std::FILE* full = std::fopen("/dev/full", "w");
    if (!full) GTEST_SKIP() << "no /dev/full";
    std::setvbuf(full, nullptr, _IOLBF, 0);
    std::FILE* err = std::tmpfile();
    ASSERT_NE(err, nullptr);
    int failures = 0;
    {
        torvane::app::HeadlessView view(full, err);
        view.OnOutputFailed = [&] { ++failures; };
        view.AppendLine(torvane::engine::Pane::RunLog, "Doing a 5 Minute CPU HeatUP...");
        EXPECT_TRUE(view.OutputFailed());
        view.AppendLine(torvane::engine::Pane::Info, "Test Results:");
        view.ShowError("Cannot create file x (No space left on device)");
    }
    std::fclose(full);
    EXPECT_EQ(failures, 1);
    EXPECT_EQ(ReadBack(err), "torvane: the run log cannot be written to standard output (No space left on "
                             "device); the run stops and its results follow here.\n"
                             "Doing a 5 Minute CPU HeatUP...\n"
                             "Test Results:\n"
                             "torvane: Cannot create file x (No space left on device)\n");
    std::fclose(err);
}

TEST(HeadlessView, AClosedStandardOutputFailsAtTheFirstLine) {
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    int failures = 0;
    {
        torvane::app::HeadlessView view(out, err);
        view.SetOutputClosed();
        view.OnOutputFailed = [&] { ++failures; };
        EXPECT_FALSE(view.OutputFailed());
        view.AppendLine(torvane::engine::Pane::RunLog, "line");
    }
    EXPECT_EQ(failures, 1);
    EXPECT_EQ(ReadBack(out), "");
    EXPECT_NE(ReadBack(err).find("Bad file descriptor"), std::string::npos);
    std::fclose(out);
    std::fclose(err);
}

TEST(HeadlessOptions, TheTestsTheWorkFilesAndTheFaultOfOneRun) {
    auto o = ParseHeadlessOptions({"--headless", "--tests", "MMX, encryption,mmx"});
    ASSERT_TRUE(o.Error.empty()) << o.Error;
    EXPECT_EQ(o.Tests, (std::vector<std::string>{"mmx", "encryption"}));
    EXPECT_TRUE(o.Encryption); // naming the test asks for it
    o = ParseHeadlessOptions({"--headless", "--tests", "whetstone"});
    EXPECT_FALSE(o.Encryption);
    EXPECT_TRUE(ParseHeadlessOptions({"--headless", "--encryption"}).Encryption);
    EXPECT_TRUE(ParseHeadlessOptions({"--headless"}).Tests.empty());

    o = ParseHeadlessOptions({"--headless", "--temp-dir", "/tmp", "--max-temp-size", "1"});
    ASSERT_TRUE(o.Error.empty()) << o.Error;
    EXPECT_EQ(o.TempDir, "/tmp/");
    EXPECT_EQ(o.MaxTempSize, 1048576);
    EXPECT_EQ(ParseHeadlessOptions({"--headless", "--max-temp-size=2047"}).MaxTempSize, 2047 * 1048576);
    EXPECT_FALSE(ParseHeadlessOptions({"--headless"}).MaxTempSize.has_value());

    o = ParseHeadlessOptions({"--headless", "--inject-fault", "Whetstone"});
    ASSERT_TRUE(o.Error.empty()) << o.Error;
    ASSERT_TRUE(o.InjectFault.has_value());
    EXPECT_EQ(o.InjectFault->Test, "whetstone");
    // Whetstone and MMX passes run beside every encryption cycle.
    EXPECT_TRUE(
        ParseHeadlessOptions({"--headless", "--tests", "encryption", "--inject-fault", "mmx"}).Error.empty());
    EXPECT_TRUE(
        ParseHeadlessOptions({"--headless", "--encryption", "--inject-fault", "encryption"}).Error.empty());
}

TEST(HeadlessOptions, TestsSizesFoldersAndFaultsThatCannotBeAreRefused) {
    const std::vector<std::vector<std::string>> bad = {
        {"--headless", "--tests", "disk"},
        {"--headless", "--tests", "mmx,,whetstone"},
        {"--headless", "--tests", ""},
        {"--headless", "--temp-dir", "/no/such/folder"},
        {"--headless", "--temp-dir", ""},
        {"--headless", "--max-temp-size", "0"},
        {"--headless", "--max-temp-size", "2048"},
        {"--headless", "--max-temp-size", "-1"},
        {"--headless", "--max-temp-size", "1.5"},
        {"--headless", "--max-temp-size", "99999999999999999999"},
        {"--headless", "--inject-fault", "heat-up"},
        {"--headless", "--inject-fault", "mmx@1"},
        // A fault the run can never meet.
        {"--headless", "--inject-fault", "encryption"},
        {"--headless", "--tests", "whetstone", "--inject-fault", "mmx"},
        {"--headless", "--tests", "mmx", "--encryption", "--inject-fault", "encryption"},
        {"--encryption"},
    };
    for (const auto& args : bad) {
        const auto o = ParseHeadlessOptions(args);
        std::string all;
        for (const auto& a : args) all += a + " ";
        EXPECT_FALSE(o.Error.empty()) << all;
    }
    EXPECT_NE(
        ParseHeadlessOptions({"--headless", "--tests", "disk"}).Error.find("whetstone, mmx or encryption"),
        std::string::npos);
    EXPECT_NE(ParseHeadlessOptions({"--headless", "--max-temp-size", "2048"}).Error.find("1 to 2047"),
              std::string::npos);
    EXPECT_NE(
        ParseHeadlessOptions({"--headless", "--temp-dir", "/no/such/folder"}).Error.find("/no/such/folder"),
        std::string::npos);
}
