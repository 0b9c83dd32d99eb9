#include "cert/VerifyReport.h"

#include "cert/Verifier.h"
#include "platform/Error.h"
#include "platform/TextEscape.h"

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
            err << "torvane: " << EscapeControls(DescribeError(e)) << '\n';
            status = kSomeUnreadable;
            continue;
        }
        if (!first) out << '\n';
        first = false;
        // Names and records are the outside's: escaped, so that none forges a verdict on the screen.
        const auto verdict = [&](std::string_view words) {
            return TEscapedLine().Outside(file).Own(": ").Own(words).Text();
        };
        switch (v.State) {
        case TCertificateState::Authentic:
            out << verdict("This Certificate is verified to be Authentic") << '\n';
            for (const auto& line : v.Record) out << TEscapedLine().Outside(line).Text() << '\n';
            break;
        case TCertificateState::Fake:
            out << verdict("This Certificate is FAKE!!") << '\n';
            status = std::max(status, kSomeNotAuthentic);
            break;
        case TCertificateState::EarlyStop:
            out << TEscapedLine().Outside(file).Own(": not a certificate: ").Outside(v.Reason).Text() << '\n';
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
