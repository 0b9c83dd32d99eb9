// The encryption workload on manual clocks: a cycle as the sequencer starts it, the cipher table, the
// random file, a corrupted round trip, a fault injected, and the menu item that leaves it out.

#include "EncryptionTestSupport.h"

namespace {

TEST_F(EncryptionTest, TheSequencerRunsOneCycleWithWhetstoneAndMmxBesideItThenPicksAgain) {
    run->SetNoEncryptionTests(false);
    ASSERT_TRUE(run->RestrictTests({"Encryption"}));
    Start();
    int ticks = 0;
    while (!run->Timer("Encryptor").Enabled() && ++ticks < 100) run->OperateTimer().Fire();
    ASSERT_TRUE(run->Timer("Encryptor").Enabled());
    // The companions run without a time limit; no "Doing a" line and no other test timer.
    EXPECT_EQ(RunLogBelowBanner(), QStringList{""});
    for (const char* name : {"WhetStone1", "MMX1"}) {
        EXPECT_TRUE(run->Timer(name).Enabled()) << name;
        EXPECT_EQ(run->Timer(name).StopTicks(), 0) << name;
    }
    EXPECT_FALSE(run->Timer("WhetStone2").Enabled());
    EXPECT_FALSE(run->Timer("MMX2").Enabled());

    view.RunLog.clear();
    ms.Advance(1000);
    Settle(*run);
    ASSERT_EQ(view.RunLog.size(), 4) << view.RunLog.join("|").toStdString();
    EXPECT_TRUE(view.RunLog[0].startsWith("Creating ") && view.RunLog[0].endsWith(" MB of random data"));
    const QString mb = view.RunLog[0].section(' ', 1, 1);
    const QString name = view.RunLog[1].section(" with ", 1);
    EXPECT_EQ(view.RunLog[1], "Encrypting " + mb + " MB of data with " + name);
    EXPECT_EQ(view.RunLog[2], "Decrypting " + mb + " MB of data with " + name);
    EXPECT_EQ(view.RunLog[3], "CRC check passed");
    EXPECT_TRUE(FilesIn(work.Path()).empty());
    for (const char* timer : {"Encryptor", "WhetStone1", "MMX1"}) EXPECT_FALSE(run->Timer(timer).Enabled());
    EXPECT_EQ(run->State.ErrorCount, 0);
    EXPECT_FALSE(run->State.Stopped);

    // The sequencer picks the next test.
    view.RunLog.clear();
    while (!run->Timer("Encryptor").Enabled() && ++ticks < 200) run->OperateTimer().Fire();
    EXPECT_TRUE(run->Timer("Encryptor").Enabled());
}

TEST_F(EncryptionTest, TheTableShowsItsNamesAndSelectsTheirCatalogueEntries) {
    std::multiset<std::string> names;
    for (int i = 0; i < CipherTableSize; ++i) names.insert(CipherTableName(i));
    EXPECT_EQ(names.count("IDEA"), 2u);
    EXPECT_EQ(names.count("Skipjack"), 5u);
    for (int i = 21; i < 25; ++i) EXPECT_STREQ(CipherTableName(i), "Skipjack");
    EXPECT_EQ(CatalogueName("Cast128"), "Cast 128");

    // Every entry reaches its own cipher (an unknown name would silently give Blowfish) and every one of
    // them brings its file back intact.
    Start();
    std::set<std::string> seen;
    for (int i = 0; i < CipherTableSize; ++i) {
        if (!seen.insert(CipherTableName(i)).second) continue;
        view.RunLog.clear();
        Cycle(i);
        ASSERT_EQ(view.RunLog.size(), 4) << CipherTableName(i) << ": " << view.RunLog.join("|").toStdString();
        EXPECT_EQ(view.RunLog[3], "CRC check passed") << CipherTableName(i);
        EXPECT_NE(run->Cipher1.CipherClass(), &crypto::TCipher_Blowfish::ClassInfo) << CipherTableName(i);
        EXPECT_EQ(run->Cipher1.Algorithm(), CatalogueName(CipherTableName(i)));
    }
    EXPECT_EQ(run->State.ErrorCount, 0);
    EXPECT_TRUE(FilesIn(work.Path()).empty());
}

TEST_F(EncryptionTest, IndexTwentyShowsCast128AndCodesWithCast128) {
    Start();
    Cycle(20);
    ASSERT_EQ(view.RunLog.size(), Banner.size() + 4);
    EXPECT_TRUE(view.RunLog[Banner.size() + 1].endsWith(" MB of data with Cast128"));
    EXPECT_TRUE(view.RunLog[Banner.size() + 2].endsWith(" MB of data with Cast128"));
    EXPECT_EQ(run->Cipher1.CipherClass(), &crypto::TCipher_Cast128::ClassInfo);
    // Keyed through CRC-32: a 4-byte key, and the same vector for both directions.
    EXPECT_EQ(run->Cipher1.Cipher().KeyHashClass()->DigestLength, 4);
}

TEST_F(EncryptionTest, TheSizeDrawStaysWithinATenthAndTheWholeLimit) {
    run->MaxTempSize = 104857600;
    Start();
    std::int32_t lowest = run->MaxTempSize, highest = 0;
    for (int i = 0; i < 3000; ++i) {
        const auto size = Workload().DrawTargetSize();
        ASSERT_GE(size, 10485760);
        ASSERT_LE(size, 104857600);
        lowest = std::min(lowest, size);
        highest = std::max(highest, size);
    }
    // The MB figure of the lines: 10 to 100, and the draws spread over the range.
    EXPECT_GE(lowest / 1048576, 10);
    EXPECT_LE(highest / 1048576, 100);
    EXPECT_LT(lowest, 20 * 1048576);
    EXPECT_GT(highest, 90 * 1048576);

    // A limit of a few bytes: the tenth is rounded down, and the lowest size is drawn but nothing below.
    for (const std::int32_t limit : {25, 10, 1}) {
        run->MaxTempSize = limit;
        std::set<std::int32_t> seen;
        for (int i = 0; i < 600; ++i) seen.insert(Workload().DrawTargetSize());
        EXPECT_EQ(*seen.begin(), limit / 10) << limit;
        EXPECT_LE(*seen.rbegin(), limit) << limit;
    }
}

TEST_F(EncryptionTest, ProgressServesWaitingEventsAtEveryTenthCountAndShowsTheTimeOnEveryCall) {
    Start();
    Cycle(3); // the progress belongs to a cycle of this run
    time.Pass(5000);
    int served = 0;
    const auto post = [&] {
        QMetaObject::invokeMethod(
            qApp, [&] { ++served; }, Qt::QueuedConnection);
    };
    // The cipher's chunks of 4096 bytes: counts divisible by ten at every fifth chunk, and (0, total)
    // before the file.
    const struct {
        std::int64_t current;
        bool serves;
    } calls[] = {{0, true}, {4096, false}, {8192, false}, {16384, false}, {20480, true}, {20481, false}};
    for (const auto& call : calls) {
        post();
        const int before = served;
        Workload().Cipher1Progress(nullptr, call.current, 1 << 20);
        EXPECT_EQ(served > before, call.serves) << call.current;
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(view.Counters, (std::array<QString, 4>{"0", "0", "0", "5"}));
    time.Pass(2000);
    Workload().EncryptorHash1Progress(nullptr, 4096, 1 << 20);
    EXPECT_EQ(view.Counters, (std::array<QString, 4>{"0", "0", "0", "7"}));
}

TEST_F(EncryptionTest, TheRandomFileHasAFirstLineAndLinesOf32IntegersUpToTheTargetSize) {
    Start();
    for (const std::int32_t target : {1, 350, 20000, 65537}) {
        TWorkFolder folder(run->TempDir);
        folder.Delete(PlainWorkFile);
        Workload().MakeRandomDataFile(folder, PlainWorkFile, target);
        const std::string text = ReadText(work / PlainWorkFile);
        ASSERT_EQ(text.substr(0, 3), "c\r\n") << target;
        std::vector<std::string> lines;
        for (std::size_t at = 3; at < text.size();) {
            const auto end = text.find("\r\n", at);
            ASSERT_NE(end, std::string::npos) << "every line ends with CR LF";
            lines.push_back(text.substr(at, end - at));
            at = end + 2;
        }
        ASSERT_FALSE(lines.empty());
        // It stops at the first line count n for which n times the length of line n reaches the target.
        for (std::size_t n = 1; n <= lines.size(); ++n) {
            const bool reached =
                static_cast<std::int64_t>(n) * static_cast<std::int64_t>(lines[n - 1].size()) >= target;
            EXPECT_EQ(reached, n == lines.size()) << target << " line " << n;
        }
        for (const auto& line : lines) {
            // 32 signed 32-bit integers, one after the other: parse them back greedily is ambiguous, so
            // count the values by their bounds: 32 to 352 characters of digits and minus signs.
            EXPECT_GE(line.size(), 32u);
            EXPECT_LE(line.size(), 352u);
            EXPECT_EQ(line.find_first_not_of("-0123456789"), std::string::npos);
        }
    }
}

TEST_F(EncryptionTest, EachIntegerIsOneDrawOfAThousandClocks) {
    Start();
    auto expected = run->Generator(); // the generator is not reseeded within the file
    TWorkFolder folder(run->TempDir);
    Workload().MakeRandomDataFile(folder, PlainWorkFile, 1);
    std::string line;
    for (int i = 0; i < 32; ++i) line += std::to_string(static_cast<std::int32_t>(expected.Draw(1000)));
    EXPECT_EQ(ReadText(work / PlainWorkFile), "c\r\n" + line + "\r\n");
    EXPECT_EQ(run->Generator().DrawCounter(), expected.DrawCounter());
}

TEST_F(EncryptionTest, AForcedCorruptionIsACrcFailureWithTheCodeThreeReport) {
    Start();
    ASSERT_TRUE(run->InjectFault("encryption"));
    Cycle(20);
    EXPECT_TRUE(run->State.Stopped);
    EXPECT_EQ(run->State.ErrorCount, 1);
    EXPECT_EQ(
        InfoBelowBanner(),
        (QStringList{"Testing Stopped:", " Error Message: Encryption/Decryption with Cast 128 Failed!",
                     " ErrorCode: 3", " Calculation error: Cast128 = ", " ErrorType: Calculation error"}));
    EXPECT_EQ(run->State.LastStop, StopReason::Error);
    EXPECT_TRUE(FilesIn(work.Path()).empty());
    for (const char* timer : {"Encryptor", "WhetStone1", "MMX1"}) EXPECT_FALSE(run->Timer(timer).Enabled());

    // The fault was for one cycle only.
    Start();
    view.RunLog.clear();
    Cycle(20);
    EXPECT_EQ(view.RunLog.back(), "CRC check passed");
    EXPECT_EQ(run->State.ErrorCount, 1);
}

TEST_F(EncryptionTest, AnInjectedFaultMakesTheNextComparedPassDisagree) {
    Start();
    ASSERT_TRUE(run->InjectFault("MMX"));
    EXPECT_FALSE(run->InjectFault("heat-up"));
    EXPECT_FALSE(run->InjectFault("disk"));
    run->Mmx().MMX1Timer(); // the first pass has nothing to disagree with: the fault waits
    EXPECT_EQ(run->State.ErrorCount, 0);
    run->Mmx().MMX2Timer();
    EXPECT_EQ(run->State.ErrorCount, 1);
    EXPECT_EQ(InfoBelowBanner().at(1), " Error Message: MMX test failed!");
    EXPECT_EQ(InfoBelowBanner().at(2), " ErrorCode: 1");
}

TEST_F(EncryptionTest, TheMenuItemTogglesAndTheSequencerReadsIt) {
    EXPECT_TRUE(view.Menu.Get(MenuItem::NoEncryptiontests1).Checked);
    run->ClickMenuItem(MenuItem::NoEncryptiontests1);
    EXPECT_FALSE(view.Menu.Get(MenuItem::NoEncryptiontests1).Checked);
    EXPECT_FALSE(run->NoEncryptionTests());

    ASSERT_TRUE(run->RestrictTests({"encryption"}));
    EXPECT_FALSE(run->RestrictTests({"encryption", "disk"}));
    Start();
    // Ticked again, or with no room for work files, the drawn encryption test starts nothing.
    for (const bool ticked : {true, false}) {
        run->SetNoEncryptionTests(ticked);
        run->MaxTempSize = ticked ? 30000 : 0;
        for (int i = 0; i < 30; ++i) run->OperateTimer().Fire();
        for (auto* t : run->WorkerTimers()) EXPECT_FALSE(t->Enabled());
    }
    run->SetNoEncryptionTests(false);
    run->MaxTempSize = 30000;
    for (int i = 0; i < 60 && !run->Timer("Encryptor").Enabled(); ++i) run->OperateTimer().Fire();
    EXPECT_TRUE(run->Timer("Encryptor").Enabled());
    run->ClickMenuItem(MenuItem::NoEncryptiontests1);
    EXPECT_TRUE(view.Menu.Get(MenuItem::NoEncryptiontests1).Checked);
}

TEST_F(EncryptionTest, ATestLeftOutOfTheRunIsDrawnAgainWithoutALine) {
    ASSERT_TRUE(run->RestrictTests({"MMX"}));
    Start();
    for (int i = 0; i < 60; ++i) {
        view.RunLog.clear();
        run->OperateTimer().Fire();
        if (view.RunLog.isEmpty()) continue; // a Whetstone or encryption draw
        ASSERT_EQ(view.RunLog.size(), 2);
        EXPECT_TRUE(view.RunLog[1].endsWith(" minute MMX Test"));
        run->Timer("MMX1").SetEnabled(false);
        run->Timer("MMX2").SetEnabled(false);
    }
    EXPECT_FALSE(run->Timer("WhetStone1").Enabled());
}

} // namespace
