// The main window: the settings load at creation and the settings store at shutdown.

#include "window/Form1.h"

#include "engine/SettingsSchema.h"
#include "platform/Settings.h"
#include "session/RunSettings.h"
#include "terminal/ScreenText.h"
#include "window/Colors.h"
#include "window/Memo.h"
#include "window/ProcessorWorkers.h"
#include "window/QtText.h"
#include "window/TrayIcon.h"
#include "window/WindowGeometry.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>

#include <cstdio>

namespace torvane::app {

using engine::MenuItem;
using engine::SettingsReader;
namespace settings = engine::settings;

void TForm1::FormCreate() {
    // The run control starts in its stopped state on its own; nothing to set here for it.
    bannerLines_ = MakeBannerLines();
    run_->BannerLines = bannerLines_;
    for (const auto& line : bannerLines_) Memo2->Add(line);

    // One read of the store for the whole load.
    auto stored = SettingsReader::FromStore();
    QStringList problems;

    // Q1, Q2, Q12: the run's own settings as every front end loads them (the work folder, the size limit of
    // the work files, the test choice, "Optimal..." ticked without running its command); the first start
    // stores the defaults of the first two.
    session::LoadRunSettings(*run_, stored);
    std::vector<SettingsChange> defaults;
    if (!stored.Present(settings::WorkDirectory))
        defaults.push_back({settings::WorkDirectory.Name, SettingsValue::String(run_->TempDir)});
    if (!stored.Present(settings::MaxTempSize))
        defaults.push_back({settings::MaxTempSize.Name,
                            SettingsValue::String(std::to_string(settings::MaxTempSize.Default))});
    if (!defaults.empty()) {
        try {
            SettingsKey().Write(defaults);
        } catch (const ESettingsWriteError& e) {
            problems.append(Q(e.Describe()));
        }
    }

    // Q5, Q6: the colour scheme. A value that is no colour keeps the design colour: black text on a black
    // screen would hide every result.
    if (const auto colour = stored.Number(settings::ScreenColor))
        ApplyBackground(ColorFromRgbValue(static_cast<std::uint32_t>(*colour)), false);
    if (const auto colour = stored.Number(settings::TextColor))
        ApplyTextColour(ColorFromRgbValue(static_cast<std::uint32_t>(*colour)), false);

    // Q7 to Q10: left, top, outer height, outer width, where a screen shows them.
    StoredGeometry geometry;
    geometry.Left = stored.Number(settings::WindowLeft);
    geometry.Top = stored.Number(settings::WindowTop);
    geometry.Height = stored.Number(settings::WindowHeight);
    geometry.Width = stored.Number(settings::WindowWidth);
    QList<QRect> screens;
    for (const auto* screen : QGuiApplication::screens()) screens.append(screen->availableGeometry());
    const QRect design = frameGeometry();
    const QRect outer = PlaceWindow(geometry, design, screens);
    move(outer.topLeft());
    if (outer.size() != design.size()) {
        pendingOuterSize_ = outer.size();
        resize(pendingOuterSize_ - FrameExtra());
    }

    // What the shutdown stores, as it was stored when the window began.
    for (const auto* rule :
         {&settings::WindowLeft, &settings::WindowTop, &settings::WindowHeight, &settings::WindowWidth})
        if (const auto value = stored.Number(*rule))
            loadedAtStart_[rule->Name] = static_cast<std::uint32_t>(*value);
    for (const auto* rule : {&settings::StayOnTop, &settings::RandomTests})
        if (const auto flag = stored.Flag(*rule)) loadedAtStart_[rule->Name] = *flag ? 1 : 0;

    // Q11: stay on top.
    if (stored.Flag(settings::StayOnTop).value_or(false)) StayOnTop1Click();

    // Q15: every processor or the window's run alone; a new store starts with every processor.
    const bool all = stored.Text(settings::Processors).value_or("All") != "One";
    processors_->All = all;
    SetTick(all ? AllProcessors1 : OneProcessor1, true);

    // A1: the temperature unit word; its presence is one of the two conditions of the display.
    const auto a1 = stored.Text(settings::TemperatureUnit);
    tempUnitWord_ = TemperatureUnitWord(a1);

    // Q14: which of the three temperatures is the processor's.
    tempSensor_ = stored.Number(settings::TemperatureSensor).value_or(settings::TemperatureSensor.Default);
    tempUnit_ = a1;
    temperature_ = session::TemperatureFeed(hw::SensorBlockName(), tempSensor_, a1);

    if (a1 && run_->Tests() == engine::TestChoice::Optimal) {
        temperatureDisplay_ = true;
        Label1->show();
        Label2->show();
        TempUpdater->start();
    }

    for (const auto* rule : settings::All)
        if (stored.Unusable(*rule)) unreadableAtStart_.insert(rule->Name);
    for (const auto& problem : stored.Problems()) problems.append(Q(problem));
    bool onlyNotKept = false;
    const auto storeProblem = SettingsKey::TakeLoadProblem(&onlyNotKept);
    // A store that was read as it is but keeps no change is a note, not a value that could not be read.
    storeProblem_ = !onlyNotKept && !storeProblem.empty();
    if (onlyNotKept)
        storeNote_ = Q(storeProblem);
    else if (storeProblem_)
        problems.prepend(Q(storeProblem));
    loadProblems_ = problems;
    // Shown once the window is up, above it.
    if (!loadProblems_.isEmpty() || !storeNote_.isEmpty())
        QTimer::singleShot(0, this, &TForm1::ReportLoadProblems);
}

void TForm1::ReportLoadProblems() {
    if (!storeNote_.isEmpty()) services_.Dialogs->MessageBox("Note", storeNote_.toStdString());
    if (loadProblems_.isEmpty()) return;
    // Where the store itself could not be used, its own line says what became of the file (set aside, or
    // left as it is); the values are then not "left" in the store's place.
    QString text = storeProblem_
                       ? QStringLiteral("Some settings could not be read, so their defaults are used.\n\n")
                       : QStringLiteral("Some settings could not be read, so their defaults are used. The "
                                        "stored values are left as they are in %1.\n\n")
                             .arg(Q(SettingsKey::StoreFile()));
    text += loadProblems_.join(QLatin1Char('\n'));
    services_.Dialogs->MessageBox("Error", text.toStdString());
}

void TForm1::FormDestroy() {
    if (destroyed_) return;
    destroyed_ = true;
    TempUpdater->stop();
    const QString problem = SaveWindowAndChoices();

    // A missing work file is no error; a folder another run works in is left alone.
    run_->RemoveLeftWorkFiles(false);
    processors_->EndNow(3000);

    TrayIcon1->SetIconVisible(false);
    if (!problem.isEmpty())
        services_.Dialogs->MessageBox(
            "Error", ("The window position and menu choices could not be saved:\n" + problem).toStdString());
}

void TForm1::EndOnRequest() {
    run_->ClickMenuItem(MenuItem::Stop1);
    Quit();
}

void TForm1::ShutDownWithoutDisplay() {
    if (destroyed_) return;
    destroyed_ = true;
    run_->State.Stopped = true;
    const QString problem = SaveWindowAndChoices();
    // A run that was going leaves all three names behind, as a stop would remove them.
    run_->RemoveLeftWorkFiles(true);
    processors_->EndNow(3000);
    if (!problem.isEmpty())
        std::fprintf(stderr, "torvane: the window position and menu choices could not be saved: %s\n",
                     problem.toLocal8Bit().constData());
}

QString TForm1::SaveWindowAndChoices() {
    // The full-screen view is left the way "Normalize" leaves it, so the next start shows a normal window;
    // so is a window whose "Normalize" the window manager has not finished yet.
    QRect outer = frameGeometry();
    if ((windowState() & (Qt::WindowFullScreen | Qt::WindowMaximized)) || normalizeAttempts_ > 0)
        outer = NormalizedGeometry();

    // Values that could not be read at start stay as the user left them. So does a value this window
    // did not change: another window of the program may have stored its own since, and that change must
    // not be lost to the value this window merely loaded.
    std::vector<SettingsChange> changes;
    const auto save = [&](const engine::SettingSpec& rule, SettingsValue value) {
        if (unreadableAtStart_.count(rule.Name)) return;
        const auto loaded = loadedAtStart_.find(rule.Name);
        if (loaded != loadedAtStart_.end() && loaded->second == value.Number) return;
        changes.push_back({rule.Name, std::move(value)});
    };
    save(settings::WindowLeft, SettingsValue::Integer(outer.x()));
    save(settings::WindowTop, SettingsValue::Integer(outer.y()));
    save(settings::WindowHeight, SettingsValue::Integer(outer.height()));
    save(settings::WindowWidth, SettingsValue::Integer(outer.width()));
    save(settings::StayOnTop, SettingsValue::Bool(ticks_[StayOnTop1]));
    save(settings::RandomTests, SettingsValue::Bool(run_->Tests() == engine::TestChoice::Random));
    try {
        SettingsKey().Write(changes);
    } catch (const ESettingsWriteError& e) {
        return Q(e.Describe());
    }
    return {};
}

} // namespace torvane::app
