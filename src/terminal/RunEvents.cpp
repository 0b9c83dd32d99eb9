#include "terminal/RunEvents.h"

#include "engine/Workload.h"

#include <algorithm>

namespace torvane::app {

TextDifference FirstDifference(const std::string& expected, const std::string& got) {
    const auto end = std::min(expected.size(), got.size());
    std::size_t at = 0;
    while (at < end && expected[at] == got[at]) ++at;
    // A little of what came before shows where in the text the difference lies.
    const std::size_t from = at > ExcerptLength / 4 ? at - ExcerptLength / 4 : 0;
    const auto excerpt = [from](const std::string& s) {
        return from < s.size() ? s.substr(from, ExcerptLength) : std::string();
    };
    return {static_cast<std::int64_t>(at), excerpt(expected), excerpt(got)};
}

QString EventKind(const engine::WorkloadInfo& workload) {
    return QString::fromLatin1(workload.Name).toLower();
}

RunEventRecorder::RunEventRecorder(EventStream& events, int worker, std::optional<int> cpu)
    : events_(events), worker_(worker), cpu_(cpu) {}

QJsonObject RunEventRecorder::Who() const {
    QJsonObject who{{"worker", worker_}};
    if (cpu_) who.insert(QStringLiteral("cpu"), *cpu_);
    return who;
}

void RunEventRecorder::TestStarted(const engine::WorkloadInfo& workload, int minutes) {
    auto e = Who();
    e.insert(QStringLiteral("kind"), EventKind(workload));
    e.insert(QStringLiteral("minutes"), minutes);
    events_.Emit("test_start", e);
}

void RunEventRecorder::EncryptionStarted(const engine::WorkloadInfo& workload, const QString& cipher,
                                         int megabytes) {
    auto e = Who();
    e.insert(QStringLiteral("kind"), EventKind(workload));
    e.insert(QStringLiteral("cipher"), cipher);
    e.insert(QStringLiteral("mb"), megabytes);
    events_.Emit("test_start", e);
}

void RunEventRecorder::PassEnded(const engine::WorkloadInfo& workload) {
    ++passes_[EventKind(workload)];
}

void RunEventRecorder::Paused(std::int64_t seconds) {
    auto e = Who();
    e.insert(QStringLiteral("seconds"), static_cast<double>(seconds));
    events_.Emit("pause", e);
}

QJsonObject ErrorEventFields(QJsonObject e, int code, const QString& message, const QString& detail,
                             const QString& cause, const std::string* reference, const std::string* result) {
    e.insert(QStringLiteral("code"), code);
    e.insert(QStringLiteral("message"), message);
    e.insert(QStringLiteral("detail"), detail);
    if (!cause.isEmpty()) e.insert(QStringLiteral("cause"), cause);
    if (reference && result) {
        const auto d = FirstDifference(*reference, *result);
        e.insert(QStringLiteral("mismatch"), QJsonObject{{"position", static_cast<double>(d.Position)},
                                                         {"expected", QString::fromStdString(d.Expected)},
                                                         {"got", QString::fromStdString(d.Got)}});
    }
    return e;
}

void RunEventRecorder::ErrorReported(int code, const QString& message, const QString& detail,
                                     const std::string* reference, const std::string* result,
                                     const QString& cause) {
    events_.Emit("error", ErrorEventFields(Who(), code, message, detail, cause, reference, result));
}

void RunEventRecorder::Heartbeat(std::int64_t workSeconds, std::optional<double> temperatureC) {
    auto e = Who();
    e.insert(QStringLiteral("worktime_s"), static_cast<double>(workSeconds));
    QJsonObject passes;
    for (const auto& [kind, n] : passes_) passes.insert(kind, static_cast<double>(n));
    e.insert(QStringLiteral("passes"), passes);
    if (temperatureC) e.insert(QStringLiteral("temperature_c"), *temperatureC);
    events_.Emit("heartbeat", e);
}

void RunEventRecorder::End(const char* event, std::int64_t errors, std::int64_t workSeconds,
                           const QString& reason, int exitStatus) {
    auto e = Who();
    e.insert(QStringLiteral("errors"), static_cast<double>(errors));
    e.insert(QStringLiteral("worktime_s"), static_cast<double>(workSeconds));
    e.insert(QStringLiteral("reason"), reason);
    e.insert(QStringLiteral("exit_status"), exitStatus);
    events_.Emit(event, e);
}

} // namespace torvane::app
