#include "engine/WorkerTimer.h"

#include "platform/SystemState.h"

#include <QMetaObject>
#include <QtGlobal>

#include <deque>
#include <stdexcept>

namespace torvane::engine {

namespace detail {

// The ticks handed over to the timers of one thread, waiting to run there.
//
// A call of Serve runs the ticks that were waiting when it began (those a nested call has not run in the
// meantime), never the ones handed over after it began: those wait for the next call. (Qt's delivery of
// posted events, when calls nest, lets an outer delivery go on with what was posted during the inner
// one; ticks do not go that way.)
//
// A tick of an idle-priority timer is not run inside another idle-priority tick. An idle workload is
// meant to take only the time nothing else wants; run inside another idle pass at every step of it, the
// two multiplied each other's length (an idle MMX pass carrying a Whetstone pass at nearly each of its
// 2048 steps lasted minutes in the window), and the heat-up tick waiting below them saw its five minutes
// end long after they had. Such a tick waits for a round that no idle tick encloses.
//
// The event loop learns of waiting ticks through one posted wake-up at a time. A wake-up that arrives while
// ticks are running does nothing (the running workloads serve the queue themselves); when the outermost
// call ends with ticks still waiting, it posts a fresh one.
class TickQueue {
public:
    struct Entry {
        TWorkerTimer* Timer = nullptr;
        std::uint64_t Sequence = 0;
        std::shared_ptr<std::atomic<bool>> Alive;
        bool Idle = false;        // the timer runs at idle priority
        std::uint64_t Ticket = 0; // order of arrival in this queue
    };

    // One queue per thread that owns timers; it lives as long as the process, so that a wake-up in
    // flight never reaches a destroyed receiver.
    static TickQueue& ForCurrentThread() {
        thread_local TickQueue* queue = new TickQueue;
        return *queue;
    }

    // Timer thread side.
    void Push(Entry entry) {
        {
            std::lock_guard lock(mutex_);
            entry.Ticket = ++lastTicket_;
            pending_.push_back(std::move(entry));
            if (wakePosted_) return;
            wakePosted_ = true;
        }
        PostWake();
    }

    // Owner thread side.
    void Serve() {
        std::uint64_t limit;
        {
            std::lock_guard lock(mutex_);
            limit = lastTicket_;
        }
        ++depth_;
        for (;;) {
            Entry e;
            if (!Take(limit, e)) break;
            if (e.Idle) ++idleDepth_;
            e.Timer->ServeTick(e.Sequence);
            if (e.Idle) --idleDepth_;
        }
        --depth_;
        if (depth_ > 0) return;
        {
            std::lock_guard lock(mutex_);
            if (pending_.empty() || wakePosted_) return;
            wakePosted_ = true;
        }
        PostWake();
    }

private:
    TickQueue() : receiver_(new QObject) {}

    // The oldest waiting tick up to `limit` that may run here; ticks of destroyed timers are dropped.
    bool Take(std::uint64_t limit, Entry& out) {
        std::lock_guard lock(mutex_);
        for (auto it = pending_.begin(); it != pending_.end() && it->Ticket <= limit;) {
            if (!it->Alive->load()) {
                it = pending_.erase(it);
                continue;
            }
            if (it->Idle && idleDepth_ > 0) {
                ++it;
                continue;
            }
            out = std::move(*it);
            pending_.erase(it);
            return true;
        }
        return false;
    }

    void PostWake() {
        QMetaObject::invokeMethod(
            receiver_, [this] { Wake(); }, Qt::QueuedConnection);
    }

    void Wake() {
        {
            std::lock_guard lock(mutex_);
            wakePosted_ = false;
        }
        if (depth_ == 0) Serve();
    }

    QObject* const receiver_; // lives on the owner thread
    std::mutex mutex_;
    std::deque<Entry> pending_;
    std::uint64_t lastTicket_ = 0;
    bool wakePosted_ = false;
    int depth_ = 0;     // owner thread only
    int idleDepth_ = 0; // idle-priority ticks running, owner thread only
};

} // namespace detail

namespace {

// Real clocks are read in a tight loop for the last millisecond before a tick; the pause hint keeps that
// loop friendly to a hyper-threaded sibling.
inline void CpuRelax() {
#if defined(__i386__) || defined(__x86_64__)
    __builtin_ia32_pause();
#endif
}

std::atomic<bool> g_spinning{true};

// Slice of real time after which a waiting thread looks again whether it is still wanted.
constexpr std::int64_t WaitSliceMs = 5;

std::int32_t Wrap32(std::int64_t v) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
}

} // namespace

