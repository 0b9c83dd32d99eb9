#include "ProgressBar.h"

#include "platform/Clock.h"

#include <cstdio>
#include <string>

namespace torvane::crypt {

ProgressBar::ProgressBar(std::ostream& out, const MsClock& clock)
    : out_(out), clock_(clock), start_(clock.Now()) {}

void ProgressBar::operator()(std::int64_t current, std::int64_t maximal) {
    const auto now = clock_.Now();
    if (current == 0 && maximal == 0) {
        if (width_ > 0) out_ << '\r' << std::string(width_, ' ') << '\r' << std::flush;
        width_ = 0;
        return;
    }
    if (now - start_ < kDelayMs || (lastDraw_ >= 0 && now - lastDraw_ < kRedrawMs)) return;
    lastDraw_ = now;
    char text[80];
    if (maximal > 0) {
        const auto permille = static_cast<int>(std::min<std::int64_t>(current, maximal) * 1000 / maximal);
        const int filled = permille * 40 / 1000;
        std::snprintf(
            text, sizeof text, "[%s%s] %3d.%d%%", std::string(static_cast<std::size_t>(filled), '#').c_str(),
            std::string(static_cast<std::size_t>(40 - filled), ' ').c_str(), permille / 10, permille % 10);
    } else {
        std::snprintf(text, sizeof text, "%.1f MiB", static_cast<double>(current) / (1024.0 * 1024.0));
    }
    const std::string line = text;
    // A shorter line than the last one must cover it completely.
    out_ << '\r' << line << std::string(width_ > line.size() ? width_ - line.size() : 0, ' ') << std::flush;
    width_ = std::max(width_, line.size());
}

ScopedProgressBar::ScopedProgressBar(CommandIO& io) {
    if (!io.errIsTerminal) return;
    bar_.emplace(io.err, io.clock ? *io.clock : RealMsClock::Instance());
    hook_.emplace(
        [this](const void*, std::int64_t current, std::int64_t maximal) { (*bar_)(current, maximal); });
}

} // namespace torvane::crypt
