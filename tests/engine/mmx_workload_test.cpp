// The MMX pass: its text on a sound processor, the op-code series, and leaving early.

#include "engine/MmxWorkload.h"
#include "hw/MmxPortable.h"

#include <gtest/gtest.h>

#include <vector>

using namespace torvane::engine;

namespace {

// The value each step appended, by recording the text's growth after every step.
std::vector<std::string> StepValues(std::string& text) {
    std::vector<std::string> values;
    std::size_t before = 0;
    torvane::hw::TPentiumMMX mmx;
    RunMmxPass(
        mmx, text, [] { return true; },
        [&] {
            values.push_back(text.substr(before));
            before = text.size();
            return true;
        });
    return values;
}

} // namespace

TEST(MmxPass, TextOfASoundProcessor) {
    std::string text;
    const auto values = StepValues(text);
    ASSERT_EQ(values.size(), 2048u);
    EXPECT_EQ(text.size(), 8712u);
    const std::vector<std::string> first = {
        "15",      "14",    "23",      "0",   "0",     "0",       "0",  "0",   "0",   "0",  "0",   "-512",
        "-131072", "21519", "6291487", "156", "13072", "1114115", "62", "244", "320", "45", "351", "322"};
    EXPECT_EQ(std::vector<std::string>(values.begin(), values.begin() + 24), first);
    EXPECT_EQ(text.substr(0, 30), "15142300000000-512-13107221519");
    const std::vector<std::string> last = {"-1593834177", "-1590624193", "106924", "21264", "1114115"};
    EXPECT_EQ(std::vector<std::string>(values.end() - 5, values.end()), last);
    std::string again;
    StepValues(again);
    EXPECT_EQ(again, text);
}

TEST(MmxPass, OpCodeSeriesAndTheShiftSteps) {
    EXPECT_EQ(MmxStepCode(1), 2);   // k = 2: PANDN
    EXPECT_EQ(MmxStepCode(34), 43); // k = 35: PMULHW
    EXPECT_EQ(MmxStepCode(35), 1);  // k = 1: PAND
    std::string text;
    const auto values = StepValues(text);
    for (int i = 1; i <= 2048; ++i) {
        const int code = MmxStepCode(i);
        if (code == 5 || code == 6 || code == 10 || code == 11 || code == 12) {
            ASSERT_EQ(values[static_cast<std::size_t>(i - 1)], "0") << "step " << i << " code " << code;
        }
    }
}

TEST(MmxPass, LeavesEarlyWhenACheckSaysSo) {
    torvane::hw::TPentiumMMX mmx;
    std::string text;
    int calls = 0;
    EXPECT_FALSE(RunMmxPass(
        mmx, text, [&] { return ++calls <= 10; }, [] { return true; }));
    EXPECT_EQ(text, "1514230000000"); // ten steps: 15, 14, 23 and seven zeros
}
