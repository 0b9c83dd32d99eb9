#include "session/RunCertificate.h"

#include "cert/Builder.h"
#include "engine/TestRun.h"
#include "engine/WorkTime.h"

namespace torvane::session {

RunRecord RecordOf(const engine::TestRun& run) {
    RunRecord record;
    record.WorkSeconds = run.State.WorkSeconds;
    record.Errors = run.State.ErrorCount;
    record.TestsStarted = run.State.TestsStarted;
    record.BannerLines = run.BannerLines;
    record.MaxTempSize = run.MaxTempSize;
    return record;
}

CertificateRefusal RefusalOf(const RunRecord& record) {
    if (record.WorkSeconds < kCertificateSeconds) return CertificateRefusal::LessThanADay;
    if (record.TestsStarted == 0) return CertificateRefusal::NoTestRan;
    return CertificateRefusal::None;
}

std::array<std::string, 4> CertificateWorkTime(std::int64_t seconds) {
    const auto shown = engine::WorkTimeFields(seconds);
    std::array<std::string, 4> fields;
    for (std::size_t i = 0; i < fields.size(); ++i) fields[i] = shown[i].toStdString();
    return fields;
}

std::string WorkTimeWords(std::int64_t seconds) {
    const auto f = CertificateWorkTime(seconds);
    return f[0] + "d, " + f[1] + "h, " + f[2] + "m, " + f[3] + "s";
}

CertificateDecision DecideCertificate(const RunRecord& record, const CertificateSources& sources) {
    CertificateDecision decision;
    decision.Refusal = RefusalOf(record);
    if (decision.Refusal != CertificateRefusal::None) return decision;
    auto& facts = decision.Facts;
    for (const auto& line : record.BannerLines) facts.BannerLines.push_back(line.toStdString());
    if (sources.ReadProcessor)
        sources.ReadProcessor(facts);
    else
        cert::ReadProcessor(facts);
    facts.ErrorCount = static_cast<std::int32_t>(record.Errors);
    facts.WorkTime = CertificateWorkTime(record.WorkSeconds);
    facts.MaxTempSize = record.MaxTempSize;
    cert::StampTime(facts, (sources.Clock ? *sources.Clock : RealLocalClock::Instance()).Now());
    return decision;
}

} // namespace torvane::session
