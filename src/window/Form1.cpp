#include "window/Form1.h"

#include "cert/Builder.h"
#include "engine/EncryptionWorkload.h"
#include "engine/SettingsSchema.h"
#include "engine/WorkTime.h"
#include "hw/Real48.h"
#include "platform/CommandGuard.h"
#include "platform/Convert.h"
#include "platform/Error.h"
#include "platform/FileTypes.h"
#include "platform/Files.h"
#include "platform/ProcessInfo.h"
#include "platform/Settings.h"
#include "platform/WorkFolderClaim.h"
#include "terminal/ScreenText.h"
#include "window/CertificateCommands.h"
#include "window/Colors.h"
#include "window/Form2.h"
#include "window/Form3.h"
#include "window/Form4.h"
#include "window/Memo.h"
#include "window/ProcessorWorkers.h"
#include "window/TrayIcon.h"
#include "window/UserGuideWindow.h"
#include "window/WindowGeometry.h"

#include <QActionGroup>
#include <QBuffer>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace torvane::app {

using engine::MenuItem;
using engine::MenuItemState;
using engine::Pane;
using engine::SettingsReader;
namespace settings = engine::settings;

namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

// The user guide beside the program (as built, or unpacked into one folder), else where an installation
// keeps the program's data: share/torvane/ beside the bin/ folder of the program. Empty when neither has it.
std::string UserGuidePath(const std::string& programFile) {
    const auto folder = ExtractFilePath(programFile);
    for (const auto& candidate : {folder + "readme.txt", folder + "../share/torvane/readme.txt"})
        if (FileExists(candidate)) return std::filesystem::path(candidate).lexically_normal().string();
    return {};
}

void SetBackground(QWidget* w, const QColor& colour) {
    auto palette = w->palette();
    palette.setColor(QPalette::Window, colour);
    palette.setColor(QPalette::Base, colour);
    w->setPalette(palette);
    w->setAutoFillBackground(true);
}

void SetForeground(QWidget* w, const QColor& colour) {
    auto palette = w->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::Text, colour);
    w->setPalette(palette);
}

QLabel* MakeCounter(const char* name, QWidget* parent, int left, int width) {
    auto* counter = new QLabel(QStringLiteral("0"), parent);
    counter->setObjectName(QString::fromLatin1(name));
    counter->setGeometry(left, 3, width, 17);
    counter->setAlignment(Qt::AlignCenter);
    counter->setFont(ScreenFont());
    return counter;
}

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

TForm1::TForm1(const Form1Services& services, QWidget* parent) : QMainWindow(parent), services_(services) {
    setObjectName(QStringLiteral("Form1"));
    // System menu, no minimise or maximise box, sizeable border.
    ApplyWindowFlags(false, false);
    setWindowTitle(kMainCaption);
    setWindowIcon(TTrayIcon::ProgramIcon());

    BuildScreen();
    BuildMenus();

    auto environment = services_.Engine;
    if (!environment.cursorPosition) environment.cursorPosition = [] { return QCursor::pos(); };
    runEvents_.Add(*this);
    run_ = std::make_unique<engine::TestRun>(runEvents_, environment);
    run_->OnExit = [this] { Quit(); };
    processors_ = std::make_unique<TProcessorWorkers>(*run_, *this, services_.WorkerProgram, ProcessorStrip);
    runEvents_.Add(*processors_);

    TrayIcon1 = new TTrayIcon(this);
    TrayIcon1->setObjectName(QStringLiteral("TrayIcon1"));
    TrayIcon1->SetIcon(TTrayIcon::ProgramIcon());
    TrayIcon1->SetShowHint(true);
    TrayIcon1->SetIconVisible(false);
    TrayIcon1->OnClick = [this] { RunGuarded(*services_.Dialogs, [this] { TrayIcon1Click(); }); };
    TrayIcon1->Loaded();

    normalizeTimer_ = new QTimer(this);
    normalizeTimer_->setInterval(25);
    connect(normalizeTimer_, &QTimer::timeout, this, &TForm1::ApplyNormalizedGeometry);

    TempUpdater = new QTimer(this);
    TempUpdater->setObjectName(QStringLiteral("TempUpdater"));
    TempUpdater->setInterval(100);
    connect(TempUpdater, &QTimer::timeout, this, &TForm1::TempUpdaterTimer);

    // Design position and size: a 600 × 400 screen below the menu bar.
    move(kDesignLeft, kDesignTop);
    resize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());

    FormCreate();
}

TForm1::~TForm1() {
    FormDestroy();
    // The viewers opened by the hand-over copy colours from Memo2 and must not outlive it.
    for (auto& viewer : handedOver_) delete viewer.data();
}

