// The encryption workload's work files: a work folder that refuses them, a stop in the middle of a cycle,
// links planted at their names, one run at a time in a folder.

#include "EncryptionTestSupport.h"

namespace {

class RefusingFolder : public EncryptionTest {
protected:
    // The report's own lines, then the system's reason, so that the user does not suspect the processor.
    void ExpectCodeTwoNamingTheCatalogueEntry(const QString& cause = {}) {
        EXPECT_TRUE(run->State.Stopped);
        EXPECT_EQ(run->State.ErrorCount, 1);
        const auto shown = InfoBelowBanner();
        EXPECT_EQ(
            shown.mid(0, 5),
            (QStringList{"Testing Stopped:", " Error Message: Encryption/Decryption with Cast 128 failed!",
                         " ErrorCode: 2", " Calculation error: N/A", " ErrorType: Unexpected error"}));
        ASSERT_EQ(shown.size(), 6);
        EXPECT_TRUE(shown[5].startsWith(" Cause: ")) << shown[5].toStdString();
        if (!cause.isEmpty()) {
            EXPECT_EQ(shown[5], " Cause: " + cause);
        }
        for (const char* timer : {"Encryptor", "WhetStone1", "MMX1"})
            EXPECT_FALSE(run->Timer(timer).Enabled());
    }
};

TEST_F(RefusingFolder, AMissingWorkFolder) {
    run->TempDir = work.Path() + "/gone/";
    Start();
    Cycle(20);
    ExpectCodeTwoNamingTheCatalogueEntry(QString::fromStdString(
        "Cannot create file " + work.Path() + "/gone/TORVA_1.tmp: No such file or directory"));
}

TEST_F(RefusingFolder, AFileInThePlaceOfTheWorkFolder) {
    run->TempDir = work.Write("plain", "x") + "/";
    Start();
    Cycle(20);
    ExpectCodeTwoNamingTheCatalogueEntry(
        QString::fromStdString("Cannot create file " + work.Path() + "/plain/TORVA_1.tmp: Not a directory"));
}

TEST_F(RefusingFolder, AFolderNothingCanBeWrittenTo) {
    const test::UnwritableFolder locked(work.Path());
    if (!locked.Refusal()) GTEST_SKIP() << "no way to make a folder refuse writes here";
    Start();
    Cycle(20);
    ExpectCodeTwoNamingTheCatalogueEntry(QString::fromStdString(
        "Cannot create file " + work.Path() + "/TORVA_1.tmp: " + std::strerror(locked.Refusal())));
}

TEST_F(RefusingFolder, AFullDisk) {
    // A file size limit refuses writes as a full disk does.
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 2048;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    Start();
    Cycle(20);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
    ExpectCodeTwoNamingTheCatalogueEntry();
    // What went wrong stands in the run log above the report.
    EXPECT_TRUE(FilesIn(work.Path()).empty()); // the stop sequence removed the half-written file
}

TEST_F(EncryptionTest, AStopWhileTheRandomFileIsWrittenClosesItAndTheStopRemovesIt) {
    run->MaxTempSize = 200000;
    Start();
    bool sawFile = false;
    int repaints = 0;
    view.OnRepaint = [&] {
        if (++repaints == 20) {
            sawFile = Exists(work / PlainWorkFile);
            run->ClickMenuItem(MenuItem::Stop1);
        }
    };
    Cycle(3);
    view.OnRepaint = nullptr;
    EXPECT_TRUE(sawFile);
    EXPECT_FALSE(HoldsOpen(PlainWorkFile));
    EXPECT_TRUE(FilesIn(work.Path()).empty());
    EXPECT_EQ(run->State.ErrorCount, 0);
    EXPECT_EQ(InfoBelowBanner().at(1), "Test Results:");
    EXPECT_FALSE(run->Timer("Encryptor").Enabled());
    // Nothing of the cycle came after the file.
    EXPECT_TRUE(std::none_of(view.RunLog.begin(), view.RunLog.end(),
                             [](const QString& l) { return l.startsWith("Encrypting"); }));
}

TEST_F(EncryptionTest, AStopAndANewStartInsideTheCycleLeaveTheNewRunAlone) {
    run->MaxTempSize = 200000;
    // The new run's own encryption test, as its sequencer starts it.
    const auto restart = [&] {
        run->ClickMenuItem(MenuItem::Stop1);
        run->ClickMenuItem(MenuItem::Start1);
        run->RunCompanions();
        run->Timer("Encryptor").SetEnabled(true);
    };
    // Between two lines of the random file, and in the middle of the encryption.
    for (const bool whileCoding : {false, true}) {
        Start();
        int repaints = 0;
        bool restarted = false;
        if (whileCoding) {
            run->Cipher1.OnProgress = [&, inner = run->Cipher1.OnProgress](const void* s, std::int64_t c,
                                                                           std::int64_t m) {
                if (!restarted && c > 0) {
                    restarted = true;
                    restart();
                }
                inner(s, c, m);
            };
        } else {
            view.OnRepaint = [&] {
                if (++repaints == 20 && !restarted) {
                    restarted = true;
                    restart();
                }
            };
        }
        Cycle(3);
        view.OnRepaint = nullptr;
        ASSERT_TRUE(restarted) << whileCoding;
        EXPECT_FALSE(run->State.Stopped) << whileCoding;
        EXPECT_EQ(run->State.ErrorCount, 0) << whileCoding;
        EXPECT_FALSE(view.RunLog.contains("CRC check FAILED")) << whileCoding;
        for (const char* timer : {"Encryptor", "WhetStone1", "MMX1"})
            EXPECT_TRUE(run->Timer(timer).Enabled()) << timer << " " << whileCoding;
    }
}

TEST_F(EncryptionTest, AFailureOfAStoppedCycleAfterANewStartIsNotTheNewRuns) {
    run->MaxTempSize = 200000;
    Start();
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    bool restarted = false;
    // Stopped and started again in the middle of the encryption, whose next write then fails.
    run->Cipher1.OnProgress = [&, inner = run->Cipher1.OnProgress](const void* s, std::int64_t c,
                                                                   std::int64_t m) {
        if (!restarted && c > 0) {
            restarted = true;
            run->ClickMenuItem(MenuItem::Stop1);
            run->ClickMenuItem(MenuItem::Start1);
            run->RunCompanions();
            run->Timer("Encryptor").SetEnabled(true);
            rlimit small = old;
            small.rlim_cur = static_cast<rlim_t>(c);
            ::setrlimit(RLIMIT_FSIZE, &small);
        }
        inner(s, c, m);
    };
    Cycle(3);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
    ASSERT_TRUE(restarted);
    EXPECT_FALSE(run->State.Stopped);
    EXPECT_EQ(run->State.ErrorCount, 0);
    for (const char* timer : {"Encryptor", "WhetStone1", "MMX1"})
        EXPECT_TRUE(run->Timer(timer).Enabled()) << timer;
}

TEST_F(EncryptionTest, AStopWhileCodingKeepsTheWorkTimeAsTheStopShowedIt) {
    run->MaxTempSize = 400000;
    Start();
    time.Pass(7000);
    bool stopped = false;
    // Stopped from inside the progress of the checksum: the rest of the coding reports progress too.
    run->EncryptorHash1.OnProgress =
        [&, inner = run->EncryptorHash1.OnProgress](const void* s, std::int64_t c, std::int64_t m) {
            if (!stopped && c > 0) {
                stopped = true;
                run->ClickMenuItem(MenuItem::Stop1);
            }
            inner(s, c, m);
        };
    Cycle(3);
    ASSERT_TRUE(stopped);
    EXPECT_EQ(view.Counters, (std::array<QString, 4>{"0", "0", "0", "7"}));
    EXPECT_EQ(run->State.ErrorCount, 0);
    EXPECT_TRUE(FilesIn(work.Path()).empty());
}

class PlantedLinks : public EncryptionTest {};

TEST_F(PlantedLinks, ALinkAtTheFilesNameBeforeTheCycleIsRemovedNotFollowed) {
    const auto victim = Victim();
    ASSERT_EQ(::symlink(victim.c_str(), (work / PlainWorkFile).c_str()), 0);
    ASSERT_EQ(::symlink(victim.c_str(), (work / CodedWorkFile).c_str()), 0);
    Start(); // removes both names, not what they lead to
    ASSERT_EQ(::symlink(victim.c_str(), (work / PlainWorkFile).c_str()), 0);
    Cycle(20);
    EXPECT_EQ(view.RunLog.back(), "CRC check passed");
    EXPECT_EQ(ReadText(victim), "the user's own file");
    ASSERT_EQ(::symlink(victim.c_str(), (work / ThirdWorkFile).c_str()), 0);
    run->ClickMenuItem(MenuItem::Stop1);
    EXPECT_TRUE(FilesIn(work.Path()).empty());
    EXPECT_EQ(ReadText(victim), "the user's own file");
}

TEST_F(PlantedLinks, ALinkPlantedWhileTheCycleRunsIsRefused) {
    const auto victim = Victim();
    struct Case {
        const char* what;
        std::function<void()> plant;
    };
    const Case cases[] = {
        // The encrypted file's name taken before the cycle creates it.
        {"coded", [&] { ::symlink(victim.c_str(), (work / CodedWorkFile).c_str()); }},
        // The plain file swapped for a link between two of its lines.
        {"plain",
         [&] {
             ::unlink((work / PlainWorkFile).c_str());
             ::symlink(victim.c_str(), (work / PlainWorkFile).c_str());
         }},
        // The plain file swapped for another file of the same name.
        {"swapped",
         [&] {
             ::unlink((work / PlainWorkFile).c_str());
             WriteText(work / PlainWorkFile, "c\r\n");
         }},
    };
    for (const auto& c : cases) {
        run->State.ErrorCount = 0;
        run->MaxTempSize = 200000;
        Start();
        int repaints = 0;
        view.OnRepaint = [&] {
            if (++repaints == 5) c.plant();
        };
        Cycle(20);
        view.OnRepaint = nullptr;
        EXPECT_EQ(run->State.ErrorCount, 1) << c.what;
        EXPECT_EQ(InfoBelowBanner().at(2), " ErrorCode: 2") << c.what;
        EXPECT_EQ(ReadText(victim), "the user's own file") << c.what;
        EXPECT_TRUE(FilesIn(work.Path()).empty()) << c.what;
    }
}

TEST_F(EncryptionTest, OneRunAtATimeInAWorkFolder) {
    // A second program (another window, a viewer started by a double-click) with the same folder.
    FakeRunView otherView;
    ManualWorkTimeSource otherTime;
    auto other = std::make_unique<TestRun>(otherView, test::ManualEnvironment(ms, otherTime));
    other->TempDir = run->TempDir;
    other->ClickMenuItem(MenuItem::idle1);

    Start();
    ASSERT_TRUE(run->HoldsWorkFolder());
    run->MaxTempSize = 200000;
    Workload().TargetSize = 150000;
    // The other run starts while this one's plain file is being written: it refuses, and touches nothing.
    bool refused = false;
    int repaints = 0;
    view.OnRepaint = [&] {
        if (++repaints != 5) return;
        other->ClickMenuItem(MenuItem::Start1);
        refused = other->State.Stopped && !otherView.Messages.empty();
        other->RemoveLeftWorkFiles(true);
    };
    Cycle(3);
    view.OnRepaint = nullptr;
    ASSERT_TRUE(refused);
    EXPECT_EQ(otherView.Messages.back().first, "Error");
    EXPECT_EQ(
        otherView.Messages.back().second,
        QString::fromStdString("The work folder " + run->TempDir +
                               " is in use by another test run: two runs in one folder would break each "
                               "other's work files. Choose another folder for this run (Advanced > Options "
                               "> Select Temp dir), or stop the other run first."));
    EXPECT_EQ(run->State.ErrorCount, 0);
    EXPECT_EQ(view.RunLog.back(), "CRC check passed");

    // Once this run has stopped, the folder is free for the other.
    run->ClickMenuItem(MenuItem::Stop1);
    EXPECT_FALSE(run->HoldsWorkFolder());
    other->ClickMenuItem(MenuItem::Start1);
    EXPECT_FALSE(other->State.Stopped);
    EXPECT_TRUE(other->HoldsWorkFolder());
    // And this one, now without a run, leaves the other's files alone at its shutdown.
    WriteText(work / PlainWorkFile, "c\r\n");
    run->RemoveLeftWorkFiles(true);
    EXPECT_TRUE(FileExists(work / PlainWorkFile));
    other->ClickMenuItem(MenuItem::Stop1);
    other.reset();
}

TEST_F(EncryptionTest, AProgramThatNeverRanNeverTouchesWorkFiles) {
    WriteText(work / PlainWorkFile, "c\r\n");
    WriteText(work / CodedWorkFile, "x");
    run->RemoveLeftWorkFiles(true);
    EXPECT_TRUE(FileExists(work / PlainWorkFile));
    EXPECT_TRUE(FileExists(work / CodedWorkFile));
    // After a run of its own (and with nobody else in the folder) its shutdown cleans up.
    Start();
    run->ClickMenuItem(MenuItem::Stop1);
    WriteText(work / PlainWorkFile, "c\r\n");
    run->RemoveLeftWorkFiles(false);
    EXPECT_FALSE(FileExists(work / PlainWorkFile));
}
} // namespace
