#pragma once
// The stability certificate a run earns, decided in one place for the window and the terminal: the
// one-day rule on the run's work time in seconds, and the facts the certificate records. Nothing here
// reads a shown text back.

#include "cert/Certificate.h"
#include "platform/Clock.h"

#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace torvane::engine {
class TestRun;
}

namespace torvane::session {

// A certificate needs at least this much work time.
inline constexpr std::int64_t kCertificateSeconds = 24 * 60 * 60;

// What a certificate is made of, as the run has it at the moment the certificate is made.
struct RunRecord {
    std::int64_t WorkSeconds = 0;
    std::int64_t Errors = 0;       // every error of the run (the window's counts its other processors')
    std::int64_t TestsStarted = 0; // the heat-up is no test
    QStringList BannerLines;
    std::int32_t MaxTempSize = 0; // bytes
};

// The record of a run as it stands (stopped or still going).
RunRecord RecordOf(const engine::TestRun& run);

// Why a run earns no certificate: less than a full day of work time, or a run that started no test
// (with "Optimal..." ticked none is chosen) and so tested nothing, however long it ran.
enum class CertificateRefusal { None, LessThanADay, NoTestRan };
CertificateRefusal RefusalOf(const RunRecord& record);

// Days, hours, minutes and seconds as a certificate records them.
std::array<std::string, 4> CertificateWorkTime(std::int64_t seconds);
// "1d, 0h, 1m, 1s"
std::string WorkTimeWords(std::int64_t seconds);

// What the facts need beyond the run; tests hand in a processor and a clock.
struct CertificateSources {
    std::function<void(cert::TCertificateFacts&)> ReadProcessor; // the processor itself when empty
    const LocalClock* Clock = nullptr;                           // real local time when null
};

// The certificate a run earns: its refusal, or (with none) the facts it records, the processor read and
// the time stamped now.
struct CertificateDecision {
    CertificateRefusal Refusal = CertificateRefusal::None;
    cert::TCertificateFacts Facts;
};
CertificateDecision DecideCertificate(const RunRecord& record, const CertificateSources& sources = {});

} // namespace torvane::session
