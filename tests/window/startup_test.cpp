// The settings load at start-up and the save at shutdown, against a throwaway store.

#include "AppFixture.h"

#include "platform/Files.h"
#include "terminal/ScreenText.h"
#include "window/Memo.h"

#include <QAction>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>

#include <filesystem>
#include <sys/stat.h>

namespace torvane::test {
namespace {

using app::TForm1;

TEST_F(AppTest, FirstStartOnAnEmptyStoreWritesOnlyTheWorkSettings) {
    auto form = MakeForm();
    // The work folder of a new store is the user's own, made for the user alone.
    const std::string privateDir = config.path().toStdString() + "/cache/Quarnett/Torvane Test/";
    EXPECT_EQ(key.ReadString("Q1"), privateDir);
    EXPECT_EQ(key.ReadString("Q2"), "104857600");
    for (const char* name : {"Q5", "Q6", "Q7", "Q8", "Q9", "Q10", "Q11", "Q12", "Q13", "Q14", "A1"})
        EXPECT_FALSE(key.ValueExists(name)) << name;

    EXPECT_EQ(form->TempDir(), privateDir);
    EXPECT_EQ(std::filesystem::status(privateDir).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_all);
    EXPECT_EQ(form->MaxTempSize(), 104857600);
    EXPECT_EQ(form->TempUnitWord(), "C");
    EXPECT_EQ(form->TempSensor(), 1);
    EXPECT_FALSE(form->TemperatureDisplayOn());
    EXPECT_TRUE(form->LoadProblems().isEmpty());
    EXPECT_TRUE(dialogs.History().empty());

    // The information pane shows the banner; the run log waits hidden.
    EXPECT_EQ(form->Memo2->Lines(), app::MakeBannerLines());
    EXPECT_EQ(form->Memo2->Lines().at(0), "Torvane Test 5.0 [ Ombrel ]");
    EXPECT_TRUE(form->Memo1->isHidden());
    EXPECT_FALSE(form->Memo2->isHidden());
    EXPECT_EQ(form->windowTitle(), "Torvane Test 5.0 by Quarnett");
    EXPECT_EQ(form->pos(), QPoint(204, 108));
    form->show();
    QCoreApplication::processEvents();
    EXPECT_EQ(form->centralWidget()->size(), QSize(600, 400));

    form->FormDestroy();
    EXPECT_EQ(key.ValueType("Q7"), SettingsType::DWord);
    EXPECT_EQ(key.ReadInteger("Q7"), 204);
    EXPECT_EQ(key.ReadInteger("Q8"), 108);
    EXPECT_EQ(key.ReadInteger("Q10"), form->frameGeometry().width());
    EXPECT_EQ(key.ReadInteger("Q9"), form->frameGeometry().height());
    EXPECT_FALSE(key.ReadBool("Q11"));
    EXPECT_TRUE(key.ReadBool("Q12"));
    EXPECT_FALSE(key.ValueExists("Q5"));
}

TEST_F(AppTest, CryptoComponentsStartWithTheirDesignSettings) {
    auto form = MakeForm();
    auto& run = form->Run();
    EXPECT_EQ(run.Cipher1.Algorithm(), "SAFER-SK128");
    EXPECT_EQ(run.Cipher1.Mode(), crypto::cmCTS);
    EXPECT_EQ(run.Cipher1.HashManager(), &run.EncryptorHash1);
    EXPECT_FALSE(run.Cipher1.IncludeHashKey());
    EXPECT_EQ(run.Cipher2.Algorithm(), "Blowfish");
    EXPECT_EQ(run.Cipher2.Mode(), crypto::cmCTS);
    EXPECT_EQ(run.Cipher2.HashManager(), &run.EncryptorHash2);
    for (auto* hash : {&run.EncryptorHash1, &run.EncryptorHash2, &form->CertificateHash})
        EXPECT_EQ(hash->Algorithm(), "CRC-32");

    // Keyed through CRC-32, the encryption test's cipher gets a 4-byte key from any password.
    run.Cipher1.InitKey("1234", nullptr);
    EXPECT_EQ(run.Cipher1.Cipher().KeyHashClass()->DigestLength, 4);
    EXPECT_TRUE(run.Cipher1.Cipher().Initialized());
}

TEST_F(AppTest, StoredWorkDirectoryIsUsedOnlyWhenItExists) {
    key.WriteString("Q1", work.path().toStdString()); // no trailing separator, as a hand edit may leave it
    EXPECT_EQ(MakeForm()->TempDir(), work.path().toStdString() + "/");

    // A stored folder that is gone leaves the user's private one; "/tmp/" of an older store stays.
    key.WriteString("Q1", "/tmp/");
    EXPECT_EQ(MakeForm()->TempDir(), "/tmp/");
    key.WriteString("Q1", "/no/such/folder/");
    auto form = MakeForm();
    EXPECT_EQ(form->TempDir(), config.path().toStdString() + "/cache/Quarnett/Torvane Test/");
    EXPECT_EQ(key.ReadString("Q1"), "/no/such/folder/"); // the stored value is not corrected
    EXPECT_TRUE(form->LoadProblems().isEmpty());
}

struct TemperatureCase {
    const char* a1; // nullptr: absent
    int q12;        // -1: absent
    bool optimal;
    bool display;
    const char* unitWord;
};

class TemperatureDisplay : public AppTest, public ::testing::WithParamInterface<TemperatureCase> {};

TEST_P(TemperatureDisplay, NeedsA1AndTheOptimalChoice) {
    const auto& c = GetParam();
    if (c.a1) key.WriteString("A1", c.a1);
    if (c.q12 >= 0) key.WriteBool("Q12", c.q12 != 0);
    auto form = MakeForm();
    EXPECT_EQ(form->Optimal1->isChecked(), c.optimal);
    EXPECT_EQ(form->Random1->isChecked(), !c.optimal);
    EXPECT_EQ(form->TemperatureDisplayOn(), c.display);
    EXPECT_EQ(form->Label1->isHidden(), !c.display);
    EXPECT_EQ(form->Label2->isHidden(), !c.display);
    EXPECT_EQ(form->TempUpdater->isActive(), c.display);
    EXPECT_EQ(form->TempUnitWord(), c.unitWord);
}

INSTANTIATE_TEST_SUITE_P(A1AndQ12, TemperatureDisplay,
                         ::testing::Values(TemperatureCase{nullptr, -1, false, false, "C"},
                                           TemperatureCase{"C", -1, false, false, "Celsius"},
                                           TemperatureCase{"C", 1, false, false, "Celsius"},
                                           TemperatureCase{nullptr, 0, true, false, "C"},
                                           TemperatureCase{"F", 0, true, true, "Fahrenheit"},
                                           TemperatureCase{"c", 0, true, true, "C"},
                                           TemperatureCase{"Kelvin", 0, true, true, "C"}),
                         [](const ::testing::TestParamInfo<TemperatureCase>& info) {
                             const auto& c = info.param;
                             return std::string("A1_") + (c.a1 ? c.a1 : "absent") + "_Q12_" +
                                    (c.q12 < 0 ? std::string("absent") : std::to_string(c.q12));
                         });

TEST_F(AppTest, StayOnTopFromTheStore) {
    key.WriteBool("Q11", true);
    auto form = MakeForm();
    EXPECT_TRUE(form->StayOnTop1->isChecked());
    EXPECT_TRUE(form->windowFlags() & Qt::WindowStaysOnTopHint);

    key.WriteInteger("Q11", 0);
    form = MakeForm();
    EXPECT_FALSE(form->StayOnTop1->isChecked());
    EXPECT_FALSE(form->windowFlags() & Qt::WindowStaysOnTopHint);
}

TEST_F(AppTest, QuittingAndStartingAgainRestoresGeometryStayOnTopAndTestChoice) {
    QRect before;
    {
        auto form = MakeForm();
        form->show();
        form->move(150, 90);
        form->resize(640, 480);
        form->StayOnTop1->trigger();
        form->Run().SetTestChoice(engine::TestChoice::Optimal);
        QCoreApplication::processEvents();
        before = form->frameGeometry();
        form->close();
        EXPECT_TRUE(form->QuitRequested());
        form->FormDestroy();
    }
    auto form = MakeForm();
    form->show();
    QCoreApplication::processEvents();
    EXPECT_EQ(form->frameGeometry(), before);
    EXPECT_TRUE(form->StayOnTop1->isChecked());
    EXPECT_TRUE(form->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(form->Optimal1->isChecked());
    EXPECT_FALSE(form->Random1->isChecked());
}

TEST_F(AppTest, AWindowStoredOffEveryScreenComesBackIntoView) {
    key.WriteInteger("Q7", -20000);
    key.WriteInteger("Q8", 15000);
    auto form = MakeForm();
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(area.contains(form->frameGeometry().center()));
}

TEST_F(AppTest, TwoWindowsNeverLoseEachOthersChoices) {
    key.WriteBool("Q11", false);
    key.WriteBool("Q12", true);
    key.WriteInteger("Q7", 150);
    auto a = MakeForm();
    auto b = MakeForm();
    // A changes "Stay On Top" and "Optimal..." and moves; B changes nothing and is closed last.
    a->StayOnTop1->trigger();
    a->Run().SetTestChoice(engine::TestChoice::Optimal);
    a->move(a->pos() + QPoint(20, 0));
    const int aLeft = a->frameGeometry().x();
    a->FormDestroy();
    b->FormDestroy();
    EXPECT_TRUE(key.ReadBool("Q11"));
    EXPECT_FALSE(key.ReadBool("Q12"));
    EXPECT_EQ(key.ReadInteger("Q7"), aLeft);
    // What B did change is stored all the same.
    auto c = MakeForm();
    c->StayOnTop1->trigger();
    c->FormDestroy();
    EXPECT_FALSE(key.ReadBool("Q11"));
    dialogs.Take();
}

TEST_F(AppTest, ShutdownRemovesTheFirstTwoWorkFilesOnlyAfterARunOfItsOwn) {
    key.WriteString("Q1", work.path().toStdString() + "/");
    for (const char* name : {"TORVA_1.tmp", "TORVA_2.tmp", "TORVA_3.tmp"}) WriteFile(WorkPath(name), "x");
    // A window that ran no test (a second copy, a viewer opened by a double-click) never touches them:
    // they may be another copy's, in the middle of its test.
    MakeForm()->FormDestroy();
    for (const char* name : {"TORVA_1.tmp", "TORVA_2.tmp", "TORVA_3.tmp"})
        EXPECT_TRUE(FileExists(WorkPath(name))) << name;

    auto form = MakeForm();
    form->idle1->trigger();
    form->Start1->trigger();
    form->Stop1->trigger();
    for (const char* name : {"TORVA_1.tmp", "TORVA_2.tmp", "TORVA_3.tmp"}) WriteFile(WorkPath(name), "x");
    dialogs.Take();
    form->FormDestroy();
    EXPECT_FALSE(FileExists(WorkPath("TORVA_1.tmp")));
    EXPECT_FALSE(FileExists(WorkPath("TORVA_2.tmp")));
    EXPECT_TRUE(FileExists(WorkPath("TORVA_3.tmp")));
    form->FormDestroy(); // once only, and missing files are no error
    EXPECT_TRUE(dialogs.History().empty());
}

TEST_F(AppTest, StoredColoursReachTheElevenScreenElements) {
    key.WriteString("Q5", "255");      // red
    key.WriteString("Q6", "16711680"); // blue
    auto form = MakeForm();
    const auto elements = form->ColourElements();
    ASSERT_EQ(elements.size(), 11u); // the viewer is not there yet
    for (QWidget* w : elements) {
        EXPECT_EQ(w->palette().color(QPalette::Window), QColor(255, 0, 0)) << w->objectName().toStdString();
        EXPECT_EQ(w->palette().color(QPalette::WindowText), QColor(0, 0, 255))
            << w->objectName().toStdString();
    }
}

TEST_F(AppTest, UnreadableValuesFallBackToDefaultsWithOneMessageAndStayStored) {
    key.WriteString("Q7", "204");  // a string where an integer belongs
    key.WriteInteger("Q1", 5);     // an integer where a string belongs
    key.WriteString("Q2", "lots"); // no number
    key.WriteString("Q6", "white");
    key.WriteString("Q11", "yes");
    key.WriteInteger("Q14", 9); // no such sensor
    key.WriteInteger("Q8", 300);

    auto form = MakeForm();
    EXPECT_EQ(form->TempDir(), config.path().toStdString() + "/cache/Quarnett/Torvane Test/");
    EXPECT_EQ(form->MaxTempSize(), 104857600);
    EXPECT_EQ(form->TextColor(), QColor(Qt::white)); // not black on black
    EXPECT_FALSE(form->StayOnTop1->isChecked());
    EXPECT_EQ(form->TempSensor(), 1);
    EXPECT_EQ(form->pos().y(), 300); // the readable values still count

    const auto shown = dialogs.Take();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].Caption, "Error");
    for (const char* part :
         {"Invalid data type for 'Q7'", "Invalid data type for 'Q1'",
          "'lots' is not a valid integer value (Q2)", "'white' is not a valid integer value (Q6)",
          "Invalid data type for 'Q11'", "Q14"})
        EXPECT_NE(shown[0].Text.find(part), std::string::npos) << part << "\n" << shown[0].Text;
    // The store was read: its values stay where they are, and the message says where.
    EXPECT_NE(shown[0].Text.find("left as they are in " + SettingsKey::StoreFile()), std::string::npos)
        << shown[0].Text;

