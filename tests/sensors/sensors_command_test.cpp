#include "SensorsCommand.h"
#include "common/SensorBlockFixture.h"

#include "hw/MBM4Wrapper.h"
#include "hw/Real48.h"
#include "platform/Error.h"
#include "platform/SharedMemory.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <map>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>

namespace torvane::sensors {
namespace {

class FakeSensors final : public ISensorSource {
public:
    explicit FakeSensors(std::vector<SensorRow> rows) : rows_(std::move(rows)) {
        for (std::size_t i = 0; i < rows_.size(); ++i) Now[i] = rows_[i].Celsius;
    }
    const std::vector<SensorRow>& Rows() const override { return rows_; }
    std::optional<double> Read(std::size_t row) override { return Now[row]; }
    std::map<std::size_t, std::optional<double>> Now;

private:
    std::vector<SensorRow> rows_;
};

const std::vector<SensorRow> kRyzen = {
    {"k10temp", "k10temp-pci-00c3", "Tctl", 45.0},
    {"k10temp", "k10temp-pci-00c3", "Tccd1", 44.0},
    {"nct6797", "nct6797-isa-0290", "AUXTIN0", 127.0},
    {"acpitz", "acpitz-acpi-0", "temp1", 16.8},
};

class SensorsCommand : public ::testing::Test {
protected:
    // Runs the command; onRewrite is called after each rewrite and says whether to go on.
    int Run(std::vector<std::string> args, const std::function<bool(int rewrite)>& onRewrite = {}) {
        args.push_back("--block");
        args.push_back(block);
        SensorsEnvironment env;
        env.OpenSensors = [this]() -> std::unique_ptr<ISensorSource> {
            ++opened;
            if (openFails) throw Exception("cannot start libsensors: Can't parse config file");
            auto fake = std::make_unique<FakeSensors>(rows);
            sensors = fake.get();
            return fake;
        };
        int rewrite = 0;
        env.WaitForNextRewrite = [&] { return onRewrite && onRewrite(++rewrite); };
        env.Out = &out;
        env.Err = &err;
        return RunSensors(args, env);
    }
    std::array<double, 3> Published() const {
        TSharedMemoryView view(block);
        EXPECT_TRUE(view.Map());
        std::array<double, 3> values{};
        for (int i = 0; i < 3; ++i) values[i] = hw::Real48ToDouble(view.Data() + hw::kTemperatureOffsets[i]);
        return values;
    }

    std::string block = test::UniqueBlockName();
    std::vector<SensorRow> rows = kRyzen;
    bool openFails = false;
    int opened = 0;
    FakeSensors* sensors = nullptr;
    std::ostringstream out, err;
};

TEST_F(SensorsCommand, FixedValuesArePublishedExactlyWithoutSensorsAndRemovedAtTheEnd) {
    std::array<double, 3> seen{};
    EXPECT_EQ(Run({"--fixed", "45.5,46.5,-30"},
                  [&](int) {
                      seen = Published();
                      return false;
                  }),
              0);
    EXPECT_EQ(seen, (std::array<double, 3>{45.5, 46.5, -30}));
    EXPECT_EQ(opened, 0);
    EXPECT_FALSE(TSharedMemoryView::Exists(block));
}

TEST_F(SensorsCommand, SensorReadingsArePublishedInTheChosenScaleEveryRewrite) {
    std::vector<std::array<double, 3>> seen;
    EXPECT_EQ(Run({},
                  [&](int rewrite) {
                      seen.push_back(Published());
                      sensors->Now[0] = 50.0;
                      return rewrite < 2;
                  }),
              0);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0][0], 45.0);
    EXPECT_NEAR(seen[0][1], 16.8, 1e-9); // a 6-byte real holds 40 bits of it
    EXPECT_EQ(seen[0][2], 44.0);
    EXPECT_EQ(seen[1][0], 50.0);
    EXPECT_NE(out.str().find("Temp 1: k10temp-pci-00c3 Tctl"), std::string::npos) << out.str();

    seen.clear();
    EXPECT_EQ(Run({"--fahrenheit"},
                  [&](int) {
                      seen.push_back(Published());
                      return false;
                  }),
              0);
    EXPECT_DOUBLE_EQ(seen.at(0)[0], 113.0);
}

TEST_F(SensorsCommand, EveryRewriteIsASignOfLifeInTheChosenScale) {
    std::vector<std::optional<double>> read;
    EXPECT_EQ(Run({"--fahrenheit"},
                  [&](int rewrite) {
                      read.push_back(hw::TMBM4Wrapper(block).Reading(1));
                      return rewrite < 2;
                  }),
              0);
    EXPECT_EQ(read, (std::vector<std::optional<double>>{113.0, 113.0}));
    // The mark says the scale: 113 is a Fahrenheit reading here, in range.
    Run({"--fahrenheit"}, [&](int) {
        TSharedMemoryView view(block);
        EXPECT_TRUE(view.Map());
        EXPECT_EQ(view.Data()[hw::kScaleOffset], 'F');
        EXPECT_GE(hw::SensorClockMs() - static_cast<std::int64_t>(*reinterpret_cast<const std::uint64_t*>(
                                            view.Data() + hw::kBeatOffset)),
                  0);
        return false;
    });
}

TEST_F(SensorsCommand, ASensorThatFailsReadsZeroIsReportedOnceAndComesBack) {
    std::vector<double> first;
    EXPECT_EQ(Run({},
                  [&](int rewrite) {
                      first.push_back(Published()[0]);
                      sensors->Now[0] = rewrite < 3 ? std::nullopt : std::optional<double>(47.0);
                      return rewrite < 4;
                  }),
              0);
    EXPECT_EQ(first, (std::vector<double>{45.0, 0.0, 0.0, 47.0}));
    const auto message = err.str();
    EXPECT_NE(message.find("k10temp-pci-00c3 Tctl cannot be read"), std::string::npos) << message;
    EXPECT_EQ(message.find("cannot be read"), message.rfind("cannot be read")) << message;
}