// ---------------------------------------------------------------------------------------------------
// Layout

void TForm1::BuildScreen() {
    ClientArea = new QWidget(this);
    ClientArea->setObjectName(QStringLiteral("ClientArea"));
    ClientArea->setFont(FormFont());
    setCentralWidget(ClientArea);
    auto* clientLayout = new QVBoxLayout(ClientArea);
    clientLayout->setContentsMargins(0, 0, 0, 0);

    // Lowered inner and outer bevels: a 2-pixel frame around the screen and the status strip.
    Panel2 = new QFrame(ClientArea);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    clientLayout->addWidget(Panel2);
    auto* panel2Layout = new QVBoxLayout(Panel2);
    panel2Layout->setContentsMargins(0, 0, 0, 0);
    panel2Layout->setSpacing(0);

    Panel3 = new QWidget(Panel2);
    Panel3->setObjectName(QStringLiteral("Panel3"));
    panel2Layout->addWidget(Panel3, 1);
    ProcessorStrip = new QLabel(Panel2);
    ProcessorStrip->setObjectName(QStringLiteral("ProcessorStrip"));
    ProcessorStrip->setWordWrap(true);
    ProcessorStrip->setContentsMargins(4, 2, 4, 2);
    ProcessorStrip->hide();
    panel2Layout->addWidget(ProcessorStrip);
    auto* panel3Layout = new QVBoxLayout(Panel3);
    panel3Layout->setContentsMargins(0, 0, 0, 0);
    panel3Layout->setSpacing(0);
    Memo1 = new TMemo(QStringLiteral("Memo1"), Panel3);
    Memo2 = new TMemo(QStringLiteral("Memo2"), Panel3);
    panel3Layout->addWidget(Memo1);
    panel3Layout->addWidget(Memo2);

    Panel7 = new QFrame(Panel2);
    Panel7->setObjectName(QStringLiteral("Panel7"));
    Panel7->setFixedHeight(23);
    panel2Layout->addWidget(Panel7);
    Label1 = new QLabel(QStringLiteral("CPU Temp:"), Panel7);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(4, 3);
    Label2 = new QLabel(QStringLiteral("0 Celcius"), Panel7);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->move(74, 3);
    Label2->setMinimumWidth(120);
    Label1->hide();
    Label2->hide();

    Panel4 = new QFrame(Panel7);
    Panel4->setObjectName(QStringLiteral("Panel4"));
    Panel4->resize(109, 23);
    Panel19 = MakeCounter("Panel19", Panel4, 8, 25);
    Panel14 = MakeCounter("Panel14", Panel4, 30, 27);
    Panel15 = MakeCounter("Panel15", Panel4, 54, 27);
    Panel16 = MakeCounter("Panel16", Panel4, 78, 27);
    Panel7->installEventFilter(this); // keeps Panel4 at the right edge

    // The design colours: a black screen with white text.
    for (QWidget* w :
         {static_cast<QWidget*>(Panel2), Panel3, static_cast<QWidget*>(Memo1), static_cast<QWidget*>(Memo2)})
        SetBackground(w, Qt::black);
    for (QWidget* w : ColourElements()) {
        SetBackground(w, Qt::black);
        SetForeground(w, Qt::white);
    }

    SetBackground(ProcessorStrip, Qt::black);
    SetForeground(ProcessorStrip, Qt::white);

    Memo1->hide();
    Memo2->show();

    // The screen passes the mouse to the window, so the window can be dragged by any point of it.
    for (QWidget* w : {Memo1->viewport(), Memo2->viewport(), ClientArea}) w->installEventFilter(this);
}

QAction* TForm1::AddItem(QMenu* menu, const char* name, const QString& caption,
                         std::function<void()> command) {
    auto* action = new QAction(caption, this);
    action->setObjectName(QString::fromLatin1(name));
    menu->addAction(action);
    connect(action, &QAction::triggered, this, [this, command = std::move(command)] {
        // Ticks change only where a command changes them, never by the click itself.
        RestoreTicks();
        RunGuarded(*services_.Dialogs, command);
    });
    return action;
}

QAction* TForm1::AddItem(QMenu* menu, const char* name, const QString& caption, void (TForm1::*command)()) {
    return AddItem(menu, name, caption, [this, command] { (this->*command)(); });
}

QAction* TForm1::AddRunItem(QMenu* menu, const char* name, const QString& caption, MenuItem item) {
    return AddItem(menu, name, caption, [this, item] { run_->ClickMenuItem(item); });
}

