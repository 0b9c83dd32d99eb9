#pragma once
// The pacing component behind every workload. Each timer owns one thread that waits for the next due
// time on the millisecond clock and then hands the tick to the GUI thread, blocking until the tick has
// run there. The workload itself therefore always runs on the GUI thread; the timer thread only decides
// when the next pass starts. A timer can stop itself after a set duration and then raise OnStop.
//
// A tick is served when the GUI thread's event loop finds it waiting, and from inside another running
// tick whenever that tick's workload calls ServePendingTicks (every workload does, as part of processing
// events while it works), so the workloads of several timers interleave on the GUI thread, nested at most
// one level per enabled timer.

#include "platform/Clock.h"
#include "platform/Priority.h"

#include <QObject>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace torvane::engine {

class TWorkerTimer;
namespace detail {
class TickQueue;
}

using TNotifyEvent = std::function<void(TWorkerTimer* sender)>;

// The thread of one timer. It never runs workload code: it sleeps, spins on the clock and hands ticks
// over. It ends only when its timer is destroyed.
class TTimerThread {
public:
    explicit TTimerThread(TWorkerTimer* timer);
    ~TTimerThread(); // the owning timer has already asked it to end; joins
    TTimerThread(const TTimerThread&) = delete;
    TTimerThread& operator=(const TTimerThread&) = delete;

    TWorkerTimer* const Timer; // the owner, not owned

    // Kernel id of the thread, 0 until it has started.
    std::int64_t ThreadId() const { return threadId_.load(); }

private:
    void Execute();

    std::atomic<std::int64_t> threadId_{0};
    std::thread thread_;
};

class TWorkerTimer : public QObject {
public:
    // The timer belongs to the thread that creates it: its ticks run where that thread processes events.
    explicit TWorkerTimer(QObject* owner = nullptr, MsClock& clock = RealMsClock::Instance());
    ~TWorkerTimer() override;

    // Published properties, in their order.
    bool Enabled() const { return enabled_.load(); }
    void SetEnabled(bool enabled);
    std::uint16_t Interval() const { return interval_.load(); }
    void SetInterval(std::uint16_t ms);
    TNotifyEvent OnTimer;
    torvane::ThreadPriority ThreadPriority() const { return priority_.load(); }
    void SetThreadPriority(torvane::ThreadPriority priority);
    bool CountDown() const { return countDown_.load(); }
    void SetCountDown(bool countDown);
    TNotifyEvent OnStop;

    // What the GUI thread does with an exception that a tick handler lets escape; without a handler it is
    // written to the Qt log. Either way the timer keeps running.
    std::function<void(TWorkerTimer* sender, std::exception_ptr error)> OnError;

    std::int32_t Elapsed() const;
    std::int32_t StopTicks() const { return stopTicks_; }
    // Continues Elapsed from the given value.
    void SetElapsed(std::int32_t ms);
    // The timer stops itself once Ticks reaches the given time (in ticks of the present interval).
    void SetDuration(std::int32_t ms);
    std::int32_t Ticks() const;

    // True when nothing will happen without a clock advance: no tick is waiting for the GUI thread and the
    // thread is parked, or is waiting for a due time that the clock has not reached. Tests step the
    // manual clock and then process events until every timer is quiet.
    bool Quiet() const;
    // A tick has been handed to the GUI thread and has not run yet.
    bool TickPending() const;
    // Kernel id of the timer's thread; 0 until the timer was first enabled and its thread has started.
    std::int64_t ThreadId() const { return thread_ ? thread_->ThreadId() : 0; }

    // Runs the ticks that were handed over to the calling thread's timers before this call; ticks handed
    // over while these run wait for the next call (or for the event loop). Workloads call it as part of
    // processing events, so that other timers' passes run nested inside theirs.
    static void ServePendingTicks();

    // Whether the timer threads spin on the clock for the last moment before a tick (the default) or sleep
    // until it. A process pinned to one processor turns spinning off: there a spinning thread only takes
    // the processor from the GUI thread, which has to run the tick it waits for.
    static void SetSpinning(bool spinning);
    static bool Spinning();

protected:
    // Runs on the GUI thread for every tick: OnTimer, then the stop rules.
    virtual void DoTick();

private:
    friend class TTimerThread;
    friend class detail::TickQueue;
    enum class ThreadState { Parked, Sleeping, Spinning, HandingOff, Ended };

    void ServeTick(std::uint64_t sequence);
    // Thread side; each returns false when the thread is to end.
    void ThreadBody(TTimerThread& thread);
    // Waits on the clock until `until`; false when the timer was disabled or is ending meanwhile.
    bool WaitForClock(std::int64_t until, bool spin);

    MsClock& clock_;
    detail::TickQueue& queue_; // of the thread that created the timer
    std::unique_ptr<TTimerThread> thread_;

    // Written on the GUI thread, read by the timer thread.
    std::atomic<bool> enabled_{false};
    std::atomic<std::uint16_t> interval_{1000};
    std::atomic<torvane::ThreadPriority> priority_{torvane::ThreadPriority::Higher};
    std::atomic<bool> countDown_{false};
    std::int32_t stopTicks_ = -1;

    // Guarded by mutex_: the time base, shared between the setters and the thread's refresh.
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::int32_t elapsed_ = 0;
    std::int32_t elapsedBase_ = 0;
    std::int64_t enabledAt_ = 0;
    std::atomic<std::int64_t> nextDue_{0}; // also read by the spinning thread without the lock
    std::int64_t sleepUntil_ = 0;
    ThreadState state_ = ThreadState::Parked;
    std::atomic<bool> terminate_{false};
    std::uint64_t posted_ = 0; // sequence of the last tick handed over
    std::atomic<std::uint64_t> served_{0};

    // Shared with ticks in delivery, so that a tick whose handler destroys the timer can tell.
    std::shared_ptr<std::atomic<bool>> alive_ = std::make_shared<std::atomic<bool>>(true);
};

} // namespace torvane::engine
