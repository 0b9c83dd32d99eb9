#pragma once
// An ordinary event-loop timer with an Enabled switch, as the sequencer and the work-time clock use. A
// manual one never fires by itself: tests fire it when their story needs a tick.

#include <QObject>
#include <QTimer>

#include <functional>

namespace torvane::engine {

class WindowTimer : public QObject {
public:
    WindowTimer(int intervalMs, std::function<void()> onTimer, bool automatic, QObject* owner = nullptr);

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    int Interval() const { return interval_; }
    // Runs one tick now if the timer is enabled (what the event loop does when the interval has passed).
    void Fire();

private:
    int interval_;
    std::function<void()> onTimer_;
    bool enabled_ = false;
    QTimer* timer_ = nullptr; // only for automatic timers
};

} // namespace torvane::engine
