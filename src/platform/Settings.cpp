#include "platform/Settings.h"

#include "platform/Error.h"
#include "platform/Files.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <mutex>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace torvane {

namespace {

std::mutex g_problemMutex;
std::string g_loadProblem;

void SetProblem(std::string message) {
    std::lock_guard lock(g_problemMutex);
    g_loadProblem = std::move(message);
}

const char* const kHeader = "# Torvane Test settings";

std::string Escape(const std::string& s) {
    std::string r;
    r.reserve(s.size());
    for (char c : s) {
        switch (c) {
        case '\\':
            r += "\\\\";
            break;
        case '\t':
            r += "\\t";
            break;
        case '\n':
            r += "\\n";
            break;
        case '\r':
            r += "\\r";
            break;
        default:
            r += c;
        }
    }
    return r;
}

bool Unescape(const std::string& s, std::string& out) {
    out.clear();
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\') {
            out += s[i];
            continue;
        }
        if (++i >= s.size()) return false;
        switch (s[i]) {
        case '\\':
            out += '\\';
            break;
        case 't':
            out += '\t';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        default:
            return false;
        }
    }
    return true;
}

bool MakeDirectories(const std::string& dir) {
    std::string partial;
    std::stringstream ss(dir);
    std::string part;
    if (!dir.empty() && dir[0] == '/') partial = "/";
    while (std::getline(ss, part, '/')) {
        if (part.empty()) continue;
        partial += part + "/";
        if (::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    return true;
}

bool ReadWholeFile(int fd, std::string& text) {
    char buffer[4096];
    for (;;) {
        const auto n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return true;
        text.append(buffer, static_cast<size_t>(n));
    }
}

// What one look at the store file found.
struct StoreContent {
    enum class State { Missing, Ok, SetAside, Unreadable } Status = State::Missing;
    std::map<std::string, SettingsValue> Values; // of our key
    std::vector<std::string> OtherLines;         // other keys' sections, carried over verbatim
};

// A unique name beside the damaged file, so that an earlier set-aside copy is never replaced.
std::string AsideName(const std::string& file) {
    char stamp[32];
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &tm);
    std::string name = file + ".damaged-" + stamp;
    struct stat st {};
    for (int i = 2; ::lstat(name.c_str(), &st) == 0; ++i)
        name = file + ".damaged-" + stamp + "-" + std::to_string(i);
    return name;
}

StoreContent Load(const std::string& key) {
    StoreContent content;
    const auto file = SettingsKey::StoreFile();
    int fd;
    do {
        fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR) return content;
        const int err = errno;
        content.Status = StoreContent::State::Unreadable;
        SetProblem("The settings file " + file + " cannot be read (" + std::strerror(err) +
                   "); the default settings are used and the file is left as it is.");
        return content;
    }
    std::string text;
    const bool read = ReadWholeFile(fd, text);
    const int readErr = errno;
    ::close(fd);
    if (!read) {
        content.Status = StoreContent::State::Unreadable;
        SetProblem("The settings file " + file + " cannot be read (" + std::strerror(readErr) +
                   "); the default settings are used and the file is left as it is.");
        return content;
    }

    std::istringstream in(text);
    std::string line;
    std::string section;
    int lineNo = 0;
    int damagedLine = 0;
    while (std::getline(in, line)) {
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        if (line.front() == '[' && line.back() == ']') {
            section = line.substr(1, line.size() - 2);
            if (section != key) content.OtherLines.push_back(line);
            continue;
        }
        const auto t1 = line.find('\t');
        const auto t2 = t1 == std::string::npos ? t1 : line.find('\t', t1 + 1);
        std::string name, value;
        if (section.empty() || t2 == std::string::npos || !Unescape(line.substr(0, t1), name) ||
            !Unescape(line.substr(t2 + 1), value)) {
            damagedLine = lineNo;
            break;
        }
        const auto type = line.substr(t1 + 1, t2 - t1 - 1);
        SettingsValue v;
        if (type == "sz") {
            v.Type = SettingsType::String;
            v.Text = value;
        } else if (type == "dword") {
            char* end = nullptr;
            errno = 0;
            const auto n = std::strtoull(value.c_str(), &end, 10);
            if (value.empty() || value[0] == '-' || *end != '\0' || errno != 0 || n > 0xFFFFFFFFull) {
                damagedLine = lineNo;
                break;
            }
            v.Type = SettingsType::DWord;
            v.Number = static_cast<std::uint32_t>(n);
        } else {
            damagedLine = lineNo;
            break;
        }
        if (section == key)
            content.Values[name] = v;
        else
            content.OtherLines.push_back(line);
    }
    if (damagedLine == 0) {
        content.Status = StoreContent::State::Ok;
        return content;
    }

    // Keep the user's file: set it aside under a new name and go on as with an empty store.
    const auto aside = AsideName(file);
    content = StoreContent{};
    if (std::rename(file.c_str(), aside.c_str()) != 0) {
        content.Status = StoreContent::State::Unreadable;
        SetProblem("The settings file " + file + " is damaged (line " + std::to_string(damagedLine) +
                   ") and could not be set aside; the default settings are used and the file is left "
                   "as it is.");
        return content;
    }
    content.Status = StoreContent::State::SetAside;
    SetProblem("The settings file " + file + " is damaged (line " + std::to_string(damagedLine) +
               "); it was kept as " + aside + " and the default settings are used.");
    return content;
}

