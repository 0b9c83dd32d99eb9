#include "cert/VerifyReport.h"

#include "cert/Verifier.h"

#include <algorithm>

namespace torvane::cert {

int ReportCertificates(crypto::THashManager& hash, const std::vector<std::string>& files, std::ostream& out,
                       std::ostream& err) {
    int status = kAllAuthentic;
    bool first = true;
    for (const auto& file : files) {
        TVerification v;
        try {
            v = VerifyCertificateFile(hash, file);
        } catch (const std::exception& e) {
            err << "torvane: " << e.what() << '\n';
            status = kSomeUnreadable;
            continue;
        }
        if (!first) out << '\n';
        first = false;
        switch (v.State) {
        case TCertificateState::Authentic:
            out << file << ": This Certificate is verified to be Authentic\n";
            for (const auto& line : v.Record) out << line << '\n';
            break;
        case TCertificateState::Fake:
            out << file << ": This Certificate is FAKE!!\n";
            status = std::max(status, kSomeNotAuthentic);
            break;
        case TCertificateState::EarlyStop:
            out << file << ": not a certificate: " << v.Reason << '\n';
            status = std::max(status, kSomeNotAuthentic);
            break;
        }
    }
    out.flush();
    if (!out) {
        err << "torvane: the report could not be written to standard output\n";
        status = kSomeUnreadable;
    }
    return status;
}

} // namespace torvane::cert
