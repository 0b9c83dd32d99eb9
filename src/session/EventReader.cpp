#include "session/EventReader.h"

#include "engine/Workloads.h"

namespace torvane::session {

namespace {

const engine::WorkloadInfo* WorkloadOfKind(const QString& kind) {
    for (const auto* info : engine::WorkloadDescriptions())
        if (QString::fromLatin1(info->Name).toLower() == kind) return info;
    return nullptr;
}

std::int64_t Whole(const QJsonValue& v) {
    return static_cast<std::int64_t>(v.toDouble());
}

} // namespace

std::optional<engine::RunEvent> ReadRunEvent(const QJsonObject& e) {
    namespace ev = engine::event;
    const QString name = e.value(QStringLiteral("event")).toString();
    if (name == QLatin1String("test_start")) {
        const auto* workload = WorkloadOfKind(e.value(QStringLiteral("kind")).toString());
        if (!workload) return std::nullopt;
        if (e.contains(QStringLiteral("cipher")))
            return ev::EncryptionStarted{workload, e.value(QStringLiteral("cipher")).toString(),
                                         e.value(QStringLiteral("mb")).toInt()};
        return ev::TestStarted{workload, e.value(QStringLiteral("minutes")).toInt()};
    }
    if (name == QLatin1String("error")) {
        ev::Error error{e.value(QStringLiteral("code")).toInt(),
                        e.value(QStringLiteral("message")).toString(),
                        e.value(QStringLiteral("detail")).toString(),
                        std::nullopt,
                        std::nullopt,
                        e.value(QStringLiteral("cause")).toString(),
                        0};
        const QJsonValue mismatch = e.value(QStringLiteral("mismatch"));
        if (mismatch.isObject())
            error.Differs = ev::Mismatch{mismatch[QStringLiteral("expected")].toString().toStdString(),
                                         mismatch[QStringLiteral("got")].toString().toStdString()};
        if (e.value(QStringLiteral("cpu")).isDouble())
            error.Processor = e.value(QStringLiteral("cpu")).toInt();
        return error;
    }
    if (name == QLatin1String("pause")) return ev::Paused{Whole(e.value(QStringLiteral("seconds")))};
    if (name == QLatin1String("heartbeat")) return ev::WorkTime{Whole(e.value(QStringLiteral("worktime_s")))};
    return std::nullopt;
}

} // namespace torvane::session
