#pragma once
// Making a certificate from what the program knows at this moment and what the user wrote: the steps the
// desktop command and the terminal front end share.

#include "cert/Certificate.h"
#include "hw/CpuIdent.h"
#include "platform/Clock.h"

#include <string>

namespace torvane::cert {

// The processor's identification and its speed, measured now with the given source (about one second
// with the native one).
void ReadProcessor(TCertificateFacts& facts, const hw::ICpuidSource& cpu, hw::ISpeedSource& speed);
void ReadProcessor(TCertificateFacts& facts);

// The time and date of the certificate in the user's formats; where those give a character a certificate
// cannot hold, the neutral formats "HH:MM:SS" and "YYYY-MM-DD".
void StampTime(TCertificateFacts& facts, const LocalDateTime& now);

// Checks a certificate request before anything is done for it: the description's texts, and that the
// file can be created where it is to go (nothing is created). ECertificateText or EFCreateError.
void CheckCertificateRequest(const std::string& path, const TCertificateDescription& description);

// Seals the certificate and puts it in place. An existing file is replaced only by a complete new one.
// ECertificateText for texts it cannot hold (before anything is written), EFCreateError when the file
// cannot be written.
void WriteCertificate(crypto::THashManager& hash, const std::string& path, const TCertificateFacts& facts,
                      const TCertificateDescription& description, std::string_view fillerLine);

} // namespace torvane::cert
