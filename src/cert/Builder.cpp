#include "cert/Builder.h"

#include "cert/Windows1252.h"
#include "platform/Files.h"
#include "platform/LocaleTime.h"

#include <cstdio>
#include <cstring>

namespace torvane::cert {

void ReadProcessor(TCertificateFacts& facts, const hw::ICpuidSource& cpu, hw::ISpeedSource& speed) {
    hw::TCpuIdent ident(cpu);
    ident.MeasureSpeed(speed);
    const auto& info = ident.CpuIdentInfo();
    facts.CpuFamily = info.cpuFamily;
    facts.CpuModel = info.cpuModel;
    facts.CpuStepping = info.cpuStepping;
    facts.CpuType = info.cpuType;
    facts.RawSpeed = info.RawSpeed;
}

void ReadProcessor(TCertificateFacts& facts) {
    hw::NativeSpeedSource speed;
    ReadProcessor(facts, hw::NativeCpuid::Instance(), speed);
}

void StampTime(TCertificateFacts& facts, const LocalDateTime& now) {
    facts.Time = LocaleTimeText(now);
    facts.Date = LocaleDateText(now);
    try {
        Utf8ToWindows1252(facts.Time + facts.Date, "Time");
    } catch (const ECertificateText&) {
        facts.Time = LocaleTimeText(now, "C");
        char date[16];
        std::snprintf(date, sizeof date, "%04d-%02d-%02d", now.Year, now.Month, now.Day);
        facts.Date = date;
    }
}

namespace {

std::string WithReason(const EFCreateError& e) {
    return DescribeError(e);
}

template <typename Write> void TellingWhy(Write&& write) {
    try {
        write();
    } catch (const ECertificateFileError&) {
        throw;
    } catch (const EFCreateError& e) {
        throw ECertificateFileError(e);
    }
}

} // namespace

ECertificateFileError::ECertificateFileError(const EFCreateError& cause)
    : EFCreateError(cause), message_(WithReason(cause)) {}

void CheckCertificateRequest(const std::string& path, const TCertificateDescription& description) {
    CheckDescription(description);
    // Whether the folder exists and a file may be made or replaced there, found as the write will find it
    // (nothing is made, and a FIFO is not opened, which would give its reader an empty read).
    TellingWhy([&] { CheckOutput(path); });
}

void WriteCertificate(crypto::THashManager& hash, const std::string& path, const TCertificateFacts& facts,
                      const TCertificateDescription& description, std::string_view fillerLine) {
    const auto sealed = SealCertificate(hash, facts, description, fillerLine);
    TellingWhy([&] { WriteFileAtomically(path, sealed); });
}

} // namespace torvane::cert
