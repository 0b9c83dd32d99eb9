#include "engine/WorkTime.h"

namespace torvane::engine {

std::array<QString, 4> WorkTimeFields(std::int64_t e) {
    return {QString::number(e / 86400), QString::number(e / 3600 % 24), QString::number(e / 60 % 60),
            QString::number(e % 60)};
}

QString WorkTimeText(std::int64_t seconds) {
    const auto f = WorkTimeFields(seconds);
    return f[0] + QStringLiteral(" d, ") + f[1] + QStringLiteral(" h, ") + f[2] + QStringLiteral(" m, ") +
           f[3] + QStringLiteral(" s");
}

} // namespace torvane::engine
