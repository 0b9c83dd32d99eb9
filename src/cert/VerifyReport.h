#pragma once
// The certificate check for scripts: each file's verdict and, for an authentic one, its record.

#include "crypto/Managers.h"

#include <ostream>
#include <string>
#include <vector>

namespace torvane::cert {

// Exit statuses of the check.
inline constexpr int kAllAuthentic = 0;
inline constexpr int kSomeNotAuthentic = 1; // a forgery, or a file that is no certificate
inline constexpr int kSomeUnreadable = 2;   // also for bad usage

// Writes "FILE: This Certificate is verified to be Authentic" and the record, "FILE: This Certificate is
// FAKE!!", or "FILE: not a certificate: ..." on out for each file, a blank line between files, and why
// a file could not be read on err. The status is the worst of the files'.
int ReportCertificates(crypto::THashManager& hash, const std::vector<std::string>& files, std::ostream& out,
                       std::ostream& err);

} // namespace torvane::cert
