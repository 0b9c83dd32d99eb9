// Pinning the process to one processor, which the worker processes of the terminal run rely on.

#include "platform/Affinity.h"

#include <gtest/gtest.h>

#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <thread>

namespace torvane {
namespace {

// Runs the check in a child process: pinning is for the whole process and would otherwise narrow the test
// program itself.
template <typename F> int InChild(F check) {
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(check());
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
}

TEST(Affinity, AllowedProcessorsAreTheMaskAscending) {
    const auto cpus = AllowedProcessors();
    ASSERT_FALSE(cpus.empty());
    EXPECT_TRUE(std::is_sorted(cpus.begin(), cpus.end()));
    cpu_set_t set;
    ASSERT_EQ(::sched_getaffinity(0, sizeof set, &set), 0);
    EXPECT_EQ(static_cast<int>(cpus.size()), CPU_COUNT(&set));
    for (int cpu : cpus) EXPECT_TRUE(CPU_ISSET(cpu, &set)) << cpu;
}

TEST(Affinity, PinningReachesThreadsThatRunAlreadyAndThoseStartedLater) {
    const int last = AllowedProcessors().back();
    EXPECT_EQ(InChild([last] {
                  std::atomic<bool> go{false};
                  std::atomic<int> before{-1};
                  std::thread early([&] {
                      while (!go.load()) std::this_thread::yield();
                      before = sched_getcpu();
                  });
                  const auto problem = PinProcessToProcessor(last);
                  go = true;
                  early.join();
                  if (problem) return 1;
                  if (AllowedProcessors() != std::vector<int>{last}) return 2;
                  if (before.load() != last) return 3;
                  int later = -1;
                  std::thread([&] { later = sched_getcpu(); }).join();
                  return later == last ? 0 : 4;
              }),
              0);
}

TEST(Affinity, AProcessorOutsideTheMachineIsRefusedWithTheReason) {
    const auto all = AllowedProcessors();
    EXPECT_EQ(InChild([&all] {
                  const auto problem = PinProcessToProcessor(8191);
                  if (!problem || problem->find("8191") == std::string::npos) return 1;
                  if (!PinProcessToProcessor(-1)) return 2;
                  // Nothing was narrowed by the refusals.
                  return AllowedProcessors() == all ? 0 : 3;
              }),
              0);
}

} // namespace
} // namespace torvane
