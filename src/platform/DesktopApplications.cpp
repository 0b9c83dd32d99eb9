#include "platform/DesktopApplications.h"

#include "platform/Files.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <map>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace torvane {

namespace {

using Group = std::map<std::string, std::string>;
using KeyFile = std::map<std::string, Group>;

// The desktop's key files: "[Group]" headers and "Key=Value" lines; comments and blank lines skipped.
// A key given twice keeps its first value, as the readers of these files do.
std::optional<KeyFile> ReadKeyFile(const std::string& path) {
    // Only a file: a FIFO in a folder of entries would hold the caller in the open.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    std::ifstream in(path);
    if (!in) return std::nullopt;
    KeyFile file;
    Group* group = nullptr;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        if (line[0] == '[') {
            const auto end = line.find(']');
            group = end == std::string::npos ? nullptr : &file[line.substr(1, end - 1)];
            continue;
        }
        const auto eq = line.find('=');
        if (!group || eq == std::string::npos) continue;
        auto key = line.substr(0, eq);
        while (!key.empty() && key.back() == ' ') key.pop_back();
        auto value = line.substr(eq + 1);
        value.erase(0, value.find_first_not_of(' '));
        group->emplace(std::move(key), std::move(value));
    }
    return file;
}

std::string Value(const KeyFile& file, const std::string& group, const std::string& key) {
    const auto g = file.find(group);
    if (g == file.end()) return {};
    const auto v = g->second.find(key);
    return v == g->second.end() ? std::string() : v->second;
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> items;
    size_t at = 0;
    while (at <= text.size()) {
        auto end = text.find(separator, at);
        if (end == std::string::npos) end = text.size();
        if (end > at) items.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return items;
}

// An absolute folder from the environment, else the one under the home folder.
std::string UserFolder(const char* variable, const char* underHome) {
    if (const char* v = std::getenv(variable); v && *v == '/') return v;
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + "/" + underHome;
}

// The absolute folders of a colon list from the environment, else the standard ones.
std::vector<std::string> SystemFolders(const char* variable, const char* standard) {
    const char* v = std::getenv(variable);
    std::vector<std::string> folders;
    for (const auto& folder : Split(v && *v ? v : standard, ':'))
        if (folder[0] == '/') folders.push_back(folder);
    return folders;
}

bool Executable(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// A program name as the desktop starts it: a path as it stands, a bare name from PATH.
bool ProgramFound(const std::string& program) {
    if (program.empty()) return false;
    if (program.find('/') != std::string::npos) return Executable(program);
    const char* path = std::getenv("PATH");
    for (const auto& folder : Split(path ? path : "/usr/local/bin:/usr/bin:/bin", ':'))
        if (Executable(folder + "/" + program)) return true;
    return false;
}

// The entry of a desktop file ID in one applications folder: "kde4-kate.desktop" may be kde4/kate.desktop.
std::optional<std::string> FindEntry(const std::string& folder, const std::string& id) {
    if (id.empty() || id.find('/') != std::string::npos) return std::nullopt;
    if (FileExists(folder + id) && !DirectoryExists(folder + id)) return folder + id;
    for (auto dash = id.find('-'); dash != std::string::npos; dash = id.find('-', dash + 1)) {
        const auto sub = folder + id.substr(0, dash) + "/";
        if (!DirectoryExists(sub)) continue;
        if (auto found = FindEntry(sub, id.substr(dash + 1))) return found;
    }
    return std::nullopt;
}

// The installed application of an ID: the entry of the folder of highest precedence that has one, where
// it is a usable application (a user's hidden copy removes the system's).
std::optional<DesktopApplication> Installed(const std::string& id, const DesktopFolders& folders) {
    for (const auto& data : folders.Data) {
        const auto path = FindEntry(data + "/applications/", id);
        if (!path) continue;
        const auto file = ReadKeyFile(*path);
        if (!file) return std::nullopt;
        const std::string group = "Desktop Entry";
        const auto exec = Value(*file, group, "Exec");
        const auto tryExec = Value(*file, group, "TryExec");
        if (Value(*file, group, "Type") != "Application" || Value(*file, group, "Hidden") == "true" ||
            exec.empty() || (!tryExec.empty() && !ProgramFound(tryExec)))
            return std::nullopt;
        DesktopApplication app;
        app.Id = id;
        app.EntryPath = *path;
        app.Terminal = Value(*file, group, "Terminal") == "true";
        app.Program = ExecProgram(exec);
        app.ProgramFound = ProgramFound(app.Program);
        return app;
    }
    return std::nullopt;
}

// The IDs of the entries of one applications folder that name the type: from the desktop's cache where
// there is one (the order the desktop's own tools use), else from the entries themselves, in name order.
std::vector<std::string> EntriesNaming(const std::string& folder, const std::string& mimeType,
                                       const std::string& prefix = {}) {
    if (prefix.empty())
        if (const auto cache = ReadKeyFile(folder + "mimeinfo.cache"))
            return Split(Value(*cache, "MIME Cache", mimeType), ';');
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* e = ::readdir(dir)) names.emplace_back(e->d_name);
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    std::vector<std::string> ids;
    for (const auto& name : names) {
        if (name == "." || name == "..") continue;
        const auto path = folder + name;
        // Folders as they are, not through links, which could lead round in a circle.
        struct stat st {};
        if (::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
            for (auto& id : EntriesNaming(path + "/", mimeType, prefix + name + "-"))
                ids.push_back(std::move(id));
        } else if (name.size() > 8 && name.compare(name.size() - 8, 8, ".desktop") == 0) {
            const auto file = ReadKeyFile(path);
            if (!file) continue;
            const auto types = Split(Value(*file, "Desktop Entry", "MimeType"), ';');
            if (std::find(types.begin(), types.end(), mimeType) != types.end()) ids.push_back(prefix + name);
        }
    }
    return ids;
}

} // namespace

