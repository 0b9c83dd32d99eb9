#include "engine/TestRun.h"

#include "engine/EncryptionWorkload.h"
#include "engine/FloatText.h"
#include "engine/MmxWorkload.h"
#include "engine/SettingsSchema.h"
#include "engine/WhetstoneWorkload.h"
#include "engine/WorkTime.h"
#include "engine/Workloads.h"
#include "platform/Files.h"
#include "platform/Priority.h"
#include "platform/Settings.h"
#include "platform/SystemState.h"
#include "platform/WorkFolder.h"
#include "platform/WorkFolderClaim.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <exception>
#include <stdexcept>
#include <thread>

namespace torvane::engine {

namespace {

constexpr std::int32_t HeatUpMs = 300000;

const QString MemoDoingHeatUp = QStringLiteral("Doing a 5 Minute CPU HeatUP...");

} // namespace

TestRun::TestRun(IRunSubscriber& subscriber, TestRunEnvironment environment)
    : TempDir(SystemTempDirectory()), out_(subscriber), env_(std::move(environment)),
      msClock_(env_.msClock ? *env_.msClock : RealMsClock::Instance()),
      workClock_(env_.workTime ? *env_.workTime : RealWorkTimeSource::Instance()),
      separator_(env_.decimalSeparator ? env_.decimalSeparator : LocaleDecimalSeparator()),
      mainThreadId_(CurrentThreadId()) {
    // Both ciphers code in the program's own feedback mode, keyed through their own hash manager (CRC-32
    // by default, so every cipher gets a 4-byte key), without a key check in the files.
    Cipher1.SetMode(crypto::cmCTS);
    Cipher1.SetHashManager(&EncryptorHash1);
    Cipher1.SetIncludeHashKey(false);
    Cipher1.ReadStoredClassName("TCipher_SAFER_SK128");
    Cipher2.SetMode(crypto::cmCTS);
    Cipher2.SetHashManager(&EncryptorHash2);
    Cipher2.SetIncludeHashKey(false);

    operateTimer_ = std::make_unique<WindowTimer>(
        100, [this] { Timer1Timer(); }, env_.automaticWindowTimers);
    kello_ = std::make_unique<WindowTimer>(
        800, [this] { KelloTimer(); }, env_.automaticWindowTimers);

    workloads_ = MakeWorkloads(*this);
    for (const auto& workload : workloads_) {
        for (const TimerInfo& info : workload->Info().Timers) {
            auto t = std::make_unique<TWorkerTimer>(nullptr, msClock_);
            t->SetInterval(info.IntervalMs);
            t->SetThreadPriority(info.Priority);
            if (info.Tick)
                t->OnTimer = [w = workload.get(), tick = info.Tick](TWorkerTimer* own) { tick(*w, *own); };
            // The OnStop handlers switch their own timer off (it already is when it stopped itself).
            if (info.StopsItself) t->OnStop = [](TWorkerTimer* sender) { sender->SetEnabled(false); };
            // What a tick lets escape goes to the error box, as any command's failure does.
            t->OnError = [this](TWorkerTimer*, std::exception_ptr error) {
                try {
                    std::rethrow_exception(error);
                } catch (const std::exception& e) {
                    Publish(event::Failure{QString::fromStdString(e.what())});
                } catch (...) {
                    Publish(event::Failure{QStringLiteral("Unknown error")});
                }
            };
            timers_.push_back({workload.get(), &info, std::move(t)});
        }
    }
    ShowMenu();
}

TestRun::~TestRun() {
    State.Stopped = true;
    // The timers go first: their threads may be waiting for a tick that calls into the workloads.
    for (auto& t : timers_) t.Timer.reset();
    operateTimer_.reset();
    kello_.reset();
}

std::string WorkDirectoryOf(SettingsReader& settings) {
    // A folder that is not there (any more) leaves the default; the stored value is not changed. The
    // default is a folder of the user's own: the work files have fixed names, and in a shared folder
    // anybody could take those names first.
    std::string stored;
    if (const auto dir = settings.Text(settings::WorkDirectory)) stored = WithTrailingSeparator(*dir);
    return !stored.empty() && DirectoryExists(stored) ? stored : PrivateWorkDirectory();
}

void TestRun::LoadWorkSettings(SettingsReader& settings) {
    TempDir = WorkDirectoryOf(settings);
    MaxTempSize = settings.Number(settings::MaxTempSize).value_or(settings::MaxTempSize.Default);
}

// ---------------------------------------------------------------------------------------------------
// Timers

TWorkerTimer& TestRun::Timer(std::string_view name) {
    for (auto& t : timers_)
        if (name == t.Info->Name) return *t.Timer;
    throw std::out_of_range("no timer " + std::string(name));
}

std::vector<TWorkerTimer*> TestRun::WorkerTimers() const {
    std::vector<TWorkerTimer*> r;
    for (const auto& t : timers_) r.push_back(t.Timer.get());
    return r;
}

void TestRun::DisableTimers(const Workload& workload, TimerRole role) {
    for (auto& t : timers_)
        if (t.Owner == &workload && t.Info->Role == role) t.Timer->SetEnabled(false);
}

void TestRun::DisableIdlers() {
    for (auto& t : timers_)
        if (t.Info->Role == TimerRole::Idle) t.Timer->SetEnabled(false);
}

void TestRun::RunCompanions() {
    std::vector<TWorkerTimer*> started;
    for (auto& t : timers_) {
        if (!t.Info->Companion) continue;
        t.Timer->SetElapsed(0);
        t.Timer->SetDuration(0);
        started.push_back(t.Timer.get());
    }
    for (auto* t : started) t->SetEnabled(true);
}

void TestRun::DisableCompanions() {
    for (auto& t : timers_)
        if (t.Info->Companion) t.Timer->SetEnabled(false);
}

void TestRun::RunTestTimers(const Workload& workload, std::int32_t durationMs) {
    std::vector<TWorkerTimer*> started;
    for (auto& t : timers_) {
        if (t.Owner != &workload || t.Info->Role != TimerRole::Test) continue;
        t.Timer->SetElapsed(0);
        t.Timer->SetDuration(durationMs);
        started.push_back(t.Timer.get());
    }
    for (auto* t : started) t->SetEnabled(true);
}

bool TestRun::TestRunning() const {
    // The heat-up counts as a test; the idle workloads run beside everything.
    for (const auto& t : timers_)
        if (t.Info->Role != TimerRole::Idle && t.Timer->Enabled()) return true;
    return false;
}

template <typename W> static W& Find(const std::vector<std::unique_ptr<Workload>>& workloads) {
    for (const auto& w : workloads)
        if (auto* found = dynamic_cast<W*>(w.get())) return *found;
    throw std::logic_error("workload missing");
}

WhetstoneWorkload& TestRun::Whetstone() {
    return Find<WhetstoneWorkload>(workloads_);
}

MmxWorkload& TestRun::Mmx() {
    return Find<MmxWorkload>(workloads_);
}

EncryptionWorkload& TestRun::Encryption() {
    return Find<EncryptionWorkload>(workloads_);
}

// ---------------------------------------------------------------------------------------------------
// Menu

MenuItemState TestRun::MenuState(MenuItem item) const {
    const bool stopped = State.Stopped;
    switch (item) {
    case MenuItem::Start1:
    case MenuItem::Exit1:
    case MenuItem::Options1:
    case MenuItem::About1:
        return {stopped, false};
    case MenuItem::Stop1:
        return {!stopped, false};
    case MenuItem::idle1:
        return {true, mode_ == LoadMode::Idle};
    case MenuItem::Normal1:
        return {true, mode_ == LoadMode::Normal};
    case MenuItem::Hardcore1:
        return {true, mode_ == LoadMode::Hardcore};
    case MenuItem::Random1:
        return {true, tests_ == TestChoice::Random};
    case MenuItem::Optimal1:
        return {true, tests_ == TestChoice::Optimal};
    case MenuItem::NoEncryptiontests1:
        return {true, noEncryptionTests_};
    }
    return {};
}

void TestRun::ShowMenu() {
    for (auto item : AllMenuItems) Publish(event::MenuItemShown{item, MenuState(item)});
}

void TestRun::SetTestChoice(TestChoice choice) {
    tests_ = choice;
    ShowMenu();
}

void TestRun::LoadTestChoice(SettingsReader& settings) {
    if (const auto random = settings.Flag(settings::RandomTests)) {
        if (*random)
            ClickMenuItem(MenuItem::Random1);
        else
            SetTestChoice(TestChoice::Optimal);
    }
}

void TestRun::SetNoEncryptionTests(bool ticked) {
    noEncryptionTests_ = ticked;
    ShowMenu();
}

bool TestRun::RestrictTests(const std::vector<std::string>& names) {
    std::vector<const WorkloadInfo*> allowed;
    for (const auto& name : names) {
        const auto* info = FindTest(name);
        if (!info) return false;
        allowed.push_back(info);
    }
    allowedTests_ = std::move(allowed);
    return true;
}

bool TestRun::TestAllowed(const WorkloadInfo& info) const {
    return allowedTests_.empty() ||
           std::find(allowedTests_.begin(), allowedTests_.end(), &info) != allowedTests_.end();
}

bool TestRun::InjectFault(std::string_view name) {
    const auto* info = FindTest(name);
    for (const auto& workload : workloads_)
        if (info && &workload->Info() == info) {
            workload->InjectFault();
            return true;
        }
    return false;
}

void TestRun::ClickMenuItem(MenuItem item) {
    if (!MenuState(item).Enabled) return;
    switch (item) {
    case MenuItem::Start1:
        Start1Click();
        break;
    case MenuItem::Stop1:
        Stop1Click();
        break;
    case MenuItem::Exit1:
        Exit1Click();
        break;
    case MenuItem::idle1:
        idle1Click();
        break;
    case MenuItem::Normal1:
        Normal1Click();
        break;
    case MenuItem::Hardcore1:
        Hardcore1Click();
        break;
    case MenuItem::Random1:
        Random1Click();
        break;
    case MenuItem::Optimal1:
        Optimal1Click();
        break;
    case MenuItem::NoEncryptiontests1:
        NoEncryptiontests1Click();
        break;
    default:
        // "Advanced" and "About" are the front end's.
        break;
    }
}

// ---------------------------------------------------------------------------------------------------
// Commands

void TestRun::Sleep(int ms) {
    if (env_.sleep)
        env_.sleep(ms);
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void TestRun::DeleteWorkFile(const char* name) {
    TWorkFolder(NativePath(TempDir)).Delete(name);
}

std::optional<QString> TestRun::ClaimWorkFolder() {
    const std::string folder = NativePath(TempDir);
    if (claim_ && claim_->Path() == folder) return std::nullopt;
    auto claim = std::make_unique<TWorkFolderClaim>(folder);
    if (claim->Busy())
        return QStringLiteral("the work folder %1 is in use by another test run: two runs in one folder "
                              "would break each other's work files")
            .arg(QString::fromStdString(TempDir));
    claim_ = std::move(claim);
    workedIn_ = folder;
    return std::nullopt;
}

void TestRun::RemoveLeftWorkFiles(bool allThree) {
    if (workedIn_.empty()) return;
    std::unique_ptr<TWorkFolderClaim> now;
    if (!claim_ || claim_->Path() != workedIn_) {
        now = std::make_unique<TWorkFolderClaim>(workedIn_);
        if (now->Busy()) return;
    }
    TWorkFolder folder(workedIn_);
    folder.Delete(PlainWorkFile);
    folder.Delete(CodedWorkFile);
    if (allThree) folder.Delete(ThirdWorkFile);
}

void TestRun::Start1Click() {
    // A folder another run works in is never touched: not even the old work files go.
    if (const auto problem = ClaimWorkFolder()) {
        Publish(event::Message{
            QStringLiteral("Error"),
            problem->at(0).toUpper() + problem->mid(1) +
                QStringLiteral(". Choose another folder for this run (Advanced > Options > Select "
                               "Temp dir), or stop the other run first.")});
        return;
    }
    State.Stopped = false;
    State.RunNumber += 1;
    State.LastStop = StopReason::None;
    State.TestsStarted = 0;
    ShowMenu();
    Publish(event::Started{});
    State.WhetstoneReference = NoPassYet;
    State.MmxReference = NoPassYet;
    DeleteWorkFile(PlainWorkFile);
    DeleteWorkFile(CodedWorkFile);
    Publish(event::ShowPane{Pane::RunLog});
    Publish(event::ClearPane{Pane::RunLog});
    for (const auto& line : BannerLines) Say(Pane::RunLog, line);
    workClock_.StartClock();
    kello_->SetEnabled(true);
    const bool idle = mode_ == LoadMode::Idle;
    if (!idle) {
        Say(Pane::RunLog, MemoDoingHeatUp);
        const Workload* heatUp = nullptr;
        for (auto& t : timers_) {
            if (t.Info->Role != TimerRole::HeatUp) continue;
            heatUp = t.Owner;
            t.Timer->SetElapsed(0);
            t.Timer->SetDuration(HeatUpMs);
            t.Timer->SetEnabled(true);
        }
        if (heatUp) Publish(event::TestStarted{&heatUp->Info(), HeatUpMs / 60000});
    }
    operateTimer_->SetEnabled(true);
    if (!idle)
        for (auto& t : timers_)
            if (t.Info->Role == TimerRole::Idle) t.Timer->SetEnabled(true);
}

void TestRun::Stop1Click() {
    // The clock is checked before the results are taken from it: a jump just before the stop is no work
    // time, it is a jump.
    const bool jumped = CheckWorkClock();
    // A jump found here voids the run unless it stops for an error.
    if (jumped && stopping_ != StopReason::Error) stopping_ = StopReason::ClockJump;
    StopSequence();
    if (jumped) ShowCheating();
}

void TestRun::StopFor(StopReason reason) {
    stopping_ = reason;
    ClickMenuItem(MenuItem::Stop1);
    stopping_ = StopReason::User;
}

void TestRun::StopSequence() {
    State.Stopped = true;
    State.LastStop = stopping_;
    operateTimer_->SetEnabled(false);
    for (auto& t : timers_)
        if (t.Info->Role != TimerRole::Idle) t.Timer->SetEnabled(false);
    // One last tick of an idle workload finds the run stopped and switches all of them off.
    for (auto& t : timers_)
        if (t.Info->Role == TimerRole::Idle) t.Timer->SetEnabled(true);
    kello_->SetEnabled(false);
    DeleteWorkFile(PlainWorkFile);
    DeleteWorkFile(CodedWorkFile);
    DeleteWorkFile(ThirdWorkFile);
    claim_.reset();
    ShowWorkTime(workClock_.ElapsedSeconds());
    workClock_.StopClock();
    Publish(event::ShowPane{Pane::Info});
    Publish(event::ClearPane{Pane::RunLog});
    Publish(event::ClearPane{Pane::Info});
    for (const auto& line : BannerLines) Say(Pane::Info, line);

    // A settings store that cannot be written must not cost the results on the screen.
    QString settingsProblem;
    try {
        if (StoreSizeLimit)
            SettingsKey().WriteStringIfAbsent(settings::MaxTempSize.Name, std::to_string(MaxTempSize));
    } catch (const ESettingsWriteError& e) {
        settingsProblem = QString::fromStdString(e.Describe());
    } catch (const std::exception& e) {
        settingsProblem = QString::fromStdString(e.what());
    }

    Say(Pane::Info, QString());
    Say(Pane::Info, QStringLiteral("Test Results:"));
    Say(Pane::Info, QStringLiteral(" Errors: ") + QString::number(State.ErrorCount));
    Say(Pane::Info, QStringLiteral(" Worktime: ") + WorkTimeText(State.WorkSeconds));
    ShowMenu();
    const bool failed = State.ErrorCount > 0 || State.LastStop == StopReason::Error ||
                        State.LastStop == StopReason::ClockJump;
    Publish(event::Stopped{State.LastStop, State.ErrorCount, State.WorkSeconds,
                           failed ? Verdict::Failed : Verdict::Passed});
    if (!settingsProblem.isEmpty()) Publish(event::Failure{settingsProblem});
}

void TestRun::Exit1Click() {
    State.Stopped = true;
    if (OnExit) OnExit();
}

void TestRun::SetMode(LoadMode mode) {
    mode_ = mode;
    ShowMenu();
    // In "idle" the run's own thread gets the lowest priority that the scheduler still gives a share of
    // the processor, not the idle class: the workloads run on it too and stay below all other work, but
    // a busy machine cannot starve the clock, the sequencer and the window for tens of seconds.
    static constexpr ModePriorities MainThread{ThreadPriority::Lowest, ThreadPriority::Normal,
                                               ThreadPriority::Highest};
    SetProcessPriorityClass(mode == LoadMode::Idle     ? ProcessPriorityClass::Idle
                            : mode == LoadMode::Normal ? ProcessPriorityClass::Normal
                                                       : ProcessPriorityClass::High);
    SetThreadPriority(mainThreadId_, MainThread.In(mode));
    // The heat-up and idle timers keep their own priorities in every mode.
    for (auto& t : timers_)
        if (t.Info->InMode) t.Timer->SetThreadPriority(t.Info->InMode->In(mode));
}

void TestRun::idle1Click() {
    SetMode(LoadMode::Idle);
}

void TestRun::Normal1Click() {
    SetMode(LoadMode::Normal);
}

void TestRun::Hardcore1Click() {
    SetMode(LoadMode::Hardcore);
}

void TestRun::Random1Click() {
    SetTestChoice(TestChoice::Random);
}

void TestRun::Optimal1Click() {
    Publish(event::Message{QStringLiteral("Torvane Test"), QStringLiteral("This feature will be done ASAP")});
}

void TestRun::NoEncryptiontests1Click() {
    SetNoEncryptionTests(!noEncryptionTests_);
}

// ---------------------------------------------------------------------------------------------------
// Sequencer and clock

void TestRun::Timer1Timer() {
    if (State.Stopped)
        operateTimer_->SetEnabled(false);
    else
        PickNextTest();
}

void TestRun::PickNextTest() {
    if (State.Stopped || TestRunning()) return;
    if (mode_ == LoadMode::Idle) {
        for (int i = 0; i < 10; ++i) {
            ProcessMessages();
            Sleep(1);
        }
    } else {
        ProcessMessages();
    }
    if (runLogLines_ >= 100) Publish(event::ClearPane{Pane::RunLog});
    // With "Optimal..." ticked no test is ever started: only the heat-up and the idle workloads run.
    if (tests_ != TestChoice::Random) return;

    const std::int32_t kind = RandomInRange(0, 90) % 3;
    const std::int32_t minutes = RandomInRange(1, 10);
    const std::int32_t duration = minutes * 60 * 1000;
    // The events processed above may have stopped the run, or stopped and started a new one whose
    // heat-up is now running.
    if (State.Stopped || TestRunning()) return;

    Workload* chosen = nullptr;
    for (const auto& workload : workloads_)
        if (workload->Info().TestKind == kind) chosen = workload.get();
    // A fault asked for is a fire drill of the error path: its test comes next, whatever was drawn, so
    // that a short run meets it too.
    for (const auto& workload : workloads_)
        if (workload->FaultPending() && workload->Info().TestKind >= 0 && TestAllowed(workload->Info()))
            chosen = workload.get();
    // A test left out of the run is drawn again at the next tick, without a trace on the screen.
    if (chosen && !TestAllowed(chosen->Info())) return;

    Say(Pane::RunLog, QString());
    if (noEncryptionTests_) {
        if (FileExists(NativePath("C:\\autoexec.bat"))) Publish(event::Repaint{});
        if (FileExists(NativePath("C:\\fd" + std::to_string(RandomInRange(0, 6000)))))
            Publish(event::Repaint{});
    }
    if (!chosen) return;
    const WorkloadInfo& info = chosen->Info();
    // A test that cannot run now starts nothing; the next tick draws again.
    if (info.Available && !info.Available(*this)) return;
    State.TestsStarted += 1;
    if (info.TestLine) {
        Say(Pane::RunLog, QString::fromLatin1(info.TestLine).arg(minutes));
        Publish(event::TestStarted{&info, minutes});
    }
    if (info.StartTest)
        info.StartTest(*this, *chosen, duration);
    else
        RunTestTimers(*chosen, duration);
}

void TestRun::ProcessMessages() {
    // The waiting worker ticks first (other workloads' passes run nested here), then the window's own
    // events: input, paints, the sequencer and the clock.
    struct Nested {
        int& depth;
        explicit Nested(int& d) : depth(d) { ++depth; }
        ~Nested() { --depth; }
    } nested(messageDepth_);
    TWorkerTimer::ServePendingTicks();
    QCoreApplication::processEvents();
    lastEventTime_ = static_cast<std::uint32_t>(msClock_.Now());
}

bool TestRun::KeepGoing() {
    ProcessMessages();
    Publish(event::Repaint{});
    ProcessMessages();
    Publish(event::UpdateWindow{});
    ProcessMessages();
    return !State.Stopped;
}

std::int32_t TestRun::RandomInRange(std::int32_t low, std::int32_t high) {
    ReseedInputs in = env_.systemState ? env_.systemState() : SystemReseedInputs();
    const QPoint cursor = env_.cursorPosition ? env_.cursorPosition() : QPoint();
    in.CursorX = cursor.x();
    in.CursorY = cursor.y();
    in.LastEventTime = lastEventTime_;
    return engine::RandomInRange(generator_, in, low, high);
}

} // namespace torvane::engine
