#pragma once
// Time sources behind interfaces, so that tests can run a five-minute heat-up or a midnight at the end of
// a month in milliseconds of real time.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace torvane {

// Millisecond clock of the worker timers: monotonic, counting from an arbitrary start.
class MsClock {
public:
    virtual ~MsClock() = default;
    virtual std::int64_t Now() const = 0;
    // Sleeps (or, for a manual clock, lets the given time pass) for ms milliseconds.
    virtual void Sleep(std::int64_t ms) = 0;
    // Waits at most maxWaitMs of real time for the clock to reach `until`; true when it has. Pacing
    // threads wait in such short slices so that they can still be told to stop.
    virtual bool WaitUntil(std::int64_t until, std::int64_t maxWaitMs);
    // Whether the clock moves by itself. Waiting for a clock that only moves when a test advances it is
    // done on its WaitUntil, never by reading Now() in a busy loop.
    virtual bool MovesByItself() const { return true; }
};

class RealMsClock final : public MsClock {
public:
    std::int64_t Now() const override;
    void Sleep(std::int64_t ms) override;
    static RealMsClock& Instance();
};

// A clock that moves only when told to. Sleep() waits until another thread has advanced the clock by the
// requested time, so a paced thread under test does exactly what the test lets it do.
class ManualMsClock final : public MsClock {
public:
    explicit ManualMsClock(std::int64_t start = 1000) : now_(start) {}
    std::int64_t Now() const override { return now_.load(); }
    void Sleep(std::int64_t ms) override;
    bool WaitUntil(std::int64_t until, std::int64_t maxWaitMs) override;
    bool MovesByItself() const override { return false; }
    void Advance(std::int64_t ms);
    void Set(std::int64_t now);

private:
    std::atomic<std::int64_t> now_;
    std::mutex mutex_;
    std::condition_variable changed_;
};

// The two clocks of the work clock, read together. The wall clock is UTC, in milliseconds since 1970: it
// moves when somebody sets the system clock, and daylight saving never shows in it. The monotonic clock
// counts real time, the time a suspended machine slept included, and nobody can set it. Their difference
// therefore changes only when the system clock is set, which is how a changed clock is told from a
// process that did not run for a while (both clocks moved).
struct WorkTimeReading {
    std::int64_t WallMs = 0;
    std::int64_t MonotonicMs = 0;
};

class WorkTimeSource {
public:
    virtual ~WorkTimeSource() = default;
    virtual WorkTimeReading Now() const = 0;
};

class RealWorkTimeSource final : public WorkTimeSource {
public:
    // The two clocks are read within a few milliseconds of each other, however busy the machine: a
    // reading whose monotonic brackets lie further apart (the thread lost the processor between them)
    // is taken again, since it would look like a changed system clock.
    WorkTimeReading Now() const override;
    static RealWorkTimeSource& Instance();
};

// Both clocks move only when told to: Pass lets real time pass (both move), SetClockBy sets the system
// clock (only the wall clock moves).
class ManualWorkTimeSource final : public WorkTimeSource {
public:
    // 2024-06-11 10:00:00 UTC on the wall, an arbitrary start on the monotonic clock.
    explicit ManualWorkTimeSource(std::int64_t wallMs = 1718100000000, std::int64_t monotonicMs = 5000)
        : now_{wallMs, monotonicMs} {}
    WorkTimeReading Now() const override;
    void Pass(std::int64_t ms);
    void SetClockBy(std::int64_t ms);

private:
    mutable std::mutex mutex_;
    WorkTimeReading now_;
};

struct LocalDateTime {
    int Year = 2000, Month = 1, Day = 1; // Gregorian calendar
    int Hour = 0, Minute = 0, Second = 0;
    int Millisecond = 0;
};

// Whole days since 1899-12-30 (the day count that desktop date values use), for any Gregorian date.
std::int64_t DayCount(int year, int month, int day);

// Local wall-clock time (it can jump when the user sets the system clock).
class LocalClock {
public:
    virtual ~LocalClock() = default;
    virtual LocalDateTime Now() const = 0;
};

class RealLocalClock final : public LocalClock {
public:
    LocalDateTime Now() const override;
    static RealLocalClock& Instance();
};

class ManualLocalClock final : public LocalClock {
public:
    explicit ManualLocalClock(LocalDateTime now = {}) : now_(now) {}
    LocalDateTime Now() const override;
    void Set(const LocalDateTime& now);
    // Moves the clock by a signed number of seconds, across days, months and years.
    void AddSeconds(std::int64_t seconds);

private:
    mutable std::mutex mutex_;
    LocalDateTime now_;
};

} // namespace torvane