DesktopFolders DesktopFolders::FromEnvironment() {
    DesktopFolders folders;
    folders.Config.push_back(UserFolder("XDG_CONFIG_HOME", ".config"));
    for (auto& f : SystemFolders("XDG_CONFIG_DIRS", "/etc/xdg")) folders.Config.push_back(std::move(f));
    folders.Data.push_back(UserFolder("XDG_DATA_HOME", ".local/share"));
    for (auto& f : SystemFolders("XDG_DATA_DIRS", "/usr/local/share:/usr/share"))
        folders.Data.push_back(std::move(f));
    const char* desktops = std::getenv("XDG_CURRENT_DESKTOP");
    for (auto name : Split(desktops ? desktops : "", ':')) {
        std::transform(name.begin(), name.end(), name.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        folders.Desktops.push_back(std::move(name));
    }
    return folders;
}

std::optional<DesktopApplication> DefaultApplicationFor(const std::string& mimeType,
                                                        const DesktopFolders& folders) {
    // Every list in order of precedence: the desktop-specific lists of a folder before its common one;
    // the applications folders also hold the older defaults.list.
    struct Level {
        std::vector<KeyFile> Lists;
        std::string Applications; // the applications folder whose entries come after its lists
    };
    std::vector<Level> levels;
    const auto listsOf = [&](const std::string& folder, bool applications) {
        Level level;
        std::vector<std::string> names;
        for (const auto& desktop : folders.Desktops) names.push_back(desktop + "-mimeapps.list");
        names.push_back("mimeapps.list");
        if (applications) names.push_back("defaults.list");
        for (const auto& name : names)
            if (auto file = ReadKeyFile(folder + "/" + name)) level.Lists.push_back(std::move(*file));
        if (applications) level.Applications = folder + "/";
        levels.push_back(std::move(level));
    };
    for (const auto& config : folders.Config) listsOf(config, false);
    for (const auto& data : folders.Data) listsOf(data + "/applications", true);

    for (const auto& level : levels)
        for (const auto& list : level.Lists)
            for (const auto& id : Split(Value(list, "Default Applications", mimeType), ';'))
                if (auto app = Installed(id, folders)) return app;

    // No default: the associations, where no list of higher precedence removed them.
    std::set<std::string> removed;
    for (const auto& level : levels) {
        // A removal holds for the entries of its own folder and of every folder after it.
        for (const auto& list : level.Lists)
            for (auto& id : Split(Value(list, "Removed Associations", mimeType), ';'))
                removed.insert(std::move(id));
        std::vector<std::string> candidates;
        for (const auto& list : level.Lists)
            for (auto& id : Split(Value(list, "Added Associations", mimeType), ';'))
                candidates.push_back(std::move(id));
        if (!level.Applications.empty())
            for (auto& id : EntriesNaming(level.Applications, mimeType)) candidates.push_back(std::move(id));
        for (const auto& id : candidates)
            if (!removed.count(id))
                if (auto app = Installed(id, folders)) return app;
    }
    return std::nullopt;
}

bool ShowsInAWindow(const DesktopApplication& application) {
    return application.ProgramFound && !application.Terminal;
}

std::string ExecProgram(const std::string& exec) {
    // The string escapes of the key file first, then the Exec quoting of the first word.
    std::string text;
    for (size_t i = 0; i < exec.size(); ++i) {
        if (exec[i] == '\\' && i + 1 < exec.size()) {
            const char c = exec[++i];
            text += c == 's' ? ' ' : c == 'n' ? '\n' : c == 't' ? '\t' : c == 'r' ? '\r' : c;
        } else {
            text += exec[i];
        }
    }
    std::string word;
    size_t i = text.find_first_not_of(' ');
    if (i == std::string::npos) return {};
    if (text[i] == '"') {
        for (++i; i < text.size() && text[i] != '"'; ++i) {
            if (text[i] == '\\' && i + 1 < text.size()) ++i;
            word += text[i];
        }
        return word;
    }
    const auto end = text.find(' ', i);
    return text.substr(i, end == std::string::npos ? std::string::npos : end - i);
}

} // namespace torvane
