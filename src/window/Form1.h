#pragma once
// The main window: the black text screen with its status strip, the menu bar, the window's own commands,
// the settings load at creation and the settings save at shutdown.
//
// The window owns its test run. The window renders the run's event stream and the run keeps its own
// state and choices; the items of the "Testing", "Mode" and "Tests" menus show them and send their
// clicks to the run (ClickMenuItem), so no command of the run is written here.
//
// Its definitions are split by concern: Form1.cpp (creation, layout, menus, the run's view),
// Form1Settings.cpp (load and store), Form1Window.cpp (geometry, colours, the "Window" menu),
// Form1Options.cpp (work files, processors, temperature), Form1Certificates.cpp and Form1Help.cpp.

#include "crypto/Managers.h"
#include "engine/RunStream.h"
#include "engine/TestRun.h"
#include "hw/MBM4Wrapper.h"
#include "platform/Dialogs.h"
#include "platform/Shell.h"
#include "session/RunOptions.h"
#include "session/TemperatureFeed.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QPointer>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

class QAction;
class QActionGroup;
class QFrame;
class QLabel;
class QMenu;
class QTimer;

namespace torvane::cert {
struct TCertificateDescription;
struct TCertificateFacts;
} // namespace torvane::cert

namespace torvane::app {

class TForm2;
class TForm3;
class TForm4;
class TMemo;
class TProcessorWorkers;
class TTrayIcon;
class TUserGuideWindow;

// What the window needs from the world around it; tests hand in scripted stand-ins.
struct Form1Services {
    IDialogs* Dialogs = nullptr;
    IShell* Shell = nullptr;
    std::string ProgramFile;           // full path of the program file: the hand-over and "Documentation"
    std::string CommandLine;           // the raw command line (quoted program path, blank, arguments)
    engine::TestRunEnvironment Engine; // clocks and system views of the test run; real ones by default
    // Reads the processor for a new certificate: its identification and its speed, measured then (about
    // a second). The processor itself when empty.
    std::function<void(cert::TCertificateFacts&)> ReadProcessor;
    // The program the workers of a run on every processor are started from; none: the window's run
    // alone, whatever "Processors" says.
    std::string WorkerProgram;
};

class TForm1 final : public QMainWindow, public engine::IRunSubscriber {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 600; // design size of the screen below the menu bar
    static constexpr int kClientHeight = 400;
    static constexpr int kDesignLeft = 204;
    static constexpr int kDesignTop = 108;
    static constexpr int kNormalizedWidth = 575; // outer size after leaving the full-screen view
    static constexpr int kNormalizedHeight = 333;

    // Creates the window and runs the settings load.
    explicit TForm1(const Form1Services& services, QWidget* parent = nullptr);
    ~TForm1() override;

    // The shutdown: saves geometry and menu choices and removes the work files. Runs once; the
    // destructor runs it when nobody did.
    void FormDestroy();

    // The program is asked to end (a stop signal): as "Exit", the run stops first.
    void EndOnRequest();
    // The shutdown when the display is gone and the process ends: the run stops, its work files go and
    // the settings are stored, without a word to a screen that is not there (problems go to standard
    // error).
    void ShutDownWithoutDisplay();

    // The paint handling: the command-line hand-over, once per start.
    void FormPaint();

    // The viewer window Form2, created after this window; its text pane follows the colour scheme.
    void SetViewer(TForm2* viewer);
    // The certificate creation window Form3: "Create Certificate" shows it, its "OK" comes back to
    // BuildCertificate.
    void SetCreationWindow(TForm3* creation);
    // Asks where the certificate goes and writes it with what the window and its run know now.
    void BuildCertificate(const cert::TCertificateDescription& description);
    // The sensor setup window Form4, which "MBM Setup" shows.
    void SetSensorSetup(TForm4* setup);

    // The test run behind the window.
    engine::TestRun& Run() { return *run_; }
    // The run's other processors ("Processors" set to "All").
    TProcessorWorkers& ProcessorRuns() { return *processors_; }
    // A fault for the next run (--start --inject-fault): the processor it names meets it.
    void InjectFault(const session::FaultSpec& fault);

