#pragma once
// A run on several processors as a whole, kept in one place for every front end that runs one: the
// terminal's supervisor and the window with "Processors" set to "All". It hears what each processor's
// run tells (the events a worker writes, or the window's own run), keeps each one's test, passes,
// errors and work time in seconds, takes the first error as the run's, and decides the run's stop
// reason, verdict and exit status and the results' lines from that. It starts and signals no process:
// that is the front end's part.

#include "engine/ErrorReport.h"
#include "engine/RunStream.h"
#include "session/RunOutcome.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

namespace torvane::session {

// One processor's run as last heard of.
struct ProcessorRun {
    int Cpu = 0;
    QString Test;                  // the test it runs now, as the events name it ("mmx"); empty before one
    std::int64_t Passes = 0;       // passes of every test, as last reported
    std::int64_t Errors = 0;       // what it counted, or what it was counted when it could not
    std::int64_t ErrorEvents = 0;  // errors it told of as they happened
    std::int64_t WorkSeconds = 0;  // as last reported
    std::int64_t ReportedAtMs = 0; // when (the front end's monotonic clock); the start until the first report
    bool EndReported = false;      // its end came with its results
    QString EndReason;             // as its end named it ("time_limit", "stopped", ...)
    bool Ended = false;
    std::optional<double> Temperature;
};

// The error that stops the run: the first one, and the processor it came from.
struct RunError {
    int Cpu = 0;
    int Code = 0;
    QString Message, Detail;
    QString Cause;           // the system's reason behind the report, where it has one
    bool OfProcessor = true; // false: an error of the run as a whole (its workers could not be started)

    // The report it stops the run with, naming its processor.
    engine::ErrorReport Report() const {
        return {Code, Message, Detail, Cause, OfProcessor ? std::optional(Cpu) : std::nullopt};
    }
};

class RunSession {
public:
    explicit RunSession(const std::vector<int>& cpus, std::int64_t startMs = 0);

    int Count() const { return static_cast<int>(processors_.size()); }
    ProcessorRun& Processor(int i) { return processors_[static_cast<std::size_t>(i)]; }
    const ProcessorRun& Processor(int i) const { return processors_[static_cast<std::size_t>(i)]; }

    // What an event of processor i's run was, for the front end to act on.
    enum class Heard { Nothing, Progress, Error, End };
    // Takes one event that processor i's run wrote (an object of the event stream) at nowMs: the run's
    // events read back (ReadRunEvent) as Hear takes them, and what a worker's line adds to them.
    Heard Take(int i, const QJsonObject& event, std::int64_t nowMs);
    // Takes one event of processor i's run as the run published it (the window's own run) or as it was
    // read back from a worker's line.
    Heard Hear(int i, const engine::RunEvent& event, std::int64_t nowMs);
    // Counts an error of processor i that it could not tell itself (it died, or it ended on an error
    // without a word), as its error event would.
    void CountError(int i) { Processor(i).Errors += 1; }
    // Takes an error as the run's when it is the first; true when it was.
    bool RecordError(int i, int code, const QString& message, const QString& detail,
                     const QString& cause = {});
    // An error of the run as a whole that no processor's run met (its workers could not be started).
    void RecordRunError(const QString& message);
    const std::optional<RunError>& FirstError() const { return firstError_; }

    // The work time processor i has reached by nowMs: between two reports it goes on as the front end's
    // clock does, since a run that is not ending reports only once in a while.
    std::int64_t WorkSeconds(int i, std::int64_t nowMs) const;
    // How a worker process of processor i ended, as its supervisor saw it.
    struct ProcessEnd {
        bool Signalled = false;       // Code is the signal's number
        int Code = 0;                 // the exit status otherwise
        bool Killed = false;          // by the supervisor
        bool KilledOnRequest = false; // ... because the user asked to stop a second time
        bool StopAsked = false;       // the supervisor had asked every worker to stop
        int StopGraceMs = 0;          // how long a worker may take to stop
    };
    struct EndMeaning {
        QString Died;       // the error of a worker that died, counted; empty when it did not
        bool Error = false; // its end was an error of the run (it died, or it ended on an unspoken error)
    };
    // Processor i's worker ended: its work time is what it reached by nowMs unless it reported its end
    // (a worker that dies before its first report has worked all the same), and what the end means.
    EndMeaning Exited(int i, const ProcessEnd& end, std::int64_t nowMs);

    // Processor i's run ended and told its end itself (the window's own run): its work time and why it
    // ended. Its errors are counted as it reports them.
    void Ended(int i, const RunEnd& end);

    // The machine has one clock: a jump that one processor's run saw voids the work time of every
    // processor, also of those the stop reached before their own next look at the clock. Applied once
    // every processor has ended.
    void ApplyClockRule();

    std::int64_t Errors() const;
    // The run's work time: the longest of its processors' (they run side by side).
    std::int64_t LongestWorkSeconds() const;
    bool Failed() const;
    // The run's exit status by the rule of every run (RunOutcome.h).
    int ExitStatus(const OutputLoss& lost) const;

    // Why the run ended as the front end asked it ("signal", "error", ...); the first one counts unless
    // the later one replaces it.
    void SetStopReason(const QString& reason, bool replace = false) {
        if (stopReason_.isEmpty() || replace) stopReason_ = reason;
    }
    bool StopAsked() const { return !stopReason_.isEmpty(); }
    // Why the run ended: the reason asked for, or the processors' time limit when each one reached it.
    QString StopReason() const;

    // The results' line of each processor: " cpu 3: Errors: 0, Worktime: 0 d, 1 h, 2 m, 3 s".
    QStringList ProcessorResultLines() const;

private:
    std::vector<ProcessorRun> processors_;
    std::optional<RunError> firstError_;
    QString stopReason_;
};

} // namespace torvane::session
