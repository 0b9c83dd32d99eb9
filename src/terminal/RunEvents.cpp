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

void RunEventRecorder::Hear(const engine::RunEvent& event) {
    namespace ev = engine::event;
    std::visit(engine::Overloaded{
                   [this](const ev::TestStarted& x) {
                       auto e = Who();
                       e.insert(QStringLiteral("kind"), EventKind(*x.Workload));
                       e.insert(QStringLiteral("minutes"), x.Minutes);
                       events_.Emit("test_start", e);
                   },
                   [this](const ev::EncryptionStarted& x) {
                       auto e = Who();
                       e.insert(QStringLiteral("kind"), EventKind(*x.Workload));
                       e.insert(QStringLiteral("cipher"), x.Cipher);
                       e.insert(QStringLiteral("mb"), x.Megabytes);
                       events_.Emit("test_start", e);
                   },
                   [this](const ev::PassEnded& x) { ++passes_[EventKind(*x.Workload)]; },
                   [this](const ev::Paused& x) {
                       auto e = Who();
                       e.insert(QStringLiteral("seconds"), static_cast<double>(x.Seconds));
                       events_.Emit("pause", e);
                   },
                   [this](const ev::Error& x) { Error(x); },
                   [this](const ev::WorkTime& x) { WorkTime(x.Seconds); },
                   [this](const ev::Temperature& x) { celsius_ = x.Celsius; },
                   [](const auto&) {},
               },
               event);
}

void RunEventRecorder::WorkTime(std::int64_t seconds) {
    // As the terminal's work-time line: once at every whole minute (or period), none for the first.
    const std::int64_t beat = seconds / HeartbeatSeconds;
    if (beat == lastBeat_) return;
    lastBeat_ = beat;
    if (beat != 0) Heartbeat(seconds, celsius_);
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

void RunEventRecorder::Error(const engine::event::Error& x) {
    events_.Emit("error", ErrorEventFields(Who(), x.Code, x.Message, x.Detail, x.Cause,
                                           x.Differs ? &x.Differs->Reference : nullptr,
                                           x.Differs ? &x.Differs->Result : nullptr));
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
