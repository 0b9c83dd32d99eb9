#include "platform/FileTypes.h"

#include "platform/Files.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace torvane {

namespace {

constexpr const char* kIconName = "torvane-certificate";

// Creates a folder and the folders above it.
void MakeDirectories(const std::string& dir) {
    std::string path;
    size_t at = 0;
    while (at < dir.size()) {
        const auto slash = dir.find('/', at + 1);
        path = dir.substr(0, slash == std::string::npos ? dir.size() : slash);
        at = slash == std::string::npos ? dir.size() : slash;
        if (path.empty() || DirectoryExists(path)) continue;
        if (::mkdir(path.c_str(), 0755) != 0 && !(errno == EEXIST && DirectoryExists(path)))
            throw ERegistryError(FormatMessage("Failed to create key %s", dir));
    }
}

void WriteEntry(const std::string& dir, const std::string& name, const std::string& content) {
    MakeDirectories(dir);
    try {
        WriteFileAtomically(dir + name, content, 0644);
    } catch (const Exception&) {
        throw ERegistryError(FormatMessage("Failed to set data for '%s'", dir + name));
    }
}

// Runs a cache tool on a folder and waits for it. Absent tools are no failure: the desktops that lack
// them read the folders themselves.
bool RunWherePresent(const char* tool, const std::string& argument) {
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    ::posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv{const_cast<char*>(tool), const_cast<char*>(argument.c_str()), nullptr};
    pid_t pid = 0;
    const int spawned = ::posix_spawnp(&pid, tool, &actions, nullptr, argv.data(), environ);
    ::posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return spawned == ENOENT;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return false;
    // The shell's code for a command it cannot find, where posix_spawnp reports it that way.
    return WIFEXITED(status) && (WEXITSTATUS(status) == 0 || WEXITSTATUS(status) == 127);
}

// The escapes of a desktop entry's string values.
std::string EscapeString(const std::string& value) {
    std::string out;
    for (const char c : value) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    return out;
}

} // namespace

std::string UserDataDirectory() {
    if (const char* x = std::getenv("XDG_DATA_HOME"); x && *x == '/') return WithTrailingSeparator(x);
    return WithTrailingSeparator(HomeDirectory() + "/.local/share");
}

std::string DesktopExecLine(const std::string& programPath) {
    // Quoted where the path holds a character the Exec syntax reserves, as the desktop entry rules ask;
    // a plain path stays plain, because some launchers (xdg-open without a desktop environment) cut
    // the program at the first blank and cannot take quotes.
    const bool reserved = programPath.find_first_of(" \t\n\"'\\><~|&;$*?#()`") != std::string::npos;
    std::string line = reserved ? "\"" : "";
    for (const char c : programPath) {
        if (reserved && (c == '"' || c == '`' || c == '$' || c == '\\')) line += '\\';
        line += c;
        // A literal percent sign is written twice, or it would start a field code.
        if (c == '%') line += '%';
    }
    if (reserved) line += '"';
    return line + " %f";
}

std::string CertificateMimePackage() {
    return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                       "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
                       "  <mime-type type=\"") +
           kCertificateMimeType +
           "\">\n"
           "    <comment>Stability Certificate</comment>\n"
           "    <icon name=\"" +
           kIconName +
           "\"/>\n"
           "    <glob pattern=\"*.tvc\"/>\n"
           "  </mime-type>\n"
           "</mime-info>\n";
}

std::string CertificateDesktopEntry(const std::string& programPath) {
    // Not shown in the menus: it is the viewer of certificates, as the registration of a file type
    // adds no menu entry either.
    return std::string("[Desktop Entry]\n"
                       "Type=Application\n"
                       "Name=Torvane Test\n"
                       "GenericName=Certificate viewer\n"
                       "Comment=View stability certificates\n"
                       "Exec=") +
           EscapeString(DesktopExecLine(programPath)) +
           "\n"
           "Icon=" +
           kIconName +
           "\n"
           "MimeType=" +
           kCertificateMimeType +
           ";\n"
           "NoDisplay=true\n"
           "Terminal=false\n";
}

FileTypeRegistrationResult RegisterCertificateFileType(const std::string& programPath,
                                                       const std::string& iconPng) {
    const auto data = UserDataDirectory();
    FileTypeRegistrationResult result;
    const auto mimeDir = data + "mime/packages/";
    const auto applications = data + "applications/";
    WriteEntry(mimeDir, "torvane-certificate.xml", CertificateMimePackage());
    result.MimePackage = mimeDir + "torvane-certificate.xml";
    if (!iconPng.empty())
        WriteEntry(data + "icons/hicolor/48x48/apps/", std::string(kIconName) + ".png", iconPng);
    WriteEntry(applications, kCertificateDesktopEntry, CertificateDesktopEntry(programPath));
    result.DesktopEntry = applications + kCertificateDesktopEntry;
    result.CachesUpdated = RunWherePresent("update-mime-database", data + "mime");
    result.CachesUpdated = RunWherePresent("update-desktop-database", applications) && result.CachesUpdated;
    return result;
}

} // namespace torvane
