#include "window/CertificateCommands.h"

#include "cert/Builder.h"
#include "platform/Files.h"

#include <cstdlib>
#include <unistd.h>

namespace torvane::app {

std::string CertificateFolder(const std::string& programFile) {
    const auto folder = ExtractFilePath(programFile);
    if (!folder.empty() && ::access(folder.c_str(), W_OK) == 0) return folder;
    const auto home = HomeDirectory();
    return WithTrailingSeparator(home.empty() ? "/" : home);
}

std::string WithCertificateExtension(const std::string& chosen) {
    const auto slash = chosen.rfind('/');
    const auto name = slash == std::string::npos ? chosen : chosen.substr(slash + 1);
    return name.find('.') == std::string::npos ? chosen + ".tvc" : chosen;
}

bool BuildCertificate(IDialogs& dialogs, crypto::THashManager& hash, const std::string& programFile,
                      const cert::TCertificateDescription& description, const CertificateMaker& maker) {
    cert::CheckDescription(description);
    const auto chosen = dialogs.SaveFileDialog(kCertificateFilter, CertificateFolder(programFile));
    if (!chosen) return false;
    const auto path = WithCertificateExtension(*chosen);
    const auto facts = maker.Facts();
    cert::WriteCertificate(hash, path, facts, description, maker.Filler());
    return true;
}

std::optional<std::string> ChooseCertificate(IDialogs& dialogs, const std::string& programFile) {
    const auto chosen = dialogs.OpenFileDialog(kCertificateFilter, CertificateFolder(programFile));
    if (!chosen || !FileExists(*chosen)) return std::nullopt;
    return chosen;
}

} // namespace torvane::app
