#include "cert/Certificate.h"

#include "cert/CertificateFile.h"
#include "cert/Scramble.h"
#include "cert/Windows1252.h"

#include "platform/TextEscape.h"

#include <cstdio>
#include <stdexcept>

namespace torvane::cert {

namespace {

constexpr std::string_view kCrLf = "\r\n";

std::string Number(std::int32_t n) {
    return std::to_string(n);
}

// One line of certificate bytes: Windows-1252 with no character that would end or split the line when
// the certificate is read back.
std::string EncodeLine(std::string_view utf8, std::string_view field) {
    for (const char c : utf8) {
        if (c == '\r' || c == '\n')
            throw ECertificateText(std::string(field) + ": a line break cannot be written into this line of "
                                                        "a certificate.");
        if (c == '\0')
            throw ECertificateText(std::string(field) + ": the character U+0000 cannot be written into a "
                                                        "certificate.");
    }
    return Utf8ToWindows1252(utf8, field);
}

// A control character in the user's texts would be shown by every viewer and terminal as a command (an
// escape sequence moves the cursor and can show a record that the certificate does not hold): refused.
// Line breaks and U+0000 are left to the line's own check; the lines of "Additional info" are its lines.
void RefuseControls(std::string_view utf8, std::string_view field) {
    std::size_t at = 0;
    if (!HasControlCharacter(utf8, &at) ||
        utf8.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos)
        return;
    auto code = static_cast<unsigned char>(utf8[at]);
    if (code == 0xC2) code = static_cast<unsigned char>(utf8[at + 1]);
    char name[16];
    std::snprintf(name, sizeof name, "U+%04X", code);
    throw ECertificateText(std::string(field) + ": the control character " + name +
                           " cannot be written into a certificate.");
}

struct DescribedField {
    std::string_view Label; // as the certificate names it
    const std::string* Text;
};

std::array<DescribedField, 6> Fields(const TCertificateDescription& d) {
    return {{{"Owner", &d.Owner},
             {"CPU", &d.Cpu},
             {"Motherboard", &d.Motherboard},
             {"Cooling", &d.Cooling},
             {"RAM", &d.Ram},
             {"OS", &d.Os}}};
}

} // namespace

std::vector<std::string> AdditionalInfoLines(std::string_view text) {
    if (text.empty()) return {"N/A"};
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const auto end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.emplace_back(text.substr(start));
            break;
        }
        lines.emplace_back(text.substr(start, end - start));
        start = end + (text.compare(end, 2, kCrLf) == 0 ? 2 : 1);
    }
    return lines;
}

std::vector<std::string> CertificateBodyLines(const TCertificateFacts& facts,
                                              const TCertificateDescription& description) {
    std::vector<std::string> lines(facts.BannerLines.begin(), facts.BannerLines.end());
    const auto& t = facts.WorkTime;
    for (std::string line :
         {std::string(), std::string("This System is been tested over 24 hours under extreme conditions."),
          std::string("If you see just a screenshot of this it cannot be trusted, but"),
          std::string("if you downloaded this certificate, then you can be sure that is"),
          std::string("not a fake. This Certificate is Digitally Signed and Encrypted."), std::string(),
          std::string("CPU:"),
          " ID: " + Number(facts.CpuFamily) + "-" + Number(facts.CpuModel) + "-" + Number(facts.CpuStepping) +
              "-" + Number(facts.CpuType),
          " Actual Speed: " + Number(facts.RawSpeed) + " MHz", " Info: " + description.Cpu, std::string(),
          std::string("Test Results:"), " Errors: " + Number(facts.ErrorCount),
          " Worktime: " + t[0] + "d, " + t[1] + "h, " + t[2] + "m, " + t[3] + "s", std::string(),
          std::string("Other info:"), " MaxTempSize: " + Number(facts.MaxTempSize / 1048576) + " MB",
          std::string(), std::string("System info")})
        lines.push_back(std::move(line));
    for (const auto& field : Fields(description))
        lines.push_back(" " + std::string(field.Label) + ": " + *field.Text);
    lines.emplace_back();
    lines.emplace_back("Additional info: ");
    for (const auto& info : description.AdditionalInfo) lines.push_back(" " + info);
    lines.emplace_back();
    lines.push_back("Time: " + facts.Time);
    lines.push_back("Date: " + facts.Date);
    return lines;
}

std::string FillerLine(const std::function<std::int32_t(std::int32_t, std::int32_t)>& randomInRange) {
    std::string filler;
    for (int i = 0; i < 200; ++i) {
        const auto code = randomInRange(1, 255);
        if (code < 1 || code > 255 || code == 10 || code == 13) continue;
        filler += static_cast<char>(code);
    }
    return filler;
}

void CheckDescription(const TCertificateDescription& description) {
    for (const auto& field : Fields(description)) {
        RefuseControls(*field.Text, field.Label);
        EncodeLine(*field.Text, field.Label);
    }
    for (const auto& line : description.AdditionalInfo) {
        RefuseControls(line, "Additional info");
        EncodeLine(line, "Additional info");
    }
}

std::array<std::string, 4> CertificateDigests(crypto::THashManager& hash, std::string_view body) {
    std::array<std::string, 4> digests;
    for (size_t i = 0; i < CertificateDigestNames.size(); ++i) {
        hash.SetAlgorithm(CertificateDigestNames[i]);
        // An unknown name would silently select CRC-32 and seal every certificate with it.
        if (hash.Algorithm() != CertificateDigestNames[i])
            throw std::logic_error("The catalogue has no hash named " +
                                   std::string(CertificateDigestNames[i]));
        std::vector<std::uint8_t> digest(static_cast<size_t>(hash.HashClass()->DigestLength));
        crypto::THash::HashText(hash.HashClass(), digest.data(), body);
        digests[i] = crypto::DigestToText(digest.data(), static_cast<std::int32_t>(digest.size()), 64);
    }
    return digests;
}

std::string SealCertificate(crypto::THashManager& hash, const TCertificateFacts& facts,
                            const TCertificateDescription& description, std::string_view fillerLine) {
    CheckDescription(description);
    if (description.AdditionalInfo.empty())
        throw std::invalid_argument("A certificate's additional info has at least one line");
    std::string body;
    for (const auto& line : CertificateBodyLines(facts, description)) {
        body += EncodeLine(line, "Certificate");
        body += kCrLf;
    }
    for (const char c : fillerLine)
        if (c == '\0' || c == '\r' || c == '\n')
            throw std::invalid_argument("The filler line holds a line break");
    body += fillerLine;
    body += kCrLf;

    const auto tooLarge = [](size_t size) {
        if (size > kMaxCertificateBytes)
            throw ECertificateText("The certificate would be larger than " +
                                   std::to_string(kMaxCertificateBytes / 1048576) +
                                   " MB; please shorten the additional info.");
    };
    tooLarge(body.size()); // before hashing megabytes for nothing
    std::string file;
    for (const auto& digest : CertificateDigests(hash, body)) file += digest + std::string(kCrLf);
    file += body;
    tooLarge(file.size());
    ScrambleBytes(file, ScrambleKey);
    return file;
}

} // namespace torvane::cert