    // Work settings of the run, as the "Options" commands set them.
    const std::string& TempDir() const { return run_->TempDir; }
    std::int32_t MaxTempSize() const { return run_->MaxTempSize; }
    const QStringList& BannerLines() const { return bannerLines_; }
    const QString& TempUnitWord() const { return tempUnitWord_; }
    int TempSensor() const { return tempSensor_; }
    bool TemperatureDisplayOn() const { return temperatureDisplay_; }

    // The problems the settings load met, as shown to the user (empty when there were none).
    const QStringList& LoadProblems() const { return loadProblems_; }
    // Viewer windows opened by the command-line hand-over.
    std::vector<TForm2*> HandedOverViewers() const;
    // The elements that take the screen colours, in the order they take them.
    std::vector<QWidget*> ColourElements() const;
    QColor ScreenColor() const;
    QColor TextColor() const;
    QStringList Counters() const; // days, hours, minutes, seconds as shown
    bool QuitRequested() const { return quitRequested_; }
    // The window "Documentation" shows the guide in where no desktop application would (none before).
    TUserGuideWindow* UserGuide() const;
    bool TrayIconVisible() const;
    // Ends the application.
    void Quit();

    // The run's events, as the window shows them: the screen's own, and the work time on the counters.
    void Hear(const engine::RunEvent& event) override;
    void AppendLine(engine::Pane pane, const QString& line);
    void ClearPane(engine::Pane pane);
    void ShowPane(engine::Pane pane);
    void ShowWorkTime(std::int64_t seconds);
    void ShowTemperature(std::optional<double> celsius);
    void Repaint();
    void UpdateWindow();
    void ShowMainWindow();
    // The tray icon's hint while the icon is shown.
    void SetTrayHint(const QString& hint);
    void ShowMessage(const QString& caption, const QString& text);
    void ShowError(const QString& text);
    void ShowMenuItem(engine::MenuItem item, const engine::MenuItemState& state);

    // Components, named as the design names them.
    QMenu* Testing1 = nullptr;
    QAction* Start1 = nullptr;
    QAction* Stop1 = nullptr;
    QAction* Exit1 = nullptr;
    QMenu* AdvancedMenu = nullptr;
    QAction* Options1 = nullptr; // the "Advanced" menu as a whole
    QMenu* Options2 = nullptr;
    QAction* SelectTempdir1 = nullptr;
    QAction* MaxTempsize1 = nullptr;
    QAction* SceenColor1 = nullptr;
    QAction* FontColor1 = nullptr;
    QAction* Registerfiletype1 = nullptr;
    QAction* MBMSetup1 = nullptr;
    QMenu* Stability1 = nullptr;
    QAction* CreateCertificate1 = nullptr;
    QAction* VerifyCertificate1 = nullptr;
    QMenu* Mode1 = nullptr;
    QAction* idle1 = nullptr;
    QAction* Normal1 = nullptr;
    QAction* Hardcore1 = nullptr;
    QMenu* Tests1 = nullptr;
    QAction* Random1 = nullptr;
    QAction* Optimal1 = nullptr;
    QAction* NoEncryptiontests1 = nullptr;
    QMenu* Processors1 = nullptr;
    QAction* AllProcessors1 = nullptr;
    QAction* OneProcessor1 = nullptr;
    QAction* SaveScreen1 = nullptr;
    QMenu* Window2 = nullptr;
    QAction* Maximize1 = nullptr;
    QAction* Minimize1 = nullptr;
    QAction* StayOnTop1 = nullptr;
    QMenu* Help1 = nullptr;
    QAction* Documentation1 = nullptr;
    QAction* Checkfornewversion1 = nullptr;
    QAction* About1 = nullptr;

    QWidget* ClientArea = nullptr; // the window's own surface below the menu bar
    QFrame* Panel2 = nullptr;
    QWidget* Panel3 = nullptr;
    TMemo* Memo1 = nullptr; // the run log
    TMemo* Memo2 = nullptr; // the information pane
    QFrame* Panel7 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QFrame* Panel4 = nullptr;
    QLabel* Panel19 = nullptr;
    QLabel* Panel14 = nullptr;
    QLabel* Panel15 = nullptr;
    QLabel* Panel16 = nullptr;
    QLabel* ProcessorStrip = nullptr; // each processor's test, passes and errors in a run on all of them
    TTrayIcon* TrayIcon1 = nullptr;
    QTimer* TempUpdater = nullptr;