TTimerThread::TTimerThread(TWorkerTimer* timer) : Timer(timer) {
    thread_ = std::thread([this] { Execute(); });
}

TTimerThread::~TTimerThread() {
    if (thread_.joinable()) thread_.join();
}

void TTimerThread::Execute() {
    const auto tid = CurrentThreadId();
    threadId_.store(tid);
    SetThreadPriority(tid, Timer->ThreadPriority());
    Timer->ThreadBody(*this);
    ForgetThreadPriority(tid);
}

TWorkerTimer::TWorkerTimer(QObject* owner, MsClock& clock)
    : QObject(owner), clock_(clock), queue_(detail::TickQueue::ForCurrentThread()) {}

void TWorkerTimer::SetSpinning(bool spinning) {
    g_spinning.store(spinning);
}

bool TWorkerTimer::Spinning() {
    return g_spinning.load();
}

void TWorkerTimer::ServePendingTicks() {
    detail::TickQueue::ForCurrentThread().Serve();
}

TWorkerTimer::~TWorkerTimer() {
    alive_->store(false);
    {
        std::lock_guard lock(mutex_);
        enabled_.store(false);
        terminate_.store(true);
    }
    wake_.notify_all();
    // Wherever the thread is (parked, sleeping, spinning, or waiting for a tick it handed over) it sees
    // the flag within one wait slice and ends. A tick still queued for this timer is skipped when its turn
    // comes, since its entry shares the flag cleared above.
    thread_.reset();
}

void TWorkerTimer::SetEnabled(bool enabled) {
    if (enabled == enabled_.load()) return;
    if (enabled) {
        // Created on first use: a timer that never runs costs no thread.
        if (!thread_) thread_ = std::make_unique<TTimerThread>(this);
        std::lock_guard lock(mutex_);
        elapsedBase_ = elapsed_;
        enabledAt_ = clock_.Now();
        nextDue_.store(enabledAt_ + interval_.load());
        enabled_.store(true);
    } else {
        std::lock_guard lock(mutex_);
        enabled_.store(false);
    }
    wake_.notify_all();
}

void TWorkerTimer::SetInterval(std::uint16_t ms) {
    if (ms == interval_.load()) return;
    if (ms == 0) SetEnabled(false);
    interval_.store(ms);
}

void TWorkerTimer::SetThreadPriority(torvane::ThreadPriority priority) {
    if (priority == priority_.load()) return;
    priority_.store(priority);
    // A thread that has not started yet applies the stored priority itself when it starts.
    if (thread_ && thread_->ThreadId() != 0) torvane::SetThreadPriority(thread_->ThreadId(), priority);
}

void TWorkerTimer::SetCountDown(bool countDown) {
    if (countDown == countDown_.load()) return;
    std::lock_guard lock(mutex_);
    countDown_.store(countDown);
    if (enabled_.load()) {
        enabledAt_ = clock_.Now();
        elapsedBase_ = elapsed_;
    }
}

std::int32_t TWorkerTimer::Elapsed() const {
    std::lock_guard lock(mutex_);
    return elapsed_;
}

void TWorkerTimer::SetElapsed(std::int32_t ms) {
    std::lock_guard lock(mutex_);
    if (enabled_.load())
        elapsedBase_ = Wrap32(std::int64_t{elapsedBase_} + ms - elapsed_);
    else
        elapsed_ = ms;
}

// An interval of 0 would divide by zero here; it counts as 1 ms, which is what a timer with interval 0
// effectively ticks at.
void TWorkerTimer::SetDuration(std::int32_t ms) {
    stopTicks_ = ms / std::max<std::int32_t>(1, interval_.load());
}

std::int32_t TWorkerTimer::Ticks() const {
    return Elapsed() / std::max<std::int32_t>(1, interval_.load());
}

