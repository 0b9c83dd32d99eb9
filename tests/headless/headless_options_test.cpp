// The terminal front end's command line and its screen.

#include "app/headless/HeadlessOptions.h"
#include "app/headless/HeadlessView.h"

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
        view.ClearPane(torvane::engine::Pane::RunLog);
        view.SetCounters("0", "0", "0", "59");
        view.SetCounters("0", "0", "1", "0");
        view.SetCounters("0", "0", "1", "1");
        view.SetCounters("0", "1", "0", "0");
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