    form->FormDestroy();
    EXPECT_EQ(key.ValueType("Q7"), SettingsType::String);
    EXPECT_EQ(key.ReadString("Q7"), "204");
    EXPECT_EQ(key.ReadInteger("Q1"), 5);
    EXPECT_EQ(key.ReadString("Q2"), "lots");
    EXPECT_EQ(key.ReadString("Q11"), "yes");
    EXPECT_EQ(key.ReadInteger("Q8"), form->frameGeometry().y()); // readable ones are saved as usual
}

TEST_F(AppTest, ADamagedStoreIsSetAsideAndReportedOnce) {
    WriteFile(SettingsKey::StoreFile(), "[software\\Quarnett\\Torvane Test]\nQ7\tdword\tnot-a-number\n");
    auto form = MakeForm();
    const auto shown = dialogs.Take();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].Text.find("damaged"), std::string::npos) << shown[0].Text;
    // The file was moved aside: nothing may say its values are still where they were.
    EXPECT_EQ(shown[0].Text.find("left as they are in"), std::string::npos) << shown[0].Text;

    int asideFiles = 0;
    for (const auto& entry : std::filesystem::directory_iterator(config.path().toStdString()))
        if (entry.path().filename().string().find(".damaged-") != std::string::npos) {
            ++asideFiles;
            EXPECT_NE(ReadFile(entry.path().string()).find("not-a-number"), std::string::npos);
        }
    EXPECT_EQ(asideFiles, 1);
    EXPECT_EQ(key.ReadString("Q2"), "104857600"); // a fresh store in its place

    auto again = MakeForm();
    EXPECT_TRUE(dialogs.Take().empty());
}