TEST_F(SensorsCommand, ListShowsEverySensorAndTheChoiceWithoutPublishing) {
    EXPECT_EQ(Run({"--list"}), 0);
    const auto text = out.str();
    for (const char* expected :
         {"k10temp-pci-00c3 Tctl", "45.0 C", "k10temp-pci-00c3 Tccd1", "acpitz-acpi-0 temp1",
          "127.0 C  (no sensor connected; never chosen)", "Temp 1: k10temp-pci-00c3 Tctl",
          "Temp 2: acpitz-acpi-0 temp1", "Temp 3: k10temp-pci-00c3 Tccd1"})
        EXPECT_NE(text.find(expected), std::string::npos) << expected << " in\n" << text;
    EXPECT_FALSE(TSharedMemoryView::Exists(block));
    out.str("");
    EXPECT_EQ(Run({"--list", "--fahrenheit"}), 0);
    EXPECT_NE(out.str().find("113.0 F"), std::string::npos) << out.str();
}

TEST_F(SensorsCommand, NoSensorIsAClearFailure) {
    rows.clear();
    EXPECT_EQ(Run({}), 1);
    EXPECT_NE(err.str().find("no temperature sensor found"), std::string::npos) << err.str();
    EXPECT_NE(err.str().find("--fixed"), std::string::npos) << err.str();
    EXPECT_EQ(Run({"--list"}), 1);
    EXPECT_FALSE(TSharedMemoryView::Exists(block));

    err.str("");
    openFails = true;
    EXPECT_EQ(Run({}), 1);
    EXPECT_NE(err.str().find("Can't parse config file"), std::string::npos) << err.str();
}

TEST_F(SensorsCommand, BadCommandLinesAreRefusedBeforeAnythingIsPublished) {
    for (const auto& args : std::vector<std::vector<std::string>>{{"--fixed", "45.5,46.5"},
                                                                  {"--fixed", "1,2,3,4"},
                                                                  {"--fixed", "1,,3"},
                                                                  {"--fixed", "1,2,3,"},
                                                                  {"--fixed", "a,b,c"},
                                                                  {"--fixed", "45.5C,1,2"},
                                                                  {"--fixed", "1e39,0,0"},
                                                                  {"--fixed", "-500,0,0"},
                                                                  {"--fixed", "1e30,0,0"},
                                                                  {"--fixed", "1,150.5,0"},
                                                                  {"--fixed", "nan,0,0"},
                                                                  {"--fixed", "1,2,3", "--list"},
                                                                  {"--fixed", "1,2,3", "--fahrenheit"},
                                                                  {"--celsius"}}) {
        err.str("");
        EXPECT_EQ(Run(args, [](int) { return false; }), 2) << args.at(0) << " " << args.at(1 % args.size());
        EXPECT_FALSE(err.str().empty());
        EXPECT_FALSE(TSharedMemoryView::Exists(block));
    }
    EXPECT_EQ(opened, 0);
    EXPECT_EQ(Run({"--help"}), 0);
    EXPECT_NE(out.str().find("--fixed"), std::string::npos);
}

TEST_F(SensorsCommand, ABlockAnotherPublisherHoldsIsLeftAlone) {
    TSharedMemoryBlock other(block, hw::kSensorBlockSize);
    other.Data()[46] = 0x86;
    EXPECT_EQ(Run({"--fixed", "1,2,3"}, [](int) { return false; }), 1);
    EXPECT_NE(err.str().find("another process publishes it"), std::string::npos) << err.str();
    EXPECT_EQ(other.Data()[46], 0x86);
}

// The program itself: what only a process shows is that its signals end it the ordinary way, with the
// block removed.
class SensorsProgram : public ::testing::TestWithParam<int> {
protected:
    ~SensorsProgram() override {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    void Start(std::vector<std::string> args) {
        args.insert(args.begin(), TORVANE_SENSORS_PROGRAM);
        std::vector<char*> argv;
        for (auto& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        ASSERT_EQ(::posix_spawn(&pid_, argv[0], nullptr, nullptr, argv.data(), environ), 0);
    }
    // Sends the signal to the started program and gives its exit status.
    int End(int signal) {
        EXPECT_EQ(::kill(pid_, signal), 0);
        int status = 0;
        EXPECT_EQ(::waitpid(pid_, &status, 0), pid_);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    pid_t pid_ = -1;
};

TEST_P(SensorsProgram, PublishesFixedValuesUntilTheSignalThenRemovesTheBlock) {
    const auto name = test::UniqueBlockName();
    hw::TMBM4Wrapper wrapper(name);
    Start({"--fixed", "45.5,46.5,30", "--block", name});
    // The program starts in milliseconds; the limit only keeps a broken build from hanging the test.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!wrapper.Present() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_TRUE(wrapper.Present());
    // The block exists before the values are written into it.
    while (wrapper.Temperature(3) != 30 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(wrapper.Temperature(1), 46);
    EXPECT_EQ(wrapper.Temperature(2), 46);
    EXPECT_EQ(wrapper.Temperature(3), 30);
    EXPECT_EQ(End(GetParam()), 0);
    EXPECT_FALSE(wrapper.Present());
}

INSTANTIATE_TEST_SUITE_P(Signals, SensorsProgram, ::testing::Values(SIGTERM, SIGINT, SIGHUP));

} // namespace
} // namespace torvane::sensors
