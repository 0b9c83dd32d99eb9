// What the program asks of the desktop beside settings and files: the processor count and type, time and
// date in the user's formats, and the registration of the certificate file type.

#include "common/SavedVariable.h"
#include "common/TempDir.h"
#include "platform/FileTypes.h"
#include "platform/Files.h"
#include "platform/LocaleTime.h"
#include "platform/SystemInfo.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sys/stat.h>

namespace torvane::test {
namespace {

TEST(SystemInfo, ProcessorTypeFromTheKernelsFamily) {
    EXPECT_EQ(
        X86FamilyFromCpuinfo("processor\t: 0\nvendor_id\t: GenuineIntel\ncpu family\t: 6\nmodel\t\t: 85\n"),
        6);
    EXPECT_EQ(X86FamilyFromCpuinfo("processor\t: 0\nBogoMIPS\t: 48.00\n"), -1); // not an x86
    EXPECT_EQ(X86FamilyFromCpuinfo("cpu family\t: x\n"), -1);
    EXPECT_EQ(ProcessorTypeOfFamily(3), 386u);
    EXPECT_EQ(ProcessorTypeOfFamily(4), 486u);
    EXPECT_EQ(ProcessorTypeOfFamily(5), 586u);
    EXPECT_EQ(ProcessorTypeOfFamily(25), 586u);
    EXPECT_EQ(ProcessorTypeOfFamily(2), 0u);
    EXPECT_EQ(ProcessorTypeOfFamily(-1), 0u);
    EXPECT_GE(SystemProcessors().NumberOfProcessors, 1u);
}

TEST(LocaleTime, TheLocalesFormatsOrNeutralOnes) {
    const LocalDateTime when{2025, 7, 8, 14, 5, 9};
    EXPECT_EQ(LocaleTimeText(when, "C"), "14:05:09");
    EXPECT_EQ(LocaleDateText(when, "C"), "07/08/25");
    EXPECT_EQ(LocaleTimeText(when, "xx_NOWHERE.UTF-8"), "14:05:09");
    EXPECT_EQ(LocaleDateText(when, "xx_NOWHERE.UTF-8"), "2025-07-08");
    EXPECT_FALSE(LocaleTimeText(when).empty());
    EXPECT_FALSE(LocaleDateText(when).empty());
}

// How a desktop reads an Exec value: the string escapes first, then the quoting, then "%%".
std::vector<std::string> ReadExec(const std::string& value) {
    std::string unescaped;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            const char c = value[++i];
            unescaped += c == 'n' ? '\n' : c == 't' ? '\t' : c == 'r' ? '\r' : c == 's' ? ' ' : c;
        } else {
            unescaped += value[i];
        }
    }
    std::vector<std::string> args;
    std::string arg;
    bool quoted = false, any = false;
    for (size_t i = 0; i < unescaped.size(); ++i) {
        const char c = unescaped[i];
        if (quoted && c == '\\' && i + 1 < unescaped.size()) {
            arg += unescaped[++i];
        } else if (c == '"') {
            quoted = !quoted;
            any = true;
        } else if (c == ' ' && !quoted) {
            if (any || !arg.empty()) args.push_back(arg);
            arg.clear();
            any = false;
        } else if (c == '%' && i + 1 < unescaped.size() && unescaped[i + 1] == '%') {
            arg += '%';
            ++i;
        } else if (c == '%' && !quoted && arg.empty() && i + 1 < unescaped.size() &&
                   (i + 2 == unescaped.size() || unescaped[i + 2] == ' ')) {
            arg = unescaped.substr(i, 2); // a field code, an argument of its own
            ++i;
        } else if (c == '%') {
            return {"a lone percent sign"}; // the desktop would take it for a field code, or refuse it
        } else {
            arg += c;
        }
    }
    if (any || !arg.empty()) args.push_back(arg);
    return args;
}

std::string ExecValue(const std::string& entry) {
    const auto at = entry.find("\nExec=");
    return entry.substr(at + 6, entry.find('\n', at + 1) - at - 6);
}

TEST(FileTypes, TheExecLineCarriesAnyProgramPathWhole) {
    for (const std::string path :
         {"/usr/bin/torvane", "/home/a b/Torvane Test/torvane", "/opt/\"q\"/$HOME/`x`/torvane",
          "/opt/back\\slash/100%/50%f/torvane", "/opt/100%/50%f/torvane", "/opt/tab\there/torvane"}) {
        const auto args = ReadExec(ExecValue(CertificateDesktopEntry(path)));
        ASSERT_EQ(args.size(), 2u) << path;
        EXPECT_EQ(args[0], path);
        EXPECT_EQ(args[1], "%f");
    }
    EXPECT_EQ(DesktopExecLine("/a b/t"), "\"/a b/t\" %f");
    // A plain path stays plain, for launchers that cannot take quotes.
    EXPECT_EQ(DesktopExecLine("/usr/bin/torvane"), "/usr/bin/torvane %f");
    EXPECT_EQ(DesktopExecLine("/opt/100%/torvane"), "/opt/100%%/torvane %f");
    // A backslash is escaped for the quoting and again for the string: four in the file.
    EXPECT_NE(CertificateDesktopEntry("/a\\b").find("Exec=\"/a\\\\\\\\b\" %f\n"), std::string::npos);
}

