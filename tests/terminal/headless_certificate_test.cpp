// Certificates from the command line: the options that ask for one, the check before the run, and the
// certificate a run of a day writes at its end.

#include "cert/Verifier.h"
#include "common/TempDir.h"
#include "engine/EngineTestSupport.h"
#include "platform/Files.h"
#include "terminal/HeadlessCertificate.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace torvane::test {
namespace {

using app::ParseHeadlessOptions;

std::string Contents(std::FILE* f) {
    std::rewind(f);
    std::string text;
    char buffer[512];
    while (const auto n = std::fread(buffer, 1, sizeof buffer, f)) text.append(buffer, n);
    return text;
}

TEST(CertificateOptions, ADescriptionGoesWithACertificateAndTheTerminalRun) {
    auto o = ParseHeadlessOptions({"--headless", "--certificate", "/tmp/a.tvc", "--owner", "Me", "--cpu",
                                   "P133", "--motherboard=X", "--cooling", "Fan", "--ram", "64", "--os",
                                   "W98", "--info", "a\nb"});
    ASSERT_TRUE(o.Error.empty()) << o.Error;
    const auto request = app::CertificateRequestOf(o);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->Path, "/tmp/a.tvc");
    const auto& d = request->Description;
    EXPECT_EQ(d.Owner + d.Cpu + d.Motherboard + d.Cooling + d.Ram + d.Os, "MeP133XFan64W98");
    EXPECT_EQ(d.AdditionalInfo, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(app::CertificateRequestOf(ParseHeadlessOptions({"--headless", "--certificate", "x"}))
                  ->Description.AdditionalInfo,
              std::vector<std::string>{"N/A"});
    EXPECT_FALSE(app::CertificateRequestOf(ParseHeadlessOptions({"--headless"})));

    EXPECT_NE(ParseHeadlessOptions({"--headless", "--owner", "Me"}).Error.find("add --certificate"),
              std::string::npos);
    EXPECT_NE(ParseHeadlessOptions({"--certificate", "a.tvc"}).Error.find("add --headless"),
              std::string::npos);
    EXPECT_FALSE(ParseHeadlessOptions({"--headless", "--certificate", ""}).Error.empty());
}

TEST(CertificateOptions, VerifyTakesFilesAndNothingOfTheRun) {
    auto o = ParseHeadlessOptions({"--verify", "a.tvc", "b c.tvc"});
    ASSERT_TRUE(o.Error.empty()) << o.Error;
    EXPECT_TRUE(o.Verify);
    EXPECT_EQ(o.VerifyFiles, (std::vector<std::string>{"a.tvc", "b c.tvc"}));
    EXPECT_FALSE(ParseHeadlessOptions({"--verify"}).Error.empty());
    EXPECT_FALSE(ParseHeadlessOptions({"--verify", "--headless", "a.tvc"}).Error.empty());
    EXPECT_FALSE(ParseHeadlessOptions({"--verify", "--minutes", "3", "a.tvc"}).Error.empty());
}

TEST(CertificateOptions, TheRequestIsCheckedBeforeTheRun) {
    TempDir dir;
    app::CertificateRequest request{dir / "ok.tvc", {}};
    request.Description.AdditionalInfo = {"N/A"};
    EXPECT_EQ(app::CheckCertificateRequest(request), std::nullopt);
    EXPECT_FALSE(FileExists(dir / "ok.tvc")); // the check creates nothing
    request.Path = dir / "missing/ok.tvc";
    EXPECT_EQ(app::CheckCertificateRequest(request), "the certificate " + request.Path +
                                                         " cannot be made: Cannot create file " +
                                                         request.Path + ": No such file or directory");
    request.Path = dir.Path();
    EXPECT_NE(app::CheckCertificateRequest(request)->find(": Is a directory"), std::string::npos);
    request.Path = dir / "ok.tvc";
    request.Description.Ram = "\u221e";
    EXPECT_NE(app::CheckCertificateRequest(request)->find("RAM: the character"), std::string::npos);
}

class RunCertificate : public ::testing::Test {
protected:
    void SetUp() override {
        EngineApp();
        engine::TestRunEnvironment env;
        env.workTime = &time;
        env.msClock = &ms;
        env.automaticWindowTimers = false;
        run = std::make_unique<engine::TestRun>(view, env);
        // A folder of the test's own: runs of parallel tests must not meet in the system's temporary one.
        run->TempDir = dir.Path() + "/";
        run->BannerLines = {"Torvane Test 5.0 [ Ombrel ]", "credit", ""};
        out = std::tmpfile();
        err = std::tmpfile();
        sources.ReadProcessor = [](cert::TCertificateFacts& f) { f.RawSpeed = 2400; };
        sources.Clock = &local;
    }
    void TearDown() override {
        std::fclose(out);
        std::fclose(err);
    }
    void RunFor(std::int64_t seconds) {
        run->ClickMenuItem(engine::MenuItem::idle1);
        run->ClickMenuItem(engine::MenuItem::Start1);
        ASSERT_TRUE(StartATest(*run));
        WorkFor(*run, time, seconds * 1000);
        run->ClickMenuItem(engine::MenuItem::Stop1);
    }

