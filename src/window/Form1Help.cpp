// The main window's "Help" menu.

#include "window/Form1.h"

#include "platform/Files.h"
#include "terminal/ScreenText.h"
#include "window/Memo.h"
#include "window/UserGuideWindow.h"

#include <filesystem>

namespace torvane::app {

using engine::Pane;

namespace {

// The user guide beside the program (as built, or unpacked into one folder), else where an installation
// keeps the program's data: share/torvane/ beside the bin/ folder of the program. Empty when neither has it.
std::string UserGuidePath(const std::string& programFile) {
    const auto folder = ExtractFilePath(programFile);
    for (const auto& candidate : {folder + "readme.txt", folder + "../share/torvane/readme.txt"})
        if (FileExists(candidate)) return std::filesystem::path(candidate).lexically_normal().string();
    return {};
}

} // namespace

void TForm1::About1Click() {
    Memo2->Clear();
    for (const auto& line : AboutLines()) Memo2->Add(line);
    ShowPane(Pane::Info);
}

void TForm1::Documentation1Click() {
    const auto readme = UserGuidePath(services_.ProgramFile);
    if (readme.empty()) {
        services_.Dialogs->MessageBox("Error", "Readme.txt is missing, have you been messing around?");
        return;
    }
    if (services_.Shell->ShellOpen(readme, "", "", kShowNormal)) return;
    // No application of the desktop would show it: the program shows it itself.
    if (!guide_) guide_ = new TUserGuideWindow(this);
    guide_->ShowFile(readme);
}

TUserGuideWindow* TForm1::UserGuide() const {
    return guide_;
}

void TForm1::Checkfornewversion1Click() {
    if (!services_.Shell->ShellOpen(kHomepage.toStdString(), "", "", kShowNormal))
        services_.Dialogs->MessageBox("Note", NewVersionNotice().toStdString());
}

} // namespace torvane::app