void TForm1::BuildMenus() {
    auto* bar = menuBar();
    auto add = [this](QMenu* menu, const char* name, const QString& caption, void (TForm1::*command)()) {
        return AddItem(menu, name, caption, command);
    };
    auto run = [this](QMenu* menu, const char* name, const QString& caption, MenuItem item) {
        return AddRunItem(menu, name, caption, item);
    };

    Testing1 = bar->addMenu(QStringLiteral("Testing"));
    Testing1->setObjectName(QStringLiteral("Testing1"));
    Start1 = run(Testing1, "Start1", QStringLiteral("Start"), MenuItem::Start1);
    Stop1 = run(Testing1, "Stop1", QStringLiteral("Stop"), MenuItem::Stop1);
    Testing1->addSeparator()->setObjectName(QStringLiteral("N3"));
    Exit1 = run(Testing1, "Exit1", QStringLiteral("Exit"), MenuItem::Exit1);

    AdvancedMenu = bar->addMenu(QStringLiteral("Advanced"));
    Options1 = AdvancedMenu->menuAction();
    Options1->setObjectName(QStringLiteral("Options1"));
    Options2 = AdvancedMenu->addMenu(QStringLiteral("Options"));
    Options2->setObjectName(QStringLiteral("Options2"));
    SelectTempdir1 =
        add(Options2, "SelectTempdir1", QStringLiteral("Select Temp dir"), &TForm1::SelectTempdir1Click);
    MaxTempsize1 = add(Options2, "MaxTempsize1", QStringLiteral("Max Temp size"), &TForm1::MaxTempsize1Click);
    Options2->addSeparator()->setObjectName(QStringLiteral("N1"));
    SceenColor1 = add(Options2, "SceenColor1", QStringLiteral("Sceen Color"), &TForm1::SceenColor1Click);
    FontColor1 = add(Options2, "FontColor1", QStringLiteral("Font Color"), &TForm1::FontColor1Click);
    Options2->addSeparator()->setObjectName(QStringLiteral("N4"));
    Registerfiletype1 = add(Options2, "Registerfiletype1", QStringLiteral("Register FileType"),
                            &TForm1::Registerfiletype1Click);
    // The sensor setup window had no command that showed it; its place is with the other settings.
    Options2->addSeparator()->setObjectName(QStringLiteral("N6"));
    MBMSetup1 = add(Options2, "MBMSetup1", QStringLiteral("MBM Setup"), &TForm1::MBMSetup1Click);

    Stability1 = AdvancedMenu->addMenu(QStringLiteral("Stability"));
    Stability1->setObjectName(QStringLiteral("Stability1"));
    CreateCertificate1 = add(Stability1, "CreateCertificate1", QStringLiteral("Create Certificate"),
                             &TForm1::CreateCertificate1Click);
    VerifyCertificate1 = add(Stability1, "VerifyCertificate1", QStringLiteral("Verify Certificate"),
                             &TForm1::VerifyCertificate1Click);

    Mode1 = AdvancedMenu->addMenu(QStringLiteral("Mode"));
    Mode1->setObjectName(QStringLiteral("Mode1"));
    idle1 = run(Mode1, "idle1", QStringLiteral("idle"), MenuItem::idle1);
    Normal1 = run(Mode1, "Normal1", QStringLiteral("Normal"), MenuItem::Normal1);
    Hardcore1 = run(Mode1, "Hardcore1", QStringLiteral("Hardcore"), MenuItem::Hardcore1);

    Tests1 = AdvancedMenu->addMenu(QStringLiteral("Tests"));
    Tests1->setObjectName(QStringLiteral("Tests1"));
    Random1 = run(Tests1, "Random1", QStringLiteral("Random"), MenuItem::Random1);
    Optimal1 = run(Tests1, "Optimal1", QStringLiteral("Optimal..."), MenuItem::Optimal1);
    NoEncryptiontests1 = run(Tests1, "NoEncryptiontests1", QStringLiteral("No Encryption tests"),
                             MenuItem::NoEncryptiontests1);

    Processors1 = AdvancedMenu->addMenu(QStringLiteral("Processors"));
    Processors1->setObjectName(QStringLiteral("Processors1"));
    AllProcessors1 = add(Processors1, "AllProcessors1", QStringLiteral("All"), &TForm1::AllProcessors1Click);
    OneProcessor1 = add(Processors1, "OneProcessor1", QStringLiteral("One"), &TForm1::OneProcessor1Click);

    AdvancedMenu->addSeparator()->setObjectName(QStringLiteral("N2"));
    SaveScreen1 = add(AdvancedMenu, "SaveScreen1", QStringLiteral("Save Screen"), &TForm1::SaveScreen1Click);

    Window2 = bar->addMenu(QStringLiteral("Window"));
    Window2->setObjectName(QStringLiteral("Window2"));
    Maximize1 = add(Window2, "Maximize1", QStringLiteral("Maximize"), &TForm1::Maximize1Click);
    Minimize1 = add(Window2, "Minimize1", QStringLiteral("Minimize"), &TForm1::Minimize1Click);
    StayOnTop1 = add(Window2, "StayOnTop1", QStringLiteral("Stay On Top"), &TForm1::StayOnTop1Click);

    Help1 = bar->addMenu(QStringLiteral("Help"));
    Help1->setObjectName(QStringLiteral("Help1"));
    Documentation1 =
        add(Help1, "Documentation1", QStringLiteral("Documentation"), &TForm1::Documentation1Click);
    Checkfornewversion1 = add(Help1, "Checkfornewversion1", QStringLiteral("Check for a new version"),
                              &TForm1::Checkfornewversion1Click);
    Help1->addSeparator()->setObjectName(QStringLiteral("N5"));
    About1 = add(Help1, "About1", QStringLiteral("About"), &TForm1::About1Click);

    for (const auto& group :
         {std::vector<QAction*>{idle1, Normal1, Hardcore1}, std::vector<QAction*>{Random1, Optimal1},
          std::vector<QAction*>{AllProcessors1, OneProcessor1}}) {
        auto* actionGroup = new QActionGroup(this);
        actionGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
        for (auto* action : group) {
            action->setCheckable(true);
            actionGroup->addAction(action);
            radioGroup_[action] = actionGroup;
        }
    }
    for (auto* action : {NoEncryptiontests1, StayOnTop1}) action->setCheckable(true);
    // The run shows its own items' ticks once it exists; "Stay On Top" is the window's.
    for (auto* action : {idle1, Normal1, Hardcore1, Random1, Optimal1, NoEncryptiontests1, StayOnTop1,
                         AllProcessors1, OneProcessor1})
        ticks_[action] = false;
}

