#include "platform/Clock.h"

#include <chrono>
#include <ctime>
#include <thread>

namespace torvane {

std::int64_t RealMsClock::Now() const {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void RealMsClock::Sleep(std::int64_t ms) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

bool MsClock::WaitUntil(std::int64_t until, std::int64_t maxWaitMs) {
    const auto left = until - Now();
    if (left <= 0) return true;
    Sleep(left < maxWaitMs ? left : maxWaitMs);
    return Now() >= until;
}

RealMsClock& RealMsClock::Instance() {
    static RealMsClock clock;
    return clock;
}

void ManualMsClock::Sleep(std::int64_t ms) {
    if (ms <= 0) return;
    std::unique_lock lock(mutex_);
    const auto until = now_.load() + ms;
    changed_.wait(lock, [&] { return now_.load() >= until; });
}

bool ManualMsClock::WaitUntil(std::int64_t until, std::int64_t maxWaitMs) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(maxWaitMs < 0 ? 0 : maxWaitMs),
                             [&] { return now_.load() >= until; });
}

void ManualMsClock::Advance(std::int64_t ms) {
    {
        std::lock_guard lock(mutex_);
        now_ += ms;
    }
    changed_.notify_all();
}

void ManualMsClock::Set(std::int64_t now) {
    {
        std::lock_guard lock(mutex_);
        now_ = now;
    }
    changed_.notify_all();
}

namespace {

std::int64_t ReadMs(clockid_t clock) {
    timespec t{};
    ::clock_gettime(clock, &t);
    return std::int64_t{t.tv_sec} * 1000 + t.tv_nsec / 1000000;
}

// Further apart than this, the two readings of the monotonic clock around the wall clock's do not tell
// when the wall clock was read.
constexpr std::int64_t ReadingBracketMs = 5;

} // namespace

WorkTimeReading RealWorkTimeSource::Now() const {
    WorkTimeReading r;
    for (int attempt = 0;; ++attempt) {
        const std::int64_t before = ReadMs(CLOCK_BOOTTIME);
        r.WallMs = ReadMs(CLOCK_REALTIME);
        const std::int64_t after = ReadMs(CLOCK_BOOTTIME);
        r.MonotonicMs = before + (after - before) / 2;
        // A thread that keeps losing the processor between the reads still gets an answer; the work
        // clock tolerates far more than the last attempt can be off.
        if (after - before <= ReadingBracketMs || attempt >= 100) return r;
    }
}

RealWorkTimeSource& RealWorkTimeSource::Instance() {
    static RealWorkTimeSource source;
    return source;
}

WorkTimeReading ManualWorkTimeSource::Now() const {
    std::lock_guard lock(mutex_);
    return now_;
}

void ManualWorkTimeSource::Pass(std::int64_t ms) {
    std::lock_guard lock(mutex_);
    now_.WallMs += ms;
    now_.MonotonicMs += ms;
}

void ManualWorkTimeSource::SetClockBy(std::int64_t ms) {
    std::lock_guard lock(mutex_);
    now_.WallMs += ms;
}

// Days from the civil date, after the well-known era-based algorithm (proleptic Gregorian calendar).
static std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

static void CivilFromDays(std::int64_t z, int& year, int& month, int& day) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(y + (month <= 2));
}

std::int64_t DayCount(int year, int month, int day) {
    static const std::int64_t epoch = DaysFromCivil(1899, 12, 30);
    return DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - epoch;
}

LocalDateTime RealLocalClock::Now() const {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t t = system_clock::to_time_t(now);
    std::tm tm{};
    localtime_r(&t, &tm);
    LocalDateTime r;
    r.Year = tm.tm_year + 1900;
    r.Month = tm.tm_mon + 1;
    r.Day = tm.tm_mday;
    r.Hour = tm.tm_hour;
    r.Minute = tm.tm_min;
    r.Second = tm.tm_sec;
    r.Millisecond = static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
    return r;
}

RealLocalClock& RealLocalClock::Instance() {
    static RealLocalClock clock;
    return clock;
}

LocalDateTime ManualLocalClock::Now() const {
    std::lock_guard lock(mutex_);
    return now_;
}

void ManualLocalClock::Set(const LocalDateTime& now) {
    std::lock_guard lock(mutex_);
    now_ = now;
}

void ManualLocalClock::AddSeconds(std::int64_t seconds) {
    std::lock_guard lock(mutex_);
    std::int64_t total =
        DaysFromCivil(now_.Year, static_cast<unsigned>(now_.Month), static_cast<unsigned>(now_.Day)) * 86400 +
        now_.Hour * 3600 + now_.Minute * 60 + now_.Second + seconds;
    std::int64_t days = total / 86400;
    std::int64_t rest = total % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    CivilFromDays(days, now_.Year, now_.Month, now_.Day);
    now_.Hour = static_cast<int>(rest / 3600);
    now_.Minute = static_cast<int>(rest / 60 % 60);
    now_.Second = static_cast<int>(rest % 60);
}

} // namespace torvane