    // The hash the certificates are sealed with.
    crypto::THashManager CertificateHash;

public slots:
    void SelectTempdir1Click();
    void MaxTempsize1Click();
    void SceenColor1Click();
    void FontColor1Click();
    void Registerfiletype1Click();
    void MBMSetup1Click();
    void CreateCertificate1Click();
    // Whether the run's results earn a certificate; a note says why not.
    bool CertificateEarned();
    void VerifyCertificate1Click();
    void SaveScreen1Click();
    void Maximize1Click();
    void Minimize1Click();
    void StayOnTop1Click();
    void AllProcessors1Click();
    void OneProcessor1Click();
    void Documentation1Click();
    void Checkfornewversion1Click();
    void About1Click();
    void TrayIcon1Click();
    void TempUpdaterTimer();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // When the window was last painted at once by Repaint (invalid until the first time).
    QElapsedTimer lastRepaint_;

    void BuildScreen();
    void BuildMenus();
    // A menu item whose click runs the command inside the guard that shows escaping errors.
    QAction* AddItem(QMenu* menu, const char* name, const QString& caption, std::function<void()> command);
    QAction* AddItem(QMenu* menu, const char* name, const QString& caption, void (TForm1::*command)());
    // A menu item of the run: it shows the run's state of the item and sends its clicks to the run.
    QAction* AddRunItem(QMenu* menu, const char* name, const QString& caption, engine::MenuItem item);
    void FormCreate();
    // Stores the window's place and size and the menu choices; the problem in words, or nothing.
    QString SaveWindowAndChoices();
    void ReportLoadProblems();
    void HandOver();
    void ApplyGeometryFixes();
    // Leaving the full-screen view: the outer size 575 × 333, centred, once the window manager has
    // framed the window again (until then the frame is not known).
    void ApplyNormalizedGeometry();
    QRect NormalizedGeometry() const;

    void ApplyBackground(const QColor& colour, bool includeViewer);
    void ApplyTextColour(const QColor& colour, bool includeViewer);
    void SetTick(QAction* action, bool checked);
    void RestoreTicks();
    QAction* ActionOf(engine::MenuItem item) const;
    void ApplyWindowFlags(bool fullScreenView, bool stayOnTop);
    QSize FrameExtra() const;

    Form1Services services_;
    // The window and the run on every processor hear the run, in that order.
    engine::RunEventHub runEvents_;
    std::unique_ptr<engine::TestRun> run_;
    std::unique_ptr<TProcessorWorkers> processors_;
    void ChooseProcessors(bool all);
    QStringList bannerLines_;
    QString tempUnitWord_ = QStringLiteral("C");
    int tempSensor_ = 1;
    bool temperatureDisplay_ = false;
    std::optional<std::string> tempUnit_; // the stored A1, which the reading is shown in
    // The window's one reader of the temperature, which it publishes into the run's stream every tick
    // of TempUpdater; the status strip shows what the stream tells.
    session::TemperatureFeed temperature_{hw::SensorBlockName(), 1, std::nullopt};
    bool showedReading_ = false; // Label2 shows a live reading

    QStringList loadProblems_;
    QString storeNote_;         // the store keeps no change (write-protected, no home folder): said once
    bool storeProblem_ = false; // the store as a whole could not be used (set aside, unreadable)
    std::set<std::string> unreadableAtStart_; // stored values the load could not read; kept as they are
    std::map<std::string, std::uint32_t> loadedAtStart_; // the shutdown's values as the load found them
    std::map<QAction*, bool> ticks_;                     // menu ticks as the commands left them
    std::map<QAction*, QActionGroup*> radioGroup_;
    QPointer<TForm2> viewer_;
    QPointer<TForm3> creation_;
    QPointer<TForm4> sensorSetup_;
    QPointer<TUserGuideWindow> guide_;
    std::vector<QPointer<TForm2>> handedOver_;
    bool handOverDone_ = false;
    bool destroyed_ = false;
    bool quitRequested_ = false;
    bool firstPaintSeen_ = false;
    QSize pendingOuterSize_;    // Q10 × Q9 until the frame is known
    int normalizeAttempts_ = 0; // left to set the normalized geometry once the frame is known
    QTimer* normalizeTimer_ = nullptr;

    // Dragging the window by the screen where the window manager cannot do it for us.
    bool dragging_ = false;
    QPoint dragStartCursor_;
    QPoint dragStartWindow_;
};

} // namespace torvane::app