// ---------------------------------------------------------------------------------------------------
// Settings load and shutdown

void TForm1::FormCreate() {
    // The run control starts in its stopped state on its own; nothing to set here for it.
    bannerLines_ = MakeBannerLines();
    run_->BannerLines = bannerLines_;
    for (const auto& line : bannerLines_) Memo2->Add(line);

    // One read of the store for the whole load.
    auto stored = SettingsReader::FromStore();
    QStringList problems;

    // Q1, Q2: the work folder and the size limit of the work files; the first start stores the defaults.
    run_->LoadWorkSettings(stored);
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

    // Q12: the test choice; "Optimal..." is ticked without running its command.
    run_->LoadTestChoice(stored);

    // Q15: every processor or the window's run alone; a new store starts with every processor.
    const bool all = stored.Text(settings::Processors).value_or("All") != "One";
    processors_->All = all;
    SetTick(all ? AllProcessors1 : OneProcessor1, true);

    // A1: the temperature unit word; its presence is one of the two conditions of the display.
    const auto a1 = stored.Text(settings::TemperatureUnit);
    tempUnitWord_ = TemperatureUnitWord(a1);

    // Q14: which of the three temperatures is the processor's.
    tempSensor_ = stored.Number(settings::TemperatureSensor).value_or(settings::TemperatureSensor.Default);

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

// ---------------------------------------------------------------------------------------------------
// Paint handling and the command-line hand-over

void TForm1::paintEvent(QPaintEvent* event) {
    QMainWindow::paintEvent(event);
    FormPaint();
}

void TForm1::FormPaint() {
    if (!firstPaintSeen_) {
        firstPaintSeen_ = true;
        if (const char* trace = std::getenv("TORVANE_STARTUP_TRACE"); trace && *trace) {
            const auto wall = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  std::chrono::system_clock::now().time_since_epoch())
                                  .count();
            std::fprintf(stderr, "torvane: first paint %lld ms after process start (wall clock %lld ms)\n",
                         static_cast<long long>(ProcessAgeMilliseconds()), static_cast<long long>(wall));
        }
    }
    if (pendingOuterSize_.isValid()) ApplyGeometryFixes();
    // The window repaints many times a second during a run; the hand-over belongs to the start alone.
    if (handOverDone_) return;
    handOverDone_ = true;
    QTimer::singleShot(0, this, &TForm1::HandOver);
}

void TForm1::HandOver() {
    const auto path = HandOverPath(services_.ProgramFile, services_.CommandLine);
    if (!path || !FileExists(*path)) return;
    auto* viewer = new TForm2(Memo2, *services_.Dialogs, CertificateHash, this);
    viewer->setAttribute(Qt::WA_DeleteOnClose);
    handedOver_.emplace_back(viewer);
    viewer->Edit1->setText(Q(*path));
    viewer->show();
}

