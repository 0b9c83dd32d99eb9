#pragma once
// Registering the certificate file type with the desktop, so that opening a "*.tvc" file starts the
// program with the file's path as its argument (which the command-line hand-over reads).
//
// Freedesktop desktops learn file types from shared-MIME-info packages and the programs for them from
// desktop entries; both are written into the user's data folder ($XDG_DATA_HOME, or ~/.local/share), and
// the desktop's caches are brought up to date where their tools are installed. Every use writes
// everything again; nothing removes it.

#include "platform/Error.h"

#include <string>

namespace torvane {

inline constexpr const char* kCertificateMimeType = "application/x-torvane-certificate";
inline constexpr const char* kCertificateDesktopEntry = "torvane-certificate.desktop";

// A folder that cannot be created: "Failed to create key %s"; a file that cannot be written:
// "Failed to set data for '%s'" (the messages users of the registration know).
class ERegistryError : public Exception {
public:
    explicit ERegistryError(const std::string& message) : Exception(message) {}
};

// $XDG_DATA_HOME when it is an absolute path, ~/.local/share otherwise; with a trailing "/".
std::string UserDataDirectory();

// The desktop entry's Exec value for a program path: the path (quoted, with ", `, $ and \ escaped, where
// it holds a character the Exec syntax reserves), then %f, the file to open.
std::string DesktopExecLine(const std::string& programPath);

std::string CertificateMimePackage();
std::string CertificateDesktopEntry(const std::string& programPath);

struct FileTypeRegistrationResult {
    std::string MimePackage; // where they were written
    std::string DesktopEntry;
    bool CachesUpdated = true; // false when a cache tool was present but failed
};

// Writes the MIME package, the desktop entry and, when iconPng is not empty, the icon certificate files
// show; then runs update-mime-database and update-desktop-database where they are installed.
FileTypeRegistrationResult RegisterCertificateFileType(const std::string& programPath,
                                                       const std::string& iconPng = {});

} // namespace torvane
