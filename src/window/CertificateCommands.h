#pragma once
// The dialogs around certificates: choosing where a new one goes and which one to check. The main window
// runs them from its "Stability" commands.

#include "cert/Certificate.h"
#include "crypto/Managers.h"
#include "platform/Dialogs.h"

#include <functional>
#include <optional>
#include <string>

namespace torvane::app {

inline constexpr const char* kCertificateFilter = "Torvane Certificates|*.tvc";

// The folder the certificate dialogs open in: the program's own folder, as the user guide says, where
// the user may write there; the home folder otherwise (an installed program's folder is the system's).
std::string CertificateFolder(const std::string& programFile);

// A chosen name without an extension gets ".tvc".
std::string WithCertificateExtension(const std::string& chosen);

// What a new certificate is made of, asked for once the user has chosen the file: the program's facts
// at that moment (the processor's speed is measured then) and the filler line.
struct CertificateMaker {
    std::function<cert::TCertificateFacts()> Facts;
    std::function<std::string()> Filler;
};

// "OK" of the creation window: checks the texts, asks for the file and writes the certificate. false
// when the user cancelled; exceptions for texts a certificate cannot hold (nothing asked or written) and
// for a file that cannot be written (an existing one stays as it was).
bool BuildCertificate(IDialogs& dialogs, crypto::THashManager& hash, const std::string& programFile,
                      const cert::TCertificateDescription& description, const CertificateMaker& maker);

// "Verify Certificate": the chosen file when it exists.
std::optional<std::string> ChooseCertificate(IDialogs& dialogs, const std::string& programFile);

} // namespace torvane::app