std::vector<TForm2*> TForm1::HandedOverViewers() const {
    std::vector<TForm2*> r;
    for (const auto& viewer : handedOver_)
        if (viewer) r.push_back(viewer.data());
    return r;
}

QSize TForm1::FrameExtra() const {
    return frameGeometry().size() - geometry().size();
}

void TForm1::ApplyGeometryFixes() {
    // The stored size is the outer size; the frame is known only once the window manager has framed it.
    if (pendingOuterSize_.isValid() && isVisible()) {
        if (frameGeometry().size() != pendingOuterSize_) resize(pendingOuterSize_ - FrameExtra());
        pendingOuterSize_ = QSize();
    }
    // A window whose screen has gone would be lost: bring it back to the middle of the first one.
    const QRect outer = frameGeometry();
    for (const auto* s : QGuiApplication::screens())
        if (ShownOn(outer, s->availableGeometry())) return;
    const auto* primary = QGuiApplication::primaryScreen();
    if (!primary) return;
    const QRect area = primary->availableGeometry();
    const QRect centred = Centred(outer.size().boundedTo(area.size()), area);
    resize(centred.size() - FrameExtra());
    move(centred.topLeft());
}

QRect TForm1::NormalizedGeometry() const {
    const auto* s = screen() ? screen() : QGuiApplication::primaryScreen();
    const QRect area = s ? s->availableGeometry() : QRect(0, 0, 1024, 768);
    return Centred(QSize(kNormalizedWidth, kNormalizedHeight), area);
}

void TForm1::ApplyNormalizedGeometry() {
    const QRect target = NormalizedGeometry();
    if (frameGeometry() != target) {
        resize(target.size() - FrameExtra());
        move(target.topLeft());
    }
    // Done once the frame is known and the window has its place; without a window manager there is never
    // a frame, and the attempts run out.
    const bool framed = windowHandle() && !windowHandle()->frameMargins().isNull();
    if ((framed && frameGeometry() == target) || --normalizeAttempts_ <= 0) {
        normalizeAttempts_ = 0;
        normalizeTimer_->stop();
    }
}

// ---------------------------------------------------------------------------------------------------
// Window handling: dragging by the screen, closing

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Panel7 && event->type() == QEvent::Resize) {
        Panel4->move(Panel7->width() - Panel4->width(), 0);
        return false;
    }
    if (event->type() == QEvent::Paint && (watched == Memo1->viewport() || watched == Memo2->viewport())) {
        FormPaint();
        return false;
    }
    const bool screenPart =
        watched == Memo1->viewport() || watched == Memo2->viewport() || watched == ClientArea;
    if (!screenPart) return QMainWindow::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton ||
            (windowState() & (Qt::WindowFullScreen | Qt::WindowMaximized)))
            return true;
        // The window manager moves the window best where it can; otherwise the window follows the mouse.
        if (windowHandle() && windowHandle()->startSystemMove()) return true;
        dragging_ = true;
        dragStartCursor_ = mouse->globalPosition().toPoint();
        dragStartWindow_ = pos();
        return true;
    }
    case QEvent::MouseMove: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (dragging_ && (mouse->buttons() & Qt::LeftButton))
            move(dragStartWindow_ + mouse->globalPosition().toPoint() - dragStartCursor_);
        return dragging_;
    }
    case QEvent::MouseButtonRelease:
        dragging_ = false;
        return true;
    case QEvent::MouseButtonDblClick:
        return true;
    default:
        return QMainWindow::eventFilter(watched, event);
    }
}

void TForm1::closeEvent(QCloseEvent* event) {
    event->accept();
    // A run stops first, so that its passes end at once and the work files go.
    run_->ClickMenuItem(MenuItem::Stop1);
    // Closing the main window ends the program, also while viewers are open or the icon is shown.
    Quit();
}

// ---------------------------------------------------------------------------------------------------
// Colours

std::vector<QWidget*> TForm1::ColourElements() const {
    std::vector<QWidget*> elements{Memo1, Memo2};
    if (viewer_) elements.push_back(viewer_->Memo1);
    for (QWidget* w :
         {static_cast<QWidget*>(Label2), static_cast<QWidget*>(Panel4), static_cast<QWidget*>(Panel7),
          static_cast<QWidget*>(Label1), static_cast<QWidget*>(Panel19), static_cast<QWidget*>(Panel14),
          static_cast<QWidget*>(Panel15), static_cast<QWidget*>(Panel16), ClientArea})
        elements.push_back(w);
    return elements;
}

