// The three windows created hidden after the main window.

#include "AppFixture.h"

#include "window/Form2.h"
#include "window/Form3.h"
#include "window/Form4.h"
#include "window/Memo.h"

#include <QLineEdit>

namespace torvane::test {
namespace {

TEST_F(AppTest, HiddenWindowsCarryTheirCaptionsAndSizes) {
    key.WriteString("Q5", "255");
    key.WriteString("Q6", "65280");
    auto form = MakeForm();
    app::TForm2 viewer(form->Memo2, dialogs, form->CertificateHash);
    app::TForm3 creation(dialogs);
    app::TForm4 setup(dialogs);
    EXPECT_EQ(viewer.windowTitle(), "Certificate viewer");
    EXPECT_EQ(viewer.size(), QSize(518, 375));
    EXPECT_EQ(creation.windowTitle(), "Create a certificate");
    EXPECT_EQ(creation.size(), QSize(273, 347));
    EXPECT_EQ(setup.windowTitle(), "Mother Board Monitor 4 (MBM) setup");
    EXPECT_EQ(setup.size(), QSize(440, 234));
    for (QWidget* w :
         {static_cast<QWidget*>(&viewer), static_cast<QWidget*>(&creation), static_cast<QWidget*>(&setup)})
        EXPECT_FALSE(w->isVisible());

    // The viewer's text pane takes the information pane's colours, as loaded from the store.
    EXPECT_EQ(viewer.Memo1->palette().color(QPalette::Base), QColor(255, 0, 0));
    EXPECT_EQ(viewer.Memo1->palette().color(QPalette::Text), QColor(0, 255, 0));
    EXPECT_TRUE(viewer.Edit1->isHidden());
    EXPECT_EQ(viewer.Edit1->text(), "Edit1");
}

} // namespace
} // namespace torvane::test
