#pragma once
// Making a certificate from what the program knows at this moment and what the user wrote: the steps the
// desktop command and the terminal front end share.

#include "cert/Certificate.h"
#include "hw/CpuIdent.h"
#include "platform/Clock.h"
#include "platform/Error.h"

#include <string>

namespace torvane::cert {

// The processor's identification and its speed, measured now with the given source (about one second
// with the native one).
void ReadProcessor(TCertificateFacts& facts, const hw::ICpuidSource& cpu, hw::ISpeedSource& speed);
void ReadProcessor(TCertificateFacts& facts);

// The time and date of the certificate in the user's formats; where those give a character a certificate
// cannot hold, the neutral formats "HH:MM:SS" and "YYYY-MM-DD".
void StampTime(TCertificateFacts& facts, const LocalDateTime& now);

// A certificate that cannot be written, told as the file layer tells it with the system's reason after
// it: "Cannot create file /mnt/day.tvc: No space left on device". Whoever made a day-long run needs to
// know whether the disk is full, the folder read-only or gone, or the name a folder's.
class ECertificateFileError final : public EFCreateError {
public:
    explicit ECertificateFileError(const EFCreateError& cause);
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

// Checks a certificate request before anything is done for it: the description's texts, and that the
// file can be created where it is to go (nothing is created). ECertificateText or ECertificateFileError.
void CheckCertificateRequest(const std::string& path, const TCertificateDescription& description);

// Seals the certificate and puts it in place. An existing file is replaced only by a complete new one.
// ECertificateText for texts it cannot hold (before anything is written), ECertificateFileError when the
// file cannot be written.
void WriteCertificate(crypto::THashManager& hash, const std::string& path, const TCertificateFacts& facts,
                      const TCertificateDescription& description, std::string_view fillerLine);

} // namespace torvane::cert