void TForm1::ApplyBackground(const QColor& colour, bool includeViewer) {
    for (QWidget* w : ColourElements())
        if (includeViewer || !viewer_ || w != viewer_->Memo1) SetBackground(w, colour);
    SetBackground(ProcessorStrip, colour);
}

void TForm1::ApplyTextColour(const QColor& colour, bool includeViewer) {
    for (QWidget* w : ColourElements())
        if (includeViewer || !viewer_ || w != viewer_->Memo1) SetForeground(w, colour);
    SetForeground(ProcessorStrip, colour);
}

QColor TForm1::ScreenColor() const {
    return Memo1->palette().color(QPalette::Base);
}
QColor TForm1::TextColor() const {
    return Memo1->palette().color(QPalette::Text);
}

void TForm1::SetViewer(TForm2* viewer) {
    viewer_ = viewer;
    if (viewer_) viewer_->CopyColours();
}

// ---------------------------------------------------------------------------------------------------
// Menu ticks

void TForm1::SetTick(QAction* action, bool checked) {
    if (checked) {
        const auto group = radioGroup_.find(action);
        if (group != radioGroup_.end())
            for (auto* other : group->second->actions()) ticks_[other] = false;
    }
    ticks_[action] = checked;
    RestoreTicks();
}

void TForm1::RestoreTicks() {
    // Unticking first, so that an exclusive group never sees two ticks at once.
    for (const auto& [action, checked] : ticks_)
        if (!checked && action->isChecked()) action->setChecked(false);
    for (const auto& [action, checked] : ticks_)
        if (checked && !action->isChecked()) action->setChecked(true);
}

QAction* TForm1::ActionOf(MenuItem item) const {
    switch (item) {
    case MenuItem::Start1:
        return Start1;
    case MenuItem::Stop1:
        return Stop1;
    case MenuItem::Exit1:
        return Exit1;
    case MenuItem::Options1:
        return Options1;
    case MenuItem::About1:
        return About1;
    case MenuItem::idle1:
        return idle1;
    case MenuItem::Normal1:
        return Normal1;
    case MenuItem::Hardcore1:
        return Hardcore1;
    case MenuItem::Random1:
        return Random1;
    case MenuItem::Optimal1:
        return Optimal1;
    case MenuItem::NoEncryptiontests1:
        return NoEncryptiontests1;
    }
    return nullptr;
}

// ---------------------------------------------------------------------------------------------------
// The run's events

void TForm1::Hear(const engine::RunEvent& event) {
    namespace e = engine::event;
    std::visit(engine::Overloaded{
                   [this](const e::Line& x) { AppendLine(x.Where, x.Text); },
                   [this](const e::ClearPane& x) { ClearPane(x.Which); },
                   [this](const e::ShowPane& x) { ShowPane(x.Which); },
                   [this](const e::Repaint&) { Repaint(); },
                   [this](const e::UpdateWindow&) { UpdateWindow(); },
                   [this](const e::ShowMainWindow&) { ShowMainWindow(); },
                   [this](const e::TrayHint& x) {
                       const auto c = engine::WorkTimeFields(x.Seconds);
                       SetTrayHint(c[0] + QStringLiteral("d, ") + c[1] + QStringLiteral("h, ") + c[2] +
                                   QStringLiteral("m, ") + c[3] + QStringLiteral("s, "));
                   },
                   [this](const e::Message& x) { ShowMessage(x.Caption, x.Text); },
                   [this](const e::Failure& x) { ShowError(x.Text); },
                   [this](const e::MenuItemShown& x) { ShowMenuItem(x.Item, x.State); },
                   [this](const e::WorkTime& x) { ShowWorkTime(x.Seconds); },
                   // The run's own facts are the run on every processor's to hear.
                   [](const auto&) {},
               },
               event);
}

void TForm1::AppendLine(Pane pane, const QString& line) {
    (pane == Pane::RunLog ? Memo1 : Memo2)->Add(line);
}
void TForm1::ClearPane(Pane pane) {
    (pane == Pane::RunLog ? Memo1 : Memo2)->Clear();
}

void TForm1::ShowPane(Pane pane) {
    Memo1->setVisible(pane == Pane::RunLog);
    Memo2->setVisible(pane == Pane::Info);
}

void TForm1::ShowWorkTime(std::int64_t seconds) {
    const auto fields = engine::WorkTimeFields(seconds);
    Panel19->setText(fields[0]);
    Panel14->setText(fields[1]);
    Panel15->setText(fields[2]);
    Panel16->setText(fields[3]);
}

