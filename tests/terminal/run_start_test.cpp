// What a run says about the processors it may use: the warning when an affinity mask leaves some of the
// machine untested, and the run_start fields a fleet summary judges by.

#include "platform/Affinity.h"
#include "platform/SystemInfo.h"
#include "terminal/Headless.h"

#include <gtest/gtest.h>

#include <QJsonArray>

namespace torvane::app {
namespace {

TEST(AffinityWarning, OnlyWhenTheMaskHoldsFewerProcessorsThanAreOnline) {
    EXPECT_FALSE(AffinityWarning({0, 1}, 2));
    EXPECT_FALSE(AffinityWarning({0, 1, 2}, 2)) << "a count read at another moment is no reason to warn";
    EXPECT_FALSE(AffinityWarning({}, 8)) << "a system that cannot tell";
    const auto one = AffinityWarning({0}, 2);
    ASSERT_TRUE(one);
    EXPECT_EQ(*one,
              QStringLiteral("Warning: only 1 of the machine's 2 processors can be tested: the affinity mask "
                             "this program was started with (a scheduler's allocation, a container's cpuset, "
                             "taskset) holds processor 0."));
    const auto some = AffinityWarning({2, 3, 7}, 64);
    ASSERT_TRUE(some);
    EXPECT_TRUE(some->startsWith(QStringLiteral("Warning: only 3 of the machine's 64 processors")));
    EXPECT_TRUE(some->endsWith(QStringLiteral("holds processors 2, 3, 7.")));
}

TEST(RunStartFields, NameTheProcessorsOnlineAndTheOnesThisProcessMayUse) {
    HeadlessOptions options;
    options.AllProcessors = true;
    const auto fields = RunStartFields(options, {0, 1});
    EXPECT_EQ(fields["processors"].toInt(), static_cast<int>(SystemProcessors().NumberOfProcessors));
    QJsonArray allowed;
    for (int cpu : AllowedProcessors()) allowed.append(cpu);
    EXPECT_EQ(fields["allowed"].toArray(), allowed);
    EXPECT_EQ(fields["cpus"].toArray(), (QJsonArray{0, 1}));
    EXPECT_EQ(fields["workers"].toInt(), 2);
    EXPECT_EQ(fields["options"].toObject()["workers"].toString(), QStringLiteral("all"));
    EXPECT_FALSE(RunStartFields(HeadlessOptions{}, {}).contains("cpus"));
}

} // namespace
} // namespace torvane::app
