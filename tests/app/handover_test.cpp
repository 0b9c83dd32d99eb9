// The command-line hand-over: a certificate path after the quoted program path opens a viewer, once.

#include "AppFixture.h"

#include "app/Form2.h"
#include "app/ScreenText.h"
#include "platform/CommandLine.h"

#include <QLineEdit>

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
    const auto certificate = WorkPath("a.tvc");
    WriteFile(certificate, "scrambled");
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
    EXPECT_EQ(viewers[0]->Edit1->text().toStdString(), certificate);
    EXPECT_TRUE(viewers[0]->isVisible());
    EXPECT_EQ(viewers[0]->windowTitle(), "Certificate viewer");
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
