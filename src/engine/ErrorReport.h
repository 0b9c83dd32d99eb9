#pragma once
// The error report a run stops with, made in one place: the run's own report on its screen, and the
// report of a run on several processors (the terminal's supervisor, the window with every processor),
// which names the processor the error came from after the report's own lines.

#include <QString>
#include <QStringList>

#include <optional>

namespace torvane::engine {

struct ErrorReport {
    // The error code of a test (1 a result mismatch, 2 an unexpected error, 3 a failed encryption cycle);
    // 0 for an end of a run that no test met (a worker that ended on a jump of the clock), which has
    // no code, detail or type to report.
    int Code = 0;
    QString Message, Detail;
    QString Cause; // the system's reason behind the report (a work file that cannot be written), if any
    std::optional<int> Cpu; // the processor it came from, in a run on several processors
};

// "Testing Stopped:", " Error Message: ...", the code's lines, the cause, the processor.
QStringList ErrorReportLines(const ErrorReport& report);

} // namespace torvane::engine
