// The encryption workload on manual clocks: a cycle as the sequencer starts it, the cipher table, the
// random file, a corrupted round trip, a work folder that refuses the files, a stop in the middle of a
// cycle, and links planted at the work files' names.

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

namespace {

const QStringList Banner = {"Torvane Test 5.0 [ Ombrel ]", "(c) 1999-2000 Quarnett", ""};

std::vector<std::string> FilesIn(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = ::opendir(dir.c_str())) {
        while (const dirent* e = ::readdir(d))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") names.push_back(e->d_name);
        ::closedir(d);
    }
    return names;
}

std::string ReadText(const std::string& path) {
    const auto bytes = torvane::test::ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

void WriteText(const std::string& path, const std::string& text) {
    torvane::test::WriteBytes(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// Whether this process holds a descriptor on a file of that name.
bool HoldsOpen(const std::string& name) {
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
