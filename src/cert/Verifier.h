#pragma once
// Checking a certificate: unscramble it in memory, recompute the four digests of its body and compare them
// with the four head lines. The file itself is only ever read.

#include "crypto/Managers.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace torvane::cert {

enum class TCertificateState {
    Authentic, // all four digests match
    Fake,      // it reads as a certificate, but a digest differs
    EarlyStop  // it does not read as a certificate at all (too short, too large)
};

struct TVerification {
    TCertificateState State = TCertificateState::EarlyStop;
    int Matches = 0;                 // digests that matched, 0 to 4
    std::size_t LineCount = 0;       // lines of the unscrambled text
    std::vector<std::string> Record; // Authentic only: the body without its filler line, UTF-8
    std::string Reason;              // EarlyStop only: why, in words for the user
};

// Any bytes at all; never throws for their content.
TVerification VerifyCertificate(crypto::THashManager& hash, std::string_view fileBytes);

// Reads the file (read-only) and verifies it. EFOpenError / EReadError when it cannot be read.
TVerification VerifyCertificateFile(crypto::THashManager& hash, const std::string& path);

} // namespace torvane::cert