QStringList TForm1::Counters() const {
    return {Panel19->text(), Panel14->text(), Panel15->text(), Panel16->text()};
}

void TForm1::Repaint() {
    // A workload pass repaints thousands of times (twice per MMX step). Painting synchronously each time
    // would make a pass wait on the display server for tens of seconds, so the window is painted at once
    // at most once per display frame; in between the request is queued and Qt merges it with the next.
    constexpr qint64 kFrameMs = 15;
    if (lastRepaint_.isValid() && lastRepaint_.elapsed() < kFrameMs) {
        update();
        return;
    }
    repaint();
    lastRepaint_.start();
}

void TForm1::UpdateWindow() {
    if (auto* window = windowHandle()) QCoreApplication::sendPostedEvents(window, QEvent::UpdateRequest);
    QCoreApplication::sendPostedEvents(this, QEvent::UpdateRequest);
}

void TForm1::ShowMainWindow() {
    if (windowState() & Qt::WindowMinimized) setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
    TrayIcon1->SetIconVisible(false);
}

bool TForm1::TrayIconVisible() const {
    return TrayIcon1->IconVisible();
}

void TForm1::SetTrayHint(const QString& hint) {
    if (TrayIcon1->IconVisible()) TrayIcon1->SetHint(hint);
}

void TForm1::ShowMessage(const QString& caption, const QString& text) {
    services_.Dialogs->MessageBox(caption.toStdString(), text.toStdString());
}

void TForm1::ShowError(const QString& text) {
    services_.Dialogs->MessageBox("Error", text.toStdString());
}

void TForm1::ShowMenuItem(MenuItem item, const MenuItemState& state) {
    auto* action = ActionOf(item);
    action->setEnabled(state.Enabled);
    if (ticks_.count(action)) SetTick(action, state.Checked);
}

void TForm1::Quit() {
    quitRequested_ = true;
    QCoreApplication::quit();
}

// ---------------------------------------------------------------------------------------------------
// Commands of later work

void TForm1::Registerfiletype1Click() {
    // The program's icon goes with the type, for the certificate files to show.
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    TTrayIcon::ProgramIcon().pixmap(48, 48).save(&buffer, "PNG");
    RegisterCertificateFileType(services_.ProgramFile, png.toStdString());
    services_.Dialogs->MessageBox("",
                                  "Done! now you can view stability certificates by double clicking them.");
}

void TForm1::CreateCertificate1Click() {
    // The counters keep their values after a run has stopped, so a certificate can follow the run.
    switch (engine::CertificateEligibility(run_->State)) {
    case engine::CertificateRefusal::LessThanADay:
        services_.Dialogs->MessageBox("Note", "You can create a stability certificate only after 24 hours of "
                                              "testing.");
        return;
    case engine::CertificateRefusal::NoTestRan:
        services_.Dialogs->MessageBox(
            "Note", "You can create a stability certificate only after 24 hours of testing. The last run "
                    "started no test, so it tested nothing: with \"Optimal...\" ticked (Advanced > Tests) "
                    "no test is chosen. Tick \"Random\" and run the test again.");
        return;
    case engine::CertificateRefusal::None:
        break;
    }
    if (!creation_) return;
    creation_->show();
    creation_->raise();
    creation_->activateWindow();
}

void TForm1::SetCreationWindow(TForm3* creation) {
    creation_ = creation;
    if (creation_)
        creation_->OnCreate = [this](const cert::TCertificateDescription& description) {
            BuildCertificate(description);
        };
}

void TForm1::BuildCertificate(const cert::TCertificateDescription& description) {
    CertificateMaker maker;
    maker.Facts = [this] {
        cert::TCertificateFacts facts;
        for (const auto& line : bannerLines_) facts.BannerLines.push_back(line.toStdString());
        if (services_.ReadProcessor)
            services_.ReadProcessor(facts);
        else
            cert::ReadProcessor(facts);
        // The results as the screen shows them at this moment.
        facts.ErrorCount = run_->State.ErrorCount;
        const auto counters = Counters();
        for (size_t i = 0; i < facts.WorkTime.size(); ++i)
            facts.WorkTime[i] = counters.at(static_cast<qsizetype>(i)).toStdString();
        facts.MaxTempSize = run_->MaxTempSize;
        const LocalClock& clock =
            services_.Engine.localClock ? *services_.Engine.localClock : RealLocalClock::Instance();
        cert::StampTime(facts, clock.Now());
        return facts;
    };
    maker.Filler = [this] {
        return cert::FillerLine(
            [this](std::int32_t low, std::int32_t high) { return run_->RandomInRange(low, high); });
    };
    if (!app::BuildCertificate(*services_.Dialogs, CertificateHash, services_.ProgramFile, description,
                               maker))
        return;
    Memo2->Clear();
    Memo2->Add(QStringLiteral("Certification Created"));
    ShowPane(Pane::Info);
}

