#include "engine/TestRun.h"

#include "engine/FloatText.h"
#include "engine/HeatUpWorkload.h"
#include "engine/MmxWorkload.h"
#include "engine/WhetstoneWorkload.h"
#include "platform/Files.h"
#include "platform/Settings.h"
#include "platform/SystemState.h"

#include <QCoreApplication>

#include <chrono>
#include <exception>
#include <thread>

namespace torvane::engine {

namespace {

constexpr std::int32_t HeatUpMs = 300000;

const QString MemoDoingHeatUp = QStringLiteral("Doing a 5 Minute CPU HeatUP...");

} // namespace

TestRun::TestRun(IRunView& view, TestRunEnvironment environment)
    : view_(view), env_(std::move(environment)),
      msClock_(env_.msClock ? *env_.msClock : RealMsClock::Instance()),
      workClock_(env_.localClock ? *env_.localClock : RealLocalClock::Instance()),
      separator_(env_.decimalSeparator ? env_.decimalSeparator : LocaleDecimalSeparator()),
      mainThreadId_(CurrentThreadId()) {
    heatUp_ = std::make_unique<HeatUpWorkload>(*this);
    whetstone_ = std::make_unique<WhetstoneWorkload>(*this);
    mmx_ = std::make_unique<MmxWorkload>(*this);

    operateTimer_ = std::make_unique<WindowTimer>(
        100, [this] { Timer1Timer(); }, env_.automaticWindowTimers);
    kello_ = std::make_unique<WindowTimer>(
        800, [this] { KelloTimer(); }, env_.automaticWindowTimers);

    const auto make = [this](std::uint16_t interval, ThreadPriority priority, TNotifyEvent onTimer,
                             bool stopsItself) {
        auto t = std::make_unique<TWorkerTimer>(nullptr, msClock_);
        t->SetInterval(interval);
        t->SetThreadPriority(priority);
        t->OnTimer = std::move(onTimer);
        // The OnStop handlers switch their own timer off (it already is when it stopped itself).
        if (stopsItself) t->OnStop = [](TWorkerTimer* sender) { sender->SetEnabled(false); };
        // What a tick lets escape goes to the error box, as any command's failure does.
        t->OnError = [this](TWorkerTimer*, std::exception_ptr error) {
            try {
                std::rethrow_exception(error);
            } catch (const std::exception& e) {
                view_.ShowMessage(QStringLiteral("Error"), QString::fromStdString(e.what()));
            } catch (...) {
                view_.ShowMessage(QStringLiteral("Error"), QStringLiteral("Unknown error"));
            }
        };
        return t;
    };
    using P = ThreadPriority;
    heatUp1_ = make(
        1, P::Normal, [this](TWorkerTimer*) { heatUp_->HeatUp1Timer(); }, true);
    heatUp2_ = make(
        1, P::Normal, [this](TWorkerTimer*) { heatUp_->HeatUp2Timer(); }, true);
    whetStone1_ = make(
        1, P::Normal, [this](TWorkerTimer*) { whetstone_->WhetStone1Timer(); }, true);
    whetStone2_ = make(
        1, P::Normal, [this](TWorkerTimer*) { whetstone_->WhetStone2Timer(); }, true);
    mmx1_ = make(
        1, P::Normal, [this](TWorkerTimer*) { mmx_->MMX1Timer(); }, true);
    mmx2_ = make(
        1, P::Normal, [this](TWorkerTimer*) { mmx_->MMX2Timer(); }, true);
    // The encryption workload does not exist yet; its timer is never enabled.
    encryptor_ = make(1000, P::Lowest, nullptr, false);
    idler1_ = make(
        1, P::Idle, [this](TWorkerTimer*) { heatUp_->Idler1Timer(); }, false);
    idler2_ = make(
        1, P::Idle, [this](TWorkerTimer*) { heatUp_->Idler2Timer(); }, false);
    idler3_ = make(
        1, P::Idle, [this](TWorkerTimer*) { whetstone_->Idler3Timer(); }, false);
    idler4_ = make(
        1, P::Idle, [this](TWorkerTimer*) { mmx_->Idler4Timer(); }, false);
}

TestRun::~TestRun() {
    State.Stopped = true;
    // The timers go first: their threads may be waiting for a tick that calls into the workloads.
    for (auto* t : {&heatUp1_, &heatUp2_, &whetStone1_, &whetStone2_, &mmx1_, &mmx2_, &encryptor_, &idler1_,
                    &idler2_, &idler3_, &idler4_})
        t->reset();
    operateTimer_.reset();
    kello_.reset();
}

std::array<TWorkerTimer*, 11> TestRun::WorkerTimers() const {
    return {heatUp1_.get(),   heatUp2_.get(), whetStone1_.get(), whetStone2_.get(), mmx1_.get(),  mmx2_.get(),
            encryptor_.get(), idler1_.get(),  idler2_.get(),     idler3_.get(),     idler4_.get()};
}

void TestRun::DisableIdlers() {
    for (auto* t : {idler1_.get(), idler2_.get(), idler3_.get(), idler4_.get()}) t->SetEnabled(false);
}

void TestRun::SetItemEnabled(MenuItem item, bool enabled) {
    auto state = view_.GetMenuItem(item);
    state.Enabled = enabled;
    view_.SetMenuItem(item, state);
}

void TestRun::Tick(MenuItem item) {
    auto state = view_.GetMenuItem(item);
    state.Checked = true;
    view_.SetMenuItem(item, state);
}

void TestRun::Sleep(int ms) {
    if (env_.sleep)
        env_.sleep(ms);
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void TestRun::DeleteWorkFile(const char* name) {
    DeleteFileIfExists(NativePath(TempDir + name));
}

void TestRun::ClickMenuItem(MenuItem item) {
    if (!view_.GetMenuItem(item).Enabled) return;
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
    default:
        break;
    }
}

void TestRun::Start1Click() {
    State.Stopped = false;
    State.LastStop = StopReason::None;
    SetItemEnabled(MenuItem::Start1, false);
    SetItemEnabled(MenuItem::Stop1, true);
    State.WhetstoneReference = NoPassYet;
    State.MmxReference = NoPassYet;
    DeleteWorkFile("TORVA_1.tmp");
    DeleteWorkFile("TORVA_2.tmp");
    SetItemEnabled(MenuItem::Exit1, false);
    view_.ShowPane(Pane::RunLog);
    view_.ClearPane(Pane::RunLog);
    for (const auto& line : BannerLines) view_.AppendLine(Pane::RunLog, line);
    SetItemEnabled(MenuItem::Options1, false);
    SetItemEnabled(MenuItem::About1, false);
    workClock_.StartClock();
    State.LastShownSeconds = 0;
    kello_->SetEnabled(true);
    const bool idle = Ticked(MenuItem::idle1);
    if (!idle) {
        view_.AppendLine(Pane::RunLog, MemoDoingHeatUp);
        for (auto* t : {heatUp1_.get(), heatUp2_.get()}) {
            t->SetElapsed(0);
            t->SetDuration(HeatUpMs);
            t->SetEnabled(true);
        }
    }
    operateTimer_->SetEnabled(true);
    if (!idle)
        for (auto* t : {idler1_.get(), idler2_.get(), idler3_.get(), idler4_.get()}) t->SetEnabled(true);
}

void TestRun::Stop1Click() {
    SetItemEnabled(MenuItem::Start1, true);
    SetItemEnabled(MenuItem::Stop1, false);
    State.Stopped = true;
    State.LastStop = StopReason::User;
    operateTimer_->SetEnabled(false);
    for (auto* t : {heatUp1_.get(), heatUp2_.get(), mmx1_.get(), mmx2_.get(), whetStone1_.get(),
                    whetStone2_.get(), encryptor_.get()})
        t->SetEnabled(false);
    // One last tick of an idle workload finds the run stopped and switches all four off.
    for (auto* t : {idler1_.get(), idler2_.get(), idler3_.get(), idler4_.get()}) t->SetEnabled(true);
    SetItemEnabled(MenuItem::Options1, true);
    SetItemEnabled(MenuItem::About1, true);
    kello_->SetEnabled(false);
    DeleteWorkFile("TORVA_1.tmp");
    DeleteWorkFile("TORVA_2.tmp");
    DeleteWorkFile("TORVA_3.tmp");
    ShowWorkTime(workClock_.ElapsedSeconds());
    workClock_.StopClock();
    view_.ShowPane(Pane::Info);
    view_.ClearPane(Pane::RunLog);
    view_.ClearPane(Pane::Info);
    for (const auto& line : BannerLines) view_.AppendLine(Pane::Info, line);

    // A settings store that cannot be written must not cost the results on the screen.
    QString settingsProblem;
    try {
        SettingsKey key;
        if (!key.ValueExists("Q2")) key.WriteString("Q2", std::to_string(MaxTempSize));
    } catch (const std::exception& e) {
        settingsProblem = QString::fromStdString(e.what());
    }

    const auto& c = State.Counters;
    view_.AppendLine(Pane::Info, QString());
    view_.AppendLine(Pane::Info, QStringLiteral("Test Results:"));
    view_.AppendLine(Pane::Info, QStringLiteral(" Errors: ") + QString::number(State.ErrorCount));
    view_.AppendLine(Pane::Info, QStringLiteral(" Worktime: ") + c[0] + QStringLiteral(" d, ") + c[1] +
                                     QStringLiteral(" h, ") + c[2] + QStringLiteral(" m, ") + c[3] +
                                     QStringLiteral(" s"));
    SetItemEnabled(MenuItem::Exit1, true);
    if (!settingsProblem.isEmpty()) view_.ShowMessage(QStringLiteral("Error"), settingsProblem);
}

void TestRun::Exit1Click() {
    State.Stopped = true;
    view_.Quit();
}

void TestRun::SetTestTimerPriorities(ThreadPriority tests, ThreadPriority encryptor) {
    for (auto* t : {mmx1_.get(), mmx2_.get(), whetStone1_.get(), whetStone2_.get()})
        t->SetThreadPriority(tests);
    encryptor_->SetThreadPriority(encryptor);
}

void TestRun::idle1Click() {
    Tick(MenuItem::idle1);
    SetProcessPriorityClass(ProcessPriorityClass::Idle);
    SetThreadPriority(mainThreadId_, ThreadPriority::Idle);
    SetTestTimerPriorities(ThreadPriority::Idle, ThreadPriority::Idle);
}

void TestRun::Normal1Click() {
    Tick(MenuItem::Normal1);
    SetProcessPriorityClass(ProcessPriorityClass::Normal);
    SetThreadPriority(mainThreadId_, ThreadPriority::Normal);
    SetTestTimerPriorities(ThreadPriority::Normal, ThreadPriority::Normal);
}

void TestRun::Hardcore1Click() {
    Tick(MenuItem::Hardcore1);
    SetProcessPriorityClass(ProcessPriorityClass::High);
    SetThreadPriority(mainThreadId_, ThreadPriority::Highest);
    SetTestTimerPriorities(ThreadPriority::Higher, ThreadPriority::Highest);
}

void TestRun::Random1Click() {
    Tick(MenuItem::Random1);
}

void TestRun::Optimal1Click() {
    view_.ShowMessage(QStringLiteral("Torvane Test"), QStringLiteral("This feature will be done ASAP"));
}

void TestRun::Timer1Timer() {
    if (State.Stopped)
        operateTimer_->SetEnabled(false);
    else
        PickNextTest();
}

void TestRun::PickNextTest() {
    if (State.Stopped) return;
    const auto testRunning = [this] {
        for (auto* t : {encryptor_.get(), mmx1_.get(), mmx2_.get(), whetStone1_.get(), whetStone2_.get(),
                        heatUp1_.get(), heatUp2_.get()})
            if (t->Enabled()) return true;
        return false;
    };
    if (testRunning()) return;
    if (Ticked(MenuItem::idle1)) {
        for (int i = 0; i < 10; ++i) {
            ProcessMessages();
            Sleep(1);
        }
    } else {
        ProcessMessages();
    }
    if (view_.LineCount(Pane::RunLog) >= 100) view_.ClearPane(Pane::RunLog);
    // With "Optimal..." ticked no test is ever started: only the heat-up and the idle workloads run.
    if (!Ticked(MenuItem::Random1)) return;

    const std::int32_t kind = RandomInRange(0, 90) % 3;
    const std::int32_t minutes = RandomInRange(1, 10);
    const std::int32_t duration = minutes * 60 * 1000;
    // The events processed above may have stopped the run, or stopped and started a new one whose
    // heat-up is now running.
    if (State.Stopped || testRunning()) return;

    view_.AppendLine(Pane::RunLog, QString());
    const bool noEncryption = Ticked(MenuItem::NoEncryptiontests1);
    if (noEncryption) {
        if (FileExists(NativePath("C:\\autoexec.bat"))) view_.Repaint();
        if (FileExists(NativePath("C:\\fd" + std::to_string(RandomInRange(0, 6000))))) view_.Repaint();
    }
    const auto start = [duration](TWorkerTimer& a, TWorkerTimer& b) {
        for (auto* t : {&a, &b}) {
            t->SetElapsed(0);
            t->SetDuration(duration);
        }
        a.SetEnabled(true);
        b.SetEnabled(true);
    };
    switch (kind) {
    case 1:
        view_.AppendLine(Pane::RunLog, QStringLiteral("Doing a %1 minute Whetstone Test").arg(minutes));
        start(*whetStone1_, *whetStone2_);
        break;
    case 2:
        view_.AppendLine(Pane::RunLog, QStringLiteral("Doing a %1 minute MMX Test").arg(minutes));
        start(*mmx1_, *mmx2_);
        break;
    default:
        // The encryption test is not part of this program yet; the next tick draws again.
        break;
    }
}

void TestRun::ProcessMessages() {
    // The waiting worker ticks first (other workloads' passes run nested here), then the window's own
    // events: input, paints, the sequencer and the clock.
    TWorkerTimer::ServePendingTicks();
    QCoreApplication::processEvents();
    lastEventTime_ = static_cast<std::uint32_t>(msClock_.Now());
}

bool TestRun::KeepGoing() {
    ProcessMessages();
    view_.Repaint();
    ProcessMessages();
    view_.UpdateWindow();
    ProcessMessages();
    return !State.Stopped;
}

void TestRun::ReportTestError(std::int32_t code, const QString& message, const QString& detail) {
    ClickMenuItem(MenuItem::Stop1);
    State.LastStop = StopReason::Error;
    QStringList lines = BannerLines;
    lines << QStringLiteral("Testing Stopped:") << QStringLiteral(" Error Message: ") + message
          << QStringLiteral(" ErrorCode: ") + QString::number(code)
          << QStringLiteral(" Calculation error: ") + detail
          << (code == 2 ? QStringLiteral(" ErrorType: Unexpected error")
                        : QStringLiteral(" ErrorType: Calculation error"));
    Sleep(10);
    view_.ClearPane(Pane::Info);
    for (const auto& line : lines) view_.AppendLine(Pane::Info, line);
    view_.ShowMainWindow();
    view_.HideTrayIcon();
}

void TestRun::ShowWorkTime(std::int32_t e) {
    SetCounters({QString::number(e / 86400), QString::number(e / 3600 % 24), QString::number(e / 60 % 60),
                 QString::number(e % 60)});
}

void TestRun::SetCounters(const std::array<QString, 4>& counters) {
    State.Counters = counters;
    view_.SetCounters(counters[0], counters[1], counters[2], counters[3]);
}

void TestRun::UpdateWorkTime() {
    const std::int32_t e = workClock_.ElapsedSeconds();
    if (std::int64_t{State.LastShownSeconds} + 10 < e) {
        ClickMenuItem(MenuItem::Stop1);
        State.LastStop = StopReason::ClockJump;
        view_.ShowMessage(QStringLiteral("Hey hey hey!"), QStringLiteral("It\u00B4s not nice to cheat!"));
        view_.ClearPane(Pane::Info);
        SetCounters({QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0")});
        return;
    }
    State.LastShownSeconds = workClock_.ElapsedSeconds();
    ShowWorkTime(State.LastShownSeconds);
}

void TestRun::KelloTimer() {
    UpdateWorkTime();
    if (view_.TrayIconVisible()) {
        const auto& c = State.Counters;
        view_.SetTrayHint(c[0] + QStringLiteral("d, ") + c[1] + QStringLiteral("h, ") + c[2] +
                          QStringLiteral("m, ") + c[3] + QStringLiteral("s, "));
    }
    ProcessMessages();
    view_.Repaint();
    view_.UpdateWindow();
}

std::int32_t TestRun::RandomInRange(std::int32_t low, std::int32_t high) {
    ReseedInputs in = env_.systemState ? env_.systemState() : SystemReseedInputs();
    const QPoint cursor = view_.CursorPosition();
    in.CursorX = cursor.x();
    in.CursorY = cursor.y();
    in.LastEventTime = lastEventTime_;
    return engine::RandomInRange(generator_, in, low, high);
}

} // namespace torvane::engine
