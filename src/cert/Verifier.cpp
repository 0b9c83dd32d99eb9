#include "cert/Verifier.h"

#include "cert/Certificate.h"
#include "cert/CertificateFile.h"
#include "cert/Scramble.h"
#include "cert/Windows1252.h"

namespace torvane::cert {

namespace {

constexpr std::size_t kMinimumLines = 10;
constexpr std::size_t kDigestLines = 4;

// The text's lines as the desktop's string lists read a text: a line ends at CR LF, a lone CR or a lone
// LF, and a break at the very end starts no further line. Each line is given as [begin, end).
template <class Visit> std::size_t ForEachLine(std::string_view text, Visit&& visit) {
    std::size_t count = 0, at = 0;
    while (at < text.size()) {
        const auto begin = at;
        while (at < text.size() && text[at] != '\r' && text[at] != '\n') ++at;
        visit(count++, begin, at);
        if (at < text.size() && text[at] == '\r') ++at;
        if (at < text.size() && text[at] == '\n') ++at;
    }
    return count;
}

} // namespace

TVerification VerifyCertificate(crypto::THashManager& hash, std::string_view fileBytes) {
    TVerification result;
    if (fileBytes.size() > kMaxCertificateBytes) {
        result.Reason = "the file is larger than any certificate (" +
                        std::to_string(kMaxCertificateBytes / 1048576) + " MB)";
        return result;
    }
    std::string plain(fileBytes);
    ScrambleBytes(plain, ScrambleKey);
    // The text ends at its first zero byte, as a file that was never scrambled soon shows.
    if (const auto zero = plain.find('\0'); zero != std::string::npos) plain.resize(zero);

    std::vector<std::string_view> stored;
    std::string body; // the body lines, each ended by CR LF, exactly as they were hashed
    body.reserve(plain.size() + 2);
    std::size_t fillerStart = 0;
    result.LineCount = ForEachLine(plain, [&](std::size_t index, std::size_t begin, std::size_t end) {
        const std::string_view line(plain.data() + begin, end - begin);
        if (index < kDigestLines) {
            stored.push_back(line);
            return;
        }
        fillerStart = body.size();
        body += line;
        body += "\r\n";
    });
    if (result.LineCount < kMinimumLines) {
        result.Reason = "it reads as " + std::to_string(result.LineCount) +
                        (result.LineCount == 1 ? " line" : " lines") +
                        ", fewer than the 10 of any certificate (not a certificate, or scrambled otherwise)";
        return result;
    }

    const auto digests = CertificateDigests(hash, body);
    for (std::size_t i = 0; i < kDigestLines; ++i)
        if (stored[i] == digests[i]) ++result.Matches;
    if (result.Matches != static_cast<int>(kDigestLines)) {
        result.State = TCertificateState::Fake;
        return result;
    }
    result.State = TCertificateState::Authentic;
    const std::string_view shown(body.data(), fillerStart);
    ForEachLine(shown, [&](std::size_t, std::size_t begin, std::size_t end) {
        result.Record.push_back(Windows1252ToUtf8(shown.substr(begin, end - begin)));
    });
    return result;
}

TVerification VerifyCertificateFile(crypto::THashManager& hash, const std::string& path) {
    return VerifyCertificate(hash, ReadWholeFile(path, kMaxCertificateBytes));
}

} // namespace torvane::cert
