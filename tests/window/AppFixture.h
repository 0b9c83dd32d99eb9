#pragma once
// Shared set-up of the window tests: a fresh settings store and work folder per test, scripted dialogs,
// a recording shell, and a main window built on them.

#include "common/SensorBlockFixture.h"
#include "platform/Dialogs.h"
#include "platform/Priority.h"
#include "platform/Settings.h"
#include "platform/Shell.h"
#include "window/Form1.h"
#include "window/TrayIcon.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

namespace torvane::test {

// How long a window test waits for the window system before it gives up: a deadline against a hang, not
// a measure of speed (a busy machine may take seconds to deliver a paint).
inline constexpr int WaitLimitMs = 120000;

class AppTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(config.isValid() && work.isValid());
        ::setenv("TORVANE_CONFIG_DIR", config.path().toUtf8().constData(), 1);
        // The user's private work folder, made on a first start.
        ::setenv("XDG_CACHE_HOME", (config.path() + "/cache").toUtf8().constData(), 1);
        // "Register FileType" writes the desktop's file types: never the user's own.
        ::setenv("XDG_DATA_HOME", (config.path() + "/data").toUtf8().constData(), 1);
        // A block of the test's own, never a monitor's that may be running on this machine.
        ::setenv("TORVANE_SENSOR_BLOCK", sensors.Name().c_str(), 1);
        app::TTrayIcon::SetSystemTrayAvailableForTesting(false);
        // The load modes of the window's run must not change the test program's own priority.
        SetPriorityRequestsApplied(false);
    }
    void TearDown() override {
        app::TTrayIcon::SetSystemTrayAvailableForTesting(std::nullopt);
        ::unsetenv("TORVANE_SENSOR_BLOCK");
    }

    // adjust changes the services before the window is made (clocks, the processor reading).
    std::unique_ptr<app::TForm1> MakeForm(const std::string& commandLine = "",
                                          const std::string& programFile = "/opt/torvane/torvane",
                                          const std::function<void(app::Form1Services&)>& adjust = {}) {
        app::Form1Services services;
        services.Dialogs = &dialogs;
        services.Shell = &shell;
        services.ProgramFile = programFile;
        services.CommandLine = commandLine.empty() ? "\"" + programFile + "\"" : commandLine;
        if (adjust) adjust(services);
        auto form = std::make_unique<app::TForm1>(services);
        QCoreApplication::processEvents();
        return form;
    }

    std::string WorkPath(const std::string& name) const { return work.path().toStdString() + "/" + name; }

    static void WriteFile(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    static std::string ReadFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    QTemporaryDir config;
    QTemporaryDir work;
    ScriptedDialogs dialogs;
    RecordingShell shell;
    SettingsKey key;
    TestSensorBlock sensors; // published only where a test publishes it
};

} // namespace torvane::test
