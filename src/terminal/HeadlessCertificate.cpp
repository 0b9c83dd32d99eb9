#include "terminal/HeadlessCertificate.h"

#include "cert/Builder.h"
#include "cert/VerifyReport.h"
#include "crypto/Managers.h"
#include "platform/Error.h"

#include <iostream>

namespace torvane::app {

int RunVerify(const std::vector<std::string>& files) {
    crypto::THashManager hash;
    return cert::ReportCertificates(hash, files, std::cout, std::cerr);
}

std::optional<CertificateRequest> CertificateRequestOf(const HeadlessOptions& options) {
    if (options.Certificate.empty()) return std::nullopt;
    CertificateRequest request;
    request.Path = options.Certificate;
    auto& d = request.Description;
    d.Owner = options.Owner;
    d.Cpu = options.Cpu;
    d.Motherboard = options.Motherboard;
    d.Cooling = options.Cooling;
    d.Ram = options.Ram;
    d.Os = options.Os;
    d.AdditionalInfo = cert::AdditionalInfoLines(options.Info);
    return request;
}

std::optional<std::string> CheckCertificateRequest(const CertificateRequest& request) {
    try {
        cert::CheckCertificateRequest(request.Path, request.Description);
    } catch (const std::exception& e) {
        return "the certificate " + request.Path + " cannot be made: " + DescribeError(e);
    }
    return std::nullopt;
}

bool WriteRunCertificate(const CertificateRequest& request, engine::TestRun& run, std::FILE* out,
                         std::FILE* err, const CertificateSources& sources) {
    const auto record = session::RecordOf(run);
    const std::string workTime = session::WorkTimeWords(record.WorkSeconds);
    if (const auto refusal = session::RefusalOf(record); refusal != session::CertificateRefusal::None) {
        const std::string why =
            refusal == session::CertificateRefusal::LessThanADay
                ? "a certificate needs at least one full day of work time, and this run has " + workTime
                : "this run started no test, so its " + workTime +
                      " of work time tested nothing (the stored test choice is \"Optimal...\", or --tests "
                      "named only tests that could not run)";
        std::fprintf(out, "No certificate written to %s: %s.\n", request.Path.c_str(), why.c_str());
        std::fflush(out);
        return false;
    }
    try {
        const auto decision = session::DecideCertificate(record, sources);
        const auto filler = cert::FillerLine(
            [&run](std::int32_t low, std::int32_t high) { return run.RandomInRange(low, high); });
        crypto::THashManager hash;
        cert::WriteCertificate(hash, request.Path, decision.Facts, request.Description, filler);
    } catch (const std::exception& e) {
        std::fprintf(err, "torvane: the certificate %s was not written: %s\n", request.Path.c_str(),
                     DescribeError(e).c_str());
        return false;
    }
    std::fprintf(out, "Certificate written to %s (%s of work time).\n", request.Path.c_str(),
                 workTime.c_str());
    std::fflush(out);
    return true;
}

} // namespace torvane::app
