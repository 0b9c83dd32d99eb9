#include "window/Form1.h"

#include "engine/EncryptionWorkload.h"
#include "engine/SettingsSchema.h"
#include "engine/WorkTime.h"
#include "platform/CommandGuard.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/ProcessInfo.h"
#include "platform/Settings.h"
#include "terminal/ScreenText.h"
#include "window/Colors.h"
#include "window/Form2.h"
#include "window/Form3.h"
#include "window/Memo.h"
#include "window/ProcessorWorkers.h"
#include "window/QtText.h"
#include "window/TrayIcon.h"
#include "window/UserGuideWindow.h"

#include <QActionGroup>
#include <QCoreApplication>
#include <QCursor>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace torvane::app {

using engine::MenuItem;
using engine::MenuItemState;
using engine::Pane;
using engine::SettingsReader;
namespace settings = engine::settings;

namespace {

QLabel* MakeCounter(const char* name, QWidget* parent, int left, int width) {
    auto* counter = new QLabel(QStringLiteral("0"), parent);
    counter->setObjectName(QString::fromLatin1(name));
    counter->setGeometry(left, 3, width, 17);
    counter->setAlignment(Qt::AlignCenter);
    counter->setFont(ScreenFont());
    return counter;
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
                   [this](const e::Temperature& x) { ShowTemperature(x.Celsius); },
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

void TForm1::InjectFault(const session::FaultSpec& fault) {
    processors_->InjectFault(fault);
}

void TForm1::TrayIcon1Click() {
    ShowMainWindow();
}

} // namespace torvane::app
