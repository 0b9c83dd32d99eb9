// The main window's work settings: the work files' folder and size limit, the processors a run uses, and
// the temperature display with its sensor setup.

#include "window/Form1.h"

#include "engine/SettingsSchema.h"
#include "platform/Convert.h"
#include "platform/Files.h"
#include "platform/Settings.h"
#include "platform/WorkFolderClaim.h"
#include "terminal/ScreenText.h"
#include "window/Form4.h"
#include "window/ProcessorWorkers.h"

#include <QLabel>

#include <filesystem>

namespace torvane::app {

using engine::SettingsReader;
namespace settings = engine::settings;

namespace {

// A user's "~/work" means the work folder at home; a relative entry is taken from where the program runs
// and stored whole, so that the next start finds the same folder.
std::string ExpandDirectoryEntry(const std::string& entry) {
    std::string dir = entry;
    if (const auto home = HomeDirectory(); (dir == "~" || dir.rfind("~/", 0) == 0) && !home.empty())
        dir = home + dir.substr(1);
    if (!dir.empty() && dir[0] != '/') {
        std::error_code ec;
        const auto absolute = std::filesystem::absolute(dir, ec);
        if (!ec) dir = absolute.string();
    }
    return WithTrailingSeparator(dir);
}

std::string Trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

} // namespace

// ---------------------------------------------------------------------------------------------------
// Work file settings

void TForm1::SelectTempdir1Click() {
    // The start-up has told about an unreadable Q1; the directory in use is offered instead.
    const std::string shown =
        SettingsReader::FromStore().Text(settings::WorkDirectory).value_or(run_->TempDir);
    const auto entry =
        services_.Dialogs->InputBox("Temp directory", "Write directory to be used as a Temp dir", shown);
    // Cancel or an empty entry keeps the directory in use.
    if (!entry || Trimmed(*entry).empty()) return;
    const auto dir = ExpandDirectoryEntry(Trimmed(*entry));
    if (!DirectoryExists(dir)) {
        // The directory in use stays: work files in a missing directory would fail the next test run.
        services_.Dialogs->MessageBox("Error", "Directory does not exist!");
        return;
    }
    // Nor one the work files cannot be written to: its failures would be reported as the processor's.
    if (const auto problem = FolderWriteProblem(dir)) {
        services_.Dialogs->MessageBox("Error", "Directory cannot be written (" + *problem + ")!");
        return;
    }
    SettingsKey().WriteString(settings::WorkDirectory.Name, dir);
    run_->TempDir = dir;
}

void TForm1::MaxTempsize1Click() {
    // An unreadable Q2 was reported at start; this command is the way to store a good one.
    if (const auto stored = SettingsReader::FromStore().Number(settings::MaxTempSize))
        run_->MaxTempSize = *stored;
    const auto entry =
        services_.Dialogs->InputBox("Max Tempfile size ", "Write the maximal size of Tempfiles (MegaBytes)",
                                    std::to_string(run_->MaxTempSize / engine::MaxTempSizeUnit));
    if (!entry) return;
    const std::int32_t mb = StrToInt(*entry);
    // Whole megabytes, within what the stored byte count may hold.
    const auto& rule = settings::MaxTempSize;
    if (engine::RangeProblem(rule, std::int64_t{mb} * engine::MaxTempSizeUnit)) {
        services_.Dialogs->MessageBox(
            "Error", "The maximal size of Tempfiles must be a whole number of MegaBytes from " +
                         std::to_string(rule.Min / engine::MaxTempSizeUnit) + " to " +
                         std::to_string(rule.Max / engine::MaxTempSizeUnit) + ".");
        return;
    }
    const auto bytes = static_cast<std::int32_t>(mb * engine::MaxTempSizeUnit);
    SettingsKey().WriteString(rule.Name, std::to_string(bytes));
    run_->MaxTempSize = bytes;
    services_.Dialogs->MessageBox("Notice", FreeSpaceNotice(mb, run_->TempDir).toStdString());
    if (bytes < rule.Default)
        services_.Dialogs->MessageBox(
            "Note", "You can\u00B4t have Stability Certificate with MaxTempSize this small!");
}

// ---------------------------------------------------------------------------------------------------
// Processors

void TForm1::AllProcessors1Click() {
    ChooseProcessors(true);
}

void TForm1::OneProcessor1Click() {
    ChooseProcessors(false);
}

void TForm1::ChooseProcessors(bool all) {
    // Stored at once: the choice is the user's, whichever way the window ends.
    SettingsKey().WriteString(settings::Processors.Name, all ? "All" : "One");
    processors_->All = all;
    SetTick(all ? AllProcessors1 : OneProcessor1, true);
}

// ---------------------------------------------------------------------------------------------------
// Temperature

void TForm1::TempUpdaterTimer() {
    temperature_.Publish(runEvents_);
}

void TForm1::ShowTemperature(std::optional<double> celsius) {
    if (!temperatureDisplay_) return;
    if (celsius) {
        Label2->setText(ShownTemperature(*celsius, tempUnit_));
        showedReading_ = true;
    } else if (showedReading_) {
        // A reading that is gone (its publisher ended or was killed) is not shown as if it were live;
        // before the first reading the strip keeps its first text.
        Label2->setText(QStringLiteral("-- ") + tempUnitWord_);
        showedReading_ = false;
    }
}

void TForm1::SetSensorSetup(TForm4* setup) {
    sensorSetup_ = setup;
}

void TForm1::MBMSetup1Click() {
    if (!sensorSetup_) return;
    // Over the main window, not wherever the desktop happens to put a window it has not placed before.
    if (!sensorSetup_->isVisible())
        sensorSetup_->move(frameGeometry().center() - sensorSetup_->rect().center());
    sensorSetup_->show();
    sensorSetup_->raise();
    sensorSetup_->activateWindow();
}

} // namespace torvane::app
