// The window's exit paths besides "Exit": a stop signal ends it as "Exit" does, and the shutdown that runs
// when the display server is gone stops the run, removes its work files and stores the settings without
// a word to a screen that is not there.

#include "AppFixture.h"

#include "platform/Files.h"
#include "platform/StopSignals.h"
#include "platform/WorkFolder.h"
#include "window/Application.h"
#include "window/Memo.h"

#include <QCoreApplication>
#include <QTest>

#include <csignal>
#include <cstdlib>

namespace torvane::test {
namespace {

class ExitPaths : public AppTest {
protected:
    // A window whose run is going in the test's work folder, with the three work files there.
    std::unique_ptr<app::TForm1> RunningWindow() {
        key.WriteString("Q1", work.path().toStdString() + "/");
        auto form = MakeForm();
        form->move(321, 123);
        form->idle1->trigger();
        form->Start1->trigger();
        for (const char* name : {"TORVA_1.tmp", "TORVA_2.tmp", "TORVA_3.tmp"}) WriteFile(WorkPath(name), "x");
        return form;
    }
    void ExpectStoppedAndCleanedUp(app::TForm1& form) {
        EXPECT_TRUE(form.Run().State.Stopped);
        for (const char* name : {"TORVA_1.tmp", "TORVA_2.tmp", "TORVA_3.tmp"})
            EXPECT_FALSE(FileExists(WorkPath(name))) << name;
    }
};

TEST_F(ExitPaths, AStopSignalEndsTheWindowAsExitDoes) {
    ASSERT_TRUE(CatchStopSignals());
    for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
        auto form = RunningWindow();
        app::WindowExitPaths paths(*form);
        ASSERT_FALSE(form->QuitRequested());
        ::raise(signal);
        ASSERT_TRUE(QTest::qWaitFor([&] { return form->QuitRequested(); }, WaitLimitMs)) << signal;
        ExpectStoppedAndCleanedUp(*form);
        // The results of the ordinary stop are on the screen.
        EXPECT_TRUE(form->Memo2->Lines().contains("Test Results:")) << signal;
        form->FormDestroy();
        EXPECT_EQ(key.ReadInteger("Q7"), form->frameGeometry().x()) << signal;
        dialogs.Take();
    }
}

TEST_F(ExitPaths, WithoutTheDisplayTheShutdownStillStopsCleansUpAndStores) {
    auto form = RunningWindow();
    const QRect outer = form->frameGeometry();
    form->ShutDownWithoutDisplay();
    ExpectStoppedAndCleanedUp(*form);
    EXPECT_EQ(key.ReadInteger("Q7"), outer.x());
    EXPECT_EQ(key.ReadInteger("Q8"), outer.y());
    // Nothing was shown (there is no screen), and the ordinary shutdown does not run a second time.
    EXPECT_TRUE(dialogs.Take().empty());
    WriteFile(WorkPath("TORVA_1.tmp"), "a file of a later run of another copy");
    form->FormDestroy();
    EXPECT_TRUE(FileExists(WorkPath("TORVA_1.tmp")));
}

// The real path of a display that goes away: Qt calls exit() from inside a workload pass, and the
// shutdown runs among the exit handlers, after the destructors of everything static that was first used
// once the window's exit paths were set up (a run's work file registry, the store's temporary names).
// The shutdown must find those still working: the process ends with Qt's status, not a crash, the work
// files are gone and the position is stored.
TEST_F(ExitPaths, ADisplayLostInTheMiddleOfARunStillEndsItCleanly) {
    key.WriteString("Q1", work.path().toStdString() + "/");
    auto form = MakeForm();
    form->move(321, 123);
    const int left = form->frameGeometry().x();
    // Each test runs in a process of its own: what the child makes below is made for the first time there.
    EXPECT_EXIT(
        {
            app::WindowExitPaths paths(*form);
            form->idle1->trigger();
            form->Start1->trigger();
            TWorkFolder folder(work.path().toStdString() + "/");
            for (const char* name : {"TORVA_1.tmp", "TORVA_2.tmp", "TORVA_3.tmp"})
                folder.Create(name)->Write("partly made", 11);
            key.WriteString("Q11", "0");
            // Not Qt's 1, which is also what a sanitizer ends a process with when it finds a fault.
            std::exit(7);
        },
        ::testing::ExitedWithCode(7), "");
    for (const char* name : {"TORVA_1.tmp", "TORVA_2.tmp", "TORVA_3.tmp"})
        EXPECT_FALSE(FileExists(WorkPath(name))) << name;
    EXPECT_EQ(key.ReadInteger("Q7"), left);
}

TEST_F(ExitPaths, WithoutARunTheShutdownLeavesTheWorkFilesAlone) {
    key.WriteString("Q1", work.path().toStdString() + "/");
    for (const char* name : {"TORVA_1.tmp", "TORVA_2.tmp"}) WriteFile(WorkPath(name), "another copy's");
    auto form = MakeForm();
    form->ShutDownWithoutDisplay();
    for (const char* name : {"TORVA_1.tmp", "TORVA_2.tmp"}) EXPECT_TRUE(FileExists(WorkPath(name))) << name;
}

} // namespace
} // namespace torvane::test