void TForm1::VerifyCertificate1Click() {
    const auto path = ChooseCertificate(*services_.Dialogs, services_.ProgramFile);
    if (!path || !viewer_) return;
    viewer_->Edit1->setText(Q(*path));
    viewer_->show();
}

// ---------------------------------------------------------------------------------------------------
// Temperature

void TForm1::TempUpdaterTimer() {
    const auto reading = sensors_.Reading(tempSensor_);
    if (reading) {
        Label2->setText(TemperatureText(hw::RoundToInt32(*reading).value_or(0), tempUnitWord_));
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
// Screen commands

void TForm1::SceenColor1Click() {
    const auto chosen = services_.Dialogs->ColorDialog(RgbValueFromColor(ScreenColor()));
    if (!chosen) return;
    ApplyBackground(ColorFromRgbValue(*chosen), true);
    SettingsKey().WriteString("Q5", std::to_string(static_cast<std::int32_t>(*chosen)));
}

void TForm1::FontColor1Click() {
    const auto chosen = services_.Dialogs->ColorDialog(RgbValueFromColor(TextColor()));
    if (!chosen) return;
    ApplyTextColour(ColorFromRgbValue(*chosen), true);
    SettingsKey().WriteString("Q6", std::to_string(static_cast<std::int32_t>(*chosen)));
}

void TForm1::SaveScreen1Click() {
    const auto chosen = services_.Dialogs->SaveFileDialog("Text files|*.txt");
    if (!chosen) return;
    const auto name = SaveScreenFileName(Q(*chosen)).toStdString();
    const TMemo* shown = !Memo2->isHidden() ? Memo2 : !Memo1->isHidden() ? Memo1 : nullptr;
    if (!shown) return;
    QString text;
    for (const auto& line : shown->Lines()) text += line + QStringLiteral("\r\n");
    const auto bytes = text.toUtf8();
    // An existing file is replaced whole or not at all.
    WriteFileAtomically(name, std::string(bytes.constData(), static_cast<size_t>(bytes.size())));
}

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

// ---------------------------------------------------------------------------------------------------
// Window commands

void TForm1::ApplyWindowFlags(bool fullScreenView, bool stayOnTop) {
    // Qt drops the frameless hint as long as any title bar button is asked for, so the two views have
    // flag sets of their own.
    Qt::WindowFlags flags = Qt::Window;
    if (fullScreenView)
        flags |= Qt::FramelessWindowHint;
    else
        flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint;
    if (stayOnTop) flags |= Qt::WindowStaysOnTopHint;
    if (flags == windowFlags()) return;
    const bool wasVisible = isVisible();
    const QPoint where = pos();
    setWindowFlags(flags);
    move(where);
    if (wasVisible) show();
}

void TForm1::Maximize1Click() {
    const auto state = windowState() & ~Qt::WindowActive;
    if (state & (Qt::WindowFullScreen | Qt::WindowMaximized)) {
        Maximize1->setText(QStringLiteral("Maximize"));
        ApplyWindowFlags(false, ticks_[StayOnTop1]);
        showNormal();
        // The window manager frames the window again in its own time, and may place it anew; until then
        // the frame is unknown, and a size set now would be the inner area's. So the outer size and place
        // are set now and again for a moment, until the framed window has them.
        normalizeAttempts_ = 40;
        ApplyNormalizedGeometry();
        if (normalizeAttempts_ > 0) normalizeTimer_->start();
    } else if (state == Qt::WindowNoState) {
        normalizeAttempts_ = 0;
        normalizeTimer_->stop();
        Maximize1->setText(QStringLiteral("Normalize"));
        ApplyWindowFlags(true, ticks_[StayOnTop1]);
        showFullScreen();
    }
}

void TForm1::Minimize1Click() {
    if (TTrayIcon::SystemTrayAvailable()) {
        TrayIcon1->SetIconVisible(true);
        hide();
    } else {
        // Without a notification area a hidden window could never be found again.
        showMinimized();
    }
}

void TForm1::StayOnTop1Click() {
    const bool on = !ticks_[StayOnTop1];
    ApplyWindowFlags(windowFlags().testFlag(Qt::FramelessWindowHint), on);
    SetTick(StayOnTop1, on);
}

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

void TForm1::InjectFault(const session::FaultSpec& fault) {
    processors_->InjectFault(fault);
}

void TForm1::TrayIcon1Click() {
    ShowMainWindow();
}

} // namespace torvane::app
