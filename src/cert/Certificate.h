#pragma once
// The stability certificate: the record of a tested machine, sealed with four digests of its body and
// scrambled as a whole.
//
// Plain form, each line ended by CR LF: the four digest texts (format 64), then the body: the banner,
// the fixed statement, the processor, the results, the work file size, the user's description of the
// machine, the time and date, and a line of random filler that makes two certificates of the same
// record differ. The file on disk is that plain form passed through ScrambleBytes with ScrambleKey.

#include "crypto/Managers.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace torvane::cert {

// What the program knows when it seals a certificate. Texts are UTF-8.
struct TCertificateFacts {
    std::vector<std::string> BannerLines; // title line, credit line, empty line
    std::int32_t CpuFamily = 0, CpuModel = 0, CpuStepping = 0, CpuType = 0;
    std::int32_t RawSpeed = 0; // measured MHz, -1 when the measurement failed
    std::int32_t ErrorCount = 0;
    std::array<std::string, 4> WorkTime{"0", "0", "0", "0"}; // days, hours, minutes, seconds as shown
    std::int32_t MaxTempSize = 0;                            // bytes
    std::string Time, Date;
};

// What the user writes about the machine. Texts are UTF-8; each field is one line.
struct TCertificateDescription {
    std::string Owner, Cpu, Motherboard, Cooling, Ram, Os;
    std::vector<std::string> AdditionalInfo; // one entry per line; never empty in a certificate
};

// The digest algorithms, by catalogue name, in the order of the four head lines.
inline constexpr std::array<std::string_view, 4> CertificateDigestNames{
    "Snefru-256", "Message Digest 5", "Sapphire II-320", "Secure Hash Algorithm 1"};

// The lines of the "Additional info" box: the text split at its line breaks, a final line break ending
// the last line rather than starting an empty one; an empty text gives the single line "N/A".
std::vector<std::string> AdditionalInfoLines(std::string_view text);

// The body without its filler: banner to "Date: " line (UTF-8).
std::vector<std::string> CertificateBodyLines(const TCertificateFacts& facts,
                                              const TCertificateDescription& description);

// 200 draws of randomInRange(1, 255) as character codes; the line-break codes 10 and 13 (and anything
// outside 1 to 255) are left out, so the line reads back as exactly one line.
std::string FillerLine(const std::function<std::int32_t(std::int32_t, std::int32_t)>& randomInRange);

// Throws ECertificateText for a text the certificate cannot hold: a character without a Windows-1252
// byte, a line break or a zero character inside a line. Runs before anything is asked or written.
void CheckDescription(const TCertificateDescription& description);

// The four digest texts (format 64) of body bytes, computed with the hash manager's classes.
std::array<std::string, 4> CertificateDigests(crypto::THashManager& hash, std::string_view body);

// The certificate file's bytes. Throws ECertificateText when a text cannot be stored or the
// certificate would exceed kMaxCertificateBytes.
std::string SealCertificate(crypto::THashManager& hash, const TCertificateFacts& facts,
                            const TCertificateDescription& description, std::string_view fillerLine);

} // namespace torvane::cert