TEST_F(AppTest, AWriteProtectedStoreIsReadAndANoteSaysOnceThatChangesAreNotKept) {
    const std::string stored =
        "# my notes\n[software\\Quarnett\\Torvane Test]\nQ2\tsz\t52428800\nQ11\tdword\t1\n"
        "ZZ\tsz\tkept\n";
    WriteFile(SettingsKey::StoreFile(), stored);
    ::chmod(SettingsKey::StoreFile().c_str(), 0444);
    auto form = MakeForm();
    EXPECT_EQ(form->MaxTempSize(), 52428800);
    EXPECT_TRUE(form->StayOnTop1->isChecked());
    QCoreApplication::processEvents();
    auto shown = dialogs.Take();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].Caption, "Note");
    EXPECT_NE(shown[0].Text.find("is write-protected"), std::string::npos) << shown[0].Text;
    EXPECT_EQ(shown[0].Text.find("could not be read"), std::string::npos) << "nothing failed to read";

    form->StayOnTop1->trigger();
    form->FormDestroy();
    EXPECT_TRUE(dialogs.Take().empty()) << "said once, not at every change";
    EXPECT_EQ(ReadFile(SettingsKey::StoreFile()), stored);
    auto again = MakeForm();
    QCoreApplication::processEvents();
    EXPECT_TRUE(dialogs.Take().empty());
}

} // namespace
} // namespace torvane::test