std::string Serialize(const std::string& key, const StoreContent& content) {
    std::ostringstream out;
    out << kHeader << '\n' << '[' << key << "]\n";
    for (const auto& [name, v] : content.Values) {
        out << Escape(name) << '\t';
        if (v.Type == SettingsType::String)
            out << "sz\t" << Escape(v.Text);
        else
            out << "dword\t" << v.Number;
        out << '\n';
    }
    for (const auto& line : content.OtherLines) out << line << '\n';
    return out.str();
}

// Serialises writers of this process and of other instances of the program.
class StoreLock {
public:
    explicit StoreLock(const std::string& dir) {
        fd_ = ::open((dir + "/settings.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ >= 0)
            while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
            }
    }
    ~StoreLock() {
        if (fd_ >= 0) ::close(fd_); // closing releases the lock
    }
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;

private:
    int fd_ = -1;
};

std::mutex g_writeMutex;
} // namespace

std::string SettingsKey::StoreDirectory() {
    if (const char* d = std::getenv("TORVANE_CONFIG_DIR"); d && *d) return d;
    std::string base;
    if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x)
        base = x;
    else if (const char* h = std::getenv("HOME"); h && *h)
        base = std::string(h) + "/.config";
    else
        base = "/tmp";
    return base + "/Quarnett/Torvane Test";
}

std::string SettingsKey::StoreFile() {
    return StoreDirectory() + "/settings.conf";
}

std::string SettingsKey::TakeLoadProblem() {
    std::lock_guard lock(g_problemMutex);
    std::string r;
    r.swap(g_loadProblem);
    return r;
}

SettingsKey::SettingsKey(std::string key) : key_(std::move(key)) {}

std::optional<SettingsValue> SettingsKey::Find(const std::string& name) const {
    const auto content = Load(key_);
    const auto it = content.Values.find(name);
    if (it == content.Values.end()) return std::nullopt;
    return it->second;
}

bool SettingsKey::ValueExists(const std::string& name) const {
    return Find(name).has_value();
}

std::optional<SettingsType> SettingsKey::ValueType(const std::string& name) const {
    const auto v = Find(name);
    if (!v) return std::nullopt;
    return v->Type;
}

std::string SettingsKey::ReadString(const std::string& name) const {
    const auto v = Find(name);
    if (!v) throw Exception("Value '" + name + "' does not exist");
    if (v->Type != SettingsType::String) throw Exception("Invalid data type for '" + name + "'");
    return v->Text;
}

std::int32_t SettingsKey::ReadInteger(const std::string& name) const {
    const auto v = Find(name);
    if (!v) throw Exception("Value '" + name + "' does not exist");
    if (v->Type != SettingsType::DWord) throw Exception("Invalid data type for '" + name + "'");
    return static_cast<std::int32_t>(v->Number);
}

bool SettingsKey::ReadBool(const std::string& name) const {
    return ReadInteger(name) != 0;
}

void SettingsKey::WriteString(const std::string& name, const std::string& value) {
    Change(name, SettingsValue{SettingsType::String, value, 0}, nullptr);
}

void SettingsKey::WriteInteger(const std::string& name, std::int32_t value) {
    Change(name, SettingsValue{SettingsType::DWord, {}, static_cast<std::uint32_t>(value)}, nullptr);
}

void SettingsKey::WriteBool(const std::string& name, bool value) {
    WriteInteger(name, value ? 1 : 0);
}

bool SettingsKey::DeleteValue(const std::string& name) {
    bool existed = false;
    Change(name, std::nullopt, &existed);
    return existed;
}

void SettingsKey::Change(const std::string& name, const std::optional<SettingsValue>& value, bool* existed) {
    const auto dir = StoreDirectory();
    const auto file = StoreFile();
    if (!MakeDirectories(dir)) throw EFCreateError(file);

    std::lock_guard threads(g_writeMutex);
    StoreLock processes(dir);
    auto content = Load(key_);
    if (content.Status == StoreContent::State::Unreadable) throw EFCreateError(file);
    const bool had = content.Values.count(name) != 0;
    if (existed) *existed = had;
    if (value)
        content.Values[name] = *value;
    else if (!had)
        return;
    else
        content.Values.erase(name);
    // The store holds the user's own settings: readable by the owner alone.
    WriteFileAtomically(file, Serialize(key_, content), 0600);
}

} // namespace torvane
