#include "engine/ErrorReport.h"

namespace torvane::engine {

QStringList ErrorReportLines(const ErrorReport& r) {
    QStringList lines{QStringLiteral("Testing Stopped:"), QStringLiteral(" Error Message: ") + r.Message};
    if (r.Code > 0) {
        lines << QStringLiteral(" ErrorCode: ") + QString::number(r.Code)
              << QStringLiteral(" Calculation error: ") + r.Detail
              << (r.Code == 2 ? QStringLiteral(" ErrorType: Unexpected error")
                              : QStringLiteral(" ErrorType: Calculation error"));
        if (!r.Cause.isEmpty()) lines << QStringLiteral(" Cause: ") + r.Cause;
    }
    if (r.Cpu) lines << QStringLiteral(" Processor: cpu %1").arg(*r.Cpu);
    return lines;
}

} // namespace torvane::engine
