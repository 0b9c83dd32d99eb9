#pragma once
// What the encryption workload's tests share: a test run on manual clocks in a work folder of its own, and
// small file helpers.

#include "EngineTestSupport.h"
#include "common/TempDir.h"
#include "common/UnwritableFolder.h"

#include "crypto/cipher/Blowfish.h"
#include "crypto/cipher/Cast128.h"
#include "engine/EncryptionWorkload.h"
#include "engine/MmxWorkload.h"
#include "engine/TestRun.h"
#include "engine/WhetstoneWorkload.h"
#include "platform/Files.h"
#include "platform/WorkFolder.h"

#include <gtest/gtest.h>

#include <charconv>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <set>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace torvane;
using namespace torvane::engine;
using torvane::test::FakeRunView;
using torvane::test::Settle;

// In no unnamed namespace: both test files must share the one fixture class.
inline const QStringList Banner = {"Torvane Test 5.0 [ Ombrel ]", "(c) 1999-2000 Quarnett", ""};

inline std::vector<std::string> FilesIn(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = ::opendir(dir.c_str())) {
        while (const dirent* e = ::readdir(d))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") names.push_back(e->d_name);
        ::closedir(d);
    }
    return names;
}

inline std::string ReadText(const std::string& path) {
    const auto bytes = torvane::test::ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

inline void WriteText(const std::string& path, const std::string& text) {
    torvane::test::WriteBytes(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

inline bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// Whether this process holds a descriptor on a file of that name.
inline bool HoldsOpen(const std::string& name) {
    for (const auto& fd : FilesIn("/proc/self/fd")) {
        char target[4096];
        const auto n = ::readlink(("/proc/self/fd/" + fd).c_str(), target, sizeof target - 1);
        if (n > 0 && std::string(target, static_cast<std::size_t>(n)).find(name) != std::string::npos)
            return true;
    }
    return false;
}

class EncryptionTest : public ::testing::Test {
protected:
    void SetUp() override {
        torvane::test::EngineApp();
        ASSERT_FALSE(work.Path().empty());
        run = std::make_unique<TestRun>(view, test::ManualEnvironment(ms, time));
        run->BannerLines = Banner;
        run->TempDir = work.Path() + "/";
        run->MaxTempSize = 30000;
        run->Whetstone().StartValues.OuterCount = 2;
        run->ClickMenuItem(MenuItem::idle1);
    }
    void TearDown() override { run.reset(); }

    EncryptionWorkload& Workload() { return run->Encryption(); }
    void Start() { run->ClickMenuItem(MenuItem::Start1); }
    // One cycle of a running test, as the Encryptor tick runs it.
    void Cycle(int cipherIndex) {
        Workload().CipherIndex = cipherIndex;
        run->Timer("Encryptor").SetEnabled(true);
        Workload().EncryptorTimer();
    }
    std::string Victim(const std::string& text = "the user's own file") {
        return victims.Write("own.txt", text);
    }
    QStringList InfoBelowBanner() const { return view.Info.mid(Banner.size()); }
    QStringList RunLogBelowBanner() const { return view.RunLog.mid(Banner.size()); }

    torvane::test::TempDir work, victims;
    ManualMsClock ms{1000};
    ManualWorkTimeSource time;
    FakeRunView view;
    std::unique_ptr<TestRun> run;
};
