// The command-line hand-over: a certificate path after the quoted program path opens a viewer of its own,
// once, which shows the record only of an authentic certificate.

#include "AppFixture.h"

#include "cert/Builder.h"
#include "cert/CertTestSupport.h"
#include "platform/CommandLine.h"
#include "terminal/ScreenText.h"
#include "window/Form2.h"
#include "window/Memo.h"

#include <QLabel>
#include <QLineEdit>
#include <QTest>

namespace torvane::test {
namespace {

using app::HandOverPath;

TEST(HandOverRule, CountsOnTheQuotedProgramPathAndOneBlank) {
    const std::string program = "/opt/torvane/torvane";                     // n = 20
    EXPECT_EQ(HandOverPath(program, "\"" + program + "\""), std::nullopt);  // m = n + 2
    EXPECT_EQ(HandOverPath(program, "\"" + program + "\" "), std::nullopt); // m = n + 3
    EXPECT_EQ(HandOverPath(program, "\"" + program + "\" a"), "a");
    EXPECT_EQ(HandOverPath(program, "\"" + program + "\" /home/x/a b.tvc"), "/home/x/a b.tvc");
    EXPECT_EQ(HandOverPath(program, ""), std::nullopt);
    // Other forms are not treated specially: an unquoted path shifts the cut by two characters.
    EXPECT_EQ(HandOverPath(program, program + " /tmp/a.tvc"), "mp/a.tvc");
    // The platform builds exactly the form the rule expects.
    EXPECT_EQ(HandOverPath(program, BuildRawCommandLine(program, {"/tmp/c.tvc"})), "/tmp/c.tvc");
}

TEST_F(AppTest, ACertificateOnTheCommandLineOpensOneViewerPerStart) {
    crypto::THashManager hash;
    const auto certificate = WorkPath("a b.tvc");
    cert::WriteCertificate(hash, certificate, SampleFacts(), SampleDescription(), SampleFiller());
    const std::string program = "/opt/torvane/torvane";
    auto form = MakeForm(BuildRawCommandLine(program, {certificate}), program);
    EXPECT_TRUE(form->HandedOverViewers().empty()); // nothing before the first paint

    for (int i = 0; i < 5; ++i) {
        form->FormPaint();
        form->Repaint();
        QCoreApplication::processEvents();
    }
    const auto viewers = form->HandedOverViewers();
    ASSERT_EQ(viewers.size(), 1u);
    EXPECT_EQ(viewers[0]->LastVerification().State, cert::TCertificateState::Authentic);
    EXPECT_EQ(viewers[0]->Memo1->Count(), 36);
    EXPECT_TRUE(viewers[0]->Label1->isVisible());
    EXPECT_EQ(viewers[0]->Edit1->text(), ""); // emptied after the check
    EXPECT_TRUE(viewers[0]->isVisible());
    EXPECT_EQ(viewers[0]->windowTitle(), "Certificate viewer");
}

TEST_F(AppTest, AFileThatIsNoAuthenticCertificateLeavesNoViewer) {
    crypto::THashManager hash;
    const std::string program = "/opt/torvane/torvane";
    const auto forged = WorkPath("forged.tvc");
    cert::WriteCertificate(hash, forged, SampleFacts(), SampleDescription(), SampleFiller());
    auto bytes = ReadFile(forged);
    bytes[bytes.size() - 5] ^= 1; // a byte of the filler
    WriteFile(forged, bytes);
    const auto unchecked = WorkPath("any.tvc");
    WriteFile(unchecked, "never a certificate");
    for (const auto& [file, messages] : {std::pair{forged, 1u}, std::pair{unchecked, 0u}}) {
        auto form = MakeForm(BuildRawCommandLine(program, {file}), program);
        form->FormPaint();
        QCoreApplication::processEvents(); // the hand-over runs
        // The viewer closes at its first paint, and goes.
        EXPECT_TRUE(QTest::qWaitFor([&] { return form->HandedOverViewers().empty(); }, WaitLimitMs)) << file;
        const auto shown = dialogs.Take();
        ASSERT_EQ(shown.size(), messages) << file;
        if (messages) {
            EXPECT_EQ(shown[0].Text, "This Certificate is FAKE!!");
        }
        EXPECT_EQ(ReadFile(file), file == forged ? bytes : "never a certificate");
    }
}

TEST_F(AppTest, NoViewerWithoutAnExistingFile) {
    const std::string program = "/opt/torvane/torvane";
    for (const auto& line : {"\"" + program + "\"", "\"" + program + "\" ",
                             BuildRawCommandLine(program, {WorkPath("none.tvc")})}) {
        auto form = MakeForm(line, program);
        form->FormPaint();
        QCoreApplication::processEvents();
        EXPECT_TRUE(form->HandedOverViewers().empty()) << line;
    }
}

} // namespace
} // namespace torvane::test
