#include "engine/WindowTimer.h"

namespace torvane::engine {

WindowTimer::WindowTimer(int intervalMs, std::function<void()> onTimer, bool automatic, QObject* owner)
    : QObject(owner), interval_(intervalMs), onTimer_(std::move(onTimer)) {
    if (automatic) {
        timer_ = new QTimer(this);
        timer_->setInterval(intervalMs);
        connect(timer_, &QTimer::timeout, this, [this] { Fire(); });
    }
}

void WindowTimer::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    if (!timer_) return;
    if (enabled)
        timer_->start();
    else
        timer_->stop();
}

void WindowTimer::Fire() {
    if (enabled_ && onTimer_) onTimer_();
}

} // namespace torvane::engine