    ManualLocalClock local{LocalDateTime{2025, 1, 2, 3, 4, 5}};
    ManualWorkTimeSource time;
    ManualMsClock ms;
    FakeRunView view;
    std::unique_ptr<engine::TestRun> run;
    std::FILE* out = nullptr;
    std::FILE* err = nullptr;
    app::CertificateSources sources;
    TempDir dir;
};

TEST_F(RunCertificate, ADayOfWorkTimeEndsWithACertificate) {
    RunFor(86400 + 61);
    const app::CertificateRequest request{dir / "day.tvc", {"Me", "", "", "", "", "", {"N/A"}}};
    EXPECT_TRUE(app::WriteRunCertificate(request, *run, out, err, sources));
    EXPECT_EQ(Contents(out),
              "Certificate written to " + dir / "day.tvc" + " (1d, 0h, 1m, 1s of work time).\n");
    EXPECT_EQ(Contents(err), "");
    crypto::THashManager hash;
    const auto v = cert::VerifyCertificateFile(hash, dir / "day.tvc");
    ASSERT_EQ(v.State, cert::TCertificateState::Authentic);
    EXPECT_EQ(v.Record[11], " Actual Speed: 2400 MHz");
    EXPECT_EQ(v.Record[16], " Worktime: 1d, 0h, 1m, 1s");
    EXPECT_EQ(v.Record[22], " Owner: Me");
}

TEST_F(RunCertificate, ShorterRunsAndFailuresSayWhy) {
    RunFor(86399);
    const app::CertificateRequest request{dir / "short.tvc", {"", "", "", "", "", "", {"N/A"}}};
    EXPECT_FALSE(app::WriteRunCertificate(request, *run, out, err, sources));
    EXPECT_EQ(Contents(out), "No certificate written to " + dir / "short.tvc" +
                                 ": a certificate needs at least one full day of work time, and this run has "
                                 "0d, 23h, 59m, 59s.\n");
    EXPECT_FALSE(FileExists(dir / "short.tvc"));

    // A day that started no test ("Optimal..." stored) tested nothing.
    run->SetTestChoice(engine::TestChoice::Optimal);
    run->ClickMenuItem(engine::MenuItem::Start1);
    for (int i = 0; i < 20; ++i) run->OperateTimer().Fire();
    WorkFor(*run, time, 86400000);
    run->ClickMenuItem(engine::MenuItem::Stop1);
    std::FILE* said = std::tmpfile();
    const app::CertificateRequest empty{dir / "empty.tvc", {"", "", "", "", "", "", {"N/A"}}};
    EXPECT_FALSE(app::WriteRunCertificate(empty, *run, said, err, sources));
    EXPECT_EQ(Contents(said),
              "No certificate written to " + dir / "empty.tvc" +
                  ": this run started no test, so its 1d, 0h, 0m, 0s of work time tested nothing "
                  "(the stored test choice is \"Optimal...\", or --tests named only tests that "
                  "could not run).\n");
    EXPECT_FALSE(FileExists(dir / "empty.tvc"));
    std::fclose(said);
    run->ClickMenuItem(engine::MenuItem::Random1);

    RunFor(86400); // the counters are the last run's
    const app::CertificateRequest gone{dir / "gone/x.tvc", {"", "", "", "", "", "", {"N/A"}}};
    EXPECT_FALSE(app::WriteRunCertificate(gone, *run, out, err, sources));
    EXPECT_EQ(Contents(err), "torvane: the certificate " + dir / "gone/x.tvc" +
                                 " was not written: Cannot create file " + dir / "gone/x.tvc" +
                                 ": No such file or directory\n");
    // A disk that is full when the day is over.
    std::rewind(err);
    const app::CertificateRequest full{"/dev/full", {"", "", "", "", "", "", {"N/A"}}};
    EXPECT_FALSE(app::WriteRunCertificate(full, *run, out, err, sources));
    EXPECT_NE(Contents(err).find(
                  "torvane: the certificate /dev/full was not written: Cannot create file /dev/full: "
                  "No space left on device\n"),
              std::string::npos);
}

} // namespace
} // namespace torvane::test