TEST(FileTypes, WrittenIntoTheUsersDataFolderEveryTime) {
    TempDir dir;
    SavedVariable data("XDG_DATA_HOME", dir / "data");
    SavedVariable path("PATH", dir.Path()); // no cache tools: the files alone
    EXPECT_EQ(UserDataDirectory(), dir / "data/");
    const auto first = RegisterCertificateFileType("/opt/a b/torvane", "PNG");
    EXPECT_TRUE(first.CachesUpdated);
    EXPECT_EQ(first.DesktopEntry, dir / "data/applications/torvane-certificate.desktop");
    EXPECT_EQ(ReadBytes(first.MimePackage), ReadBytes(dir / "data/mime/packages/torvane-certificate.xml"));
    const auto entry = ReadBytes(first.DesktopEntry);
    const std::string text(entry.begin(), entry.end());
    EXPECT_NE(text.find("MimeType=application/x-torvane-certificate;\n"), std::string::npos);
    EXPECT_NE(text.find("Exec=\"/opt/a b/torvane\" %f\n"), std::string::npos);
    const auto mime = ReadBytes(first.MimePackage);
    EXPECT_NE(std::string(mime.begin(), mime.end()).find("<glob pattern=\"*.tvc\"/>"), std::string::npos);
    EXPECT_TRUE(FileExists(dir / "data/icons/hicolor/48x48/apps/torvane-certificate.png"));

    // A second run rewrites the same files and leaves nothing else behind; a moved program is followed.
    RegisterCertificateFileType("/opt/a b/torvane", "PNG");
    EXPECT_EQ(ReadBytes(first.DesktopEntry), entry);
    size_t files = 0;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir / "data"))
        files += e.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 3u);
    RegisterCertificateFileType("/new/place/torvane");
    const auto moved = ReadBytes(first.DesktopEntry);
    EXPECT_NE(std::string(moved.begin(), moved.end()).find("Exec=/new/place/torvane %f"), std::string::npos);

    // Without XDG_DATA_HOME (or with a relative one) the home folder's.
    SavedVariable relative("XDG_DATA_HOME", "relative/dir");
    SavedVariable home("HOME", dir / "home");
    EXPECT_EQ(UserDataDirectory(), dir / "home/.local/share/");
}

TEST(FileTypes, AnInstallationRegistersWhatRegisterFileTypeDoes) {
    // The package's system-wide files are the user's registration for the installed program, so that the
    // two never disagree about the type, its icon or the viewer's entry.
    const std::string packaging = TORVANE_PACKAGING_DIR;
    const auto text = [](const std::string& path) {
        const auto bytes = ReadBytes(path);
        return std::string(bytes.begin(), bytes.end());
    };
    EXPECT_EQ(text(packaging + "/torvane-certificate.xml"), CertificateMimePackage());
    EXPECT_EQ(text(packaging + "/torvane-certificate.desktop"), CertificateDesktopEntry("torvane"));
    EXPECT_EQ(std::string(kCertificateDesktopEntry), "torvane-certificate.desktop");
}

TEST(FileTypes, FailuresNameWhatCouldNotBeWritten) {
    TempDir dir;
    SavedVariable path("PATH", dir.Path());
    dir.Write("file", "in the way");
    {
        SavedVariable data("XDG_DATA_HOME", dir / "file/data");
        try {
            RegisterCertificateFileType("/p/torvane");
            FAIL();
        } catch (const ERegistryError& e) {
            EXPECT_EQ(std::string(e.what()), "Failed to create key " + dir / "file/data/mime/packages/");
        }
    }
    SavedVariable data("XDG_DATA_HOME", dir / "data");
    std::filesystem::create_directories(dir / "data/applications/torvane-certificate.desktop");
    try {
        RegisterCertificateFileType("/p/torvane");
        FAIL();
    } catch (const ERegistryError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Failed to set data for '" + dir / "data/applications/torvane-certificate.desktop" + "'");
    }
    // What was written before stays written.
    EXPECT_TRUE(FileExists(dir / "data/mime/packages/torvane-certificate.xml"));
}

// The desktop's own tools, where the machine has them, find the type and the program for it.
TEST(FileTypes, TheDesktopToolsFindTypeAndProgram) {
    for (const char* tool : {"xdg-mime", "update-mime-database", "mimetype"})
        if (std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) != 0)
            GTEST_SKIP() << tool << " is not installed";
    TempDir dir;
    SavedVariable data("XDG_DATA_HOME", dir / "data");
    SavedVariable config("XDG_CONFIG_HOME", dir / "config");
    SavedVariable desktop("XDG_CURRENT_DESKTOP", "");
    const auto result = RegisterCertificateFileType("/opt/torvane/torvane");
    EXPECT_TRUE(result.CachesUpdated);
    const auto sample = dir.Write("x.tvc", "anything");
    auto run = [](const std::string& command) {
        std::string out;
        if (FILE* p = ::popen(command.c_str(), "r")) {
            char buffer[256];
            while (std::fgets(buffer, sizeof buffer, p)) out += buffer;
            ::pclose(p);
        }
        return out;
    };
    EXPECT_EQ(run("xdg-mime query filetype '" + sample + "'"), "application/x-torvane-certificate\n");
    EXPECT_EQ(run("xdg-mime query default application/x-torvane-certificate"),
              "torvane-certificate.desktop\n");
}

} // namespace
} // namespace torvane::test