bool TWorkerTimer::Quiet() const {
    std::lock_guard lock(mutex_);
    if (posted_ != served_.load()) return false;
    if (!enabled_.load()) return true; // the thread checks the flag under this lock before every hand-over
    switch (state_) {
    case ThreadState::Sleeping:
        return clock_.Now() < sleepUntil_;
    case ThreadState::Spinning:
        return clock_.Now() < nextDue_.load();
    case ThreadState::Ended:
        return true;
    default:
        return false;
    }
}

bool TWorkerTimer::TickPending() const {
    std::lock_guard lock(mutex_);
    return posted_ != served_.load();
}

void TWorkerTimer::DoTick() {
    const auto alive = alive_;
    if (OnTimer) {
        const auto handler = OnTimer; // the handler may reassign OnTimer
        handler(this);
        if (!alive->load()) return; // the handler destroyed its own timer
    }
    bool stop = false;
    if (!countDown_.load())
        stop = stopTicks_ > 0 && Ticks() >= stopTicks_;
    else
        stop = Ticks() <= stopTicks_ || Elapsed() <= 0;
    if (!stop) return;
    SetEnabled(false);
    if (OnStop) {
        const auto handler = OnStop;
        handler(this);
    }
}

void TWorkerTimer::ServeTick(std::uint64_t sequence) {
    const auto alive = alive_;
    try {
        DoTick();
    } catch (...) {
        if (alive->load()) {
            if (OnError) {
                try {
                    OnError(this, std::current_exception());
                } catch (...) {
                }
            } else {
                try {
                    throw;
                } catch (const std::exception& e) {
                    qWarning("Worker timer tick failed: %s", e.what());
                } catch (...) {
                    qWarning("Worker timer tick failed");
                }
            }
        }
    }
    // A timer destroyed during its own tick has already released its thread.
    if (!alive->load()) return;
    {
        std::lock_guard lock(mutex_);
        served_.store(sequence);
    }
    wake_.notify_all();
}

bool TWorkerTimer::WaitForClock(std::int64_t until, bool spin) {
    const bool byItself = clock_.MovesByItself();
    for (;;) {
        if (terminate_.load() || !enabled_.load()) return false;
        const auto due = spin ? nextDue_.load() : until; // a re-enable moves the due time
        if (clock_.Now() >= due) return true;
        if (spin && byItself && g_spinning.load(std::memory_order_relaxed))
            CpuRelax();
        else
            clock_.WaitUntil(due, WaitSliceMs);
    }
}

void TWorkerTimer::ThreadBody(TTimerThread&) {
    std::unique_lock lock(mutex_);
    for (;;) {
        state_ = ThreadState::Parked;
        wake_.wait(lock, [&] { return terminate_.load() || enabled_.load(); });
        if (terminate_.load()) break;

        // Sleep all but the last 50 ms of a long interval, then spin on the clock for the rest. The due
        // time counts from the enabling or the last tick, not from whenever this thread got to run.
        const std::uint16_t interval = interval_.load();
        if (interval > 50) {
            state_ = ThreadState::Sleeping;
            sleepUntil_ = nextDue_.load() - 50;
            const auto until = sleepUntil_;
            lock.unlock();
            const bool awake = WaitForClock(until, false);
            lock.lock();
            if (!awake) continue;
        }
        state_ = ThreadState::Spinning;
        lock.unlock();
        const bool due = WaitForClock(0, true);
        const std::int64_t reading = clock_.Now();
        lock.lock();
        if (terminate_.load()) break;
        if (!due || !enabled_.load()) continue;

        // Counted from this tick, not from the previous due time: missed ticks are never made up.
        nextDue_.store(reading + interval_.load());
        const std::int64_t running = reading - enabledAt_;
        elapsed_ = countDown_.load() ? Wrap32(elapsedBase_ - running) : Wrap32(running + elapsedBase_);
        const std::uint64_t sequence = ++posted_;
        state_ = ThreadState::HandingOff;
        // Queued while the lock is held, so that a tick that counts as handed over is already waiting,
        // in the order the ticks were handed over.
        queue_.Push({this, sequence, alive_, priority_.load() == torvane::ThreadPriority::Idle});
        wake_.wait(lock, [&] { return terminate_.load() || served_.load() >= sequence; });
        if (terminate_.load()) break;
    }
    state_ = ThreadState::Ended;
}

} // namespace torvane::engine
