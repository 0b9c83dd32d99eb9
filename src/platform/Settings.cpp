#include "platform/Settings.h"

#include "platform/Error.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <mutex>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace torvane {

namespace {

std::mutex g_problemMutex;
std::string g_loadProblem;

// Values are stored one per line as  name<TAB>type<TAB>value  with \\, \t, \n and \r escaped.
std::string Escape(const std::string& s) {
    std::string r;
    r.reserve(s.size());
    for (char c : s) {
        switch (c) {
        case '\\': r += "\\\\"; break;
        case '\t': r += "\\t"; break;
        case '\n': r += "\\n"; break;
        case '\r': r += "\\r"; break;
        default: r += c;
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
        case '\\': out += '\\'; break;
        case 't': out += '\t'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        default: return false;
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

const char* kHeader = "# Torvane Test settings";

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

std::string SettingsKey::StoreFile() { return StoreDirectory() + "/settings.conf"; }

std::string SettingsKey::TakeLoadProblem() {
    std::lock_guard lock(g_problemMutex);
    std::string r;
    r.swap(g_loadProblem);
    return r;
}

SettingsKey::SettingsKey(std::string key) : key_(std::move(key)) {
    const auto file = StoreFile();
    std::ifstream in(file, std::ios::binary);
    if (!in) return; // no store yet: an empty key

    std::string line;
    std::string section;
    bool damaged = false;
    int lineNo = 0;
    std::map<std::string, SettingsValue> loaded;
    while (std::getline(in, line)) {
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        if (line.front() == '[' && line.back() == ']') {
            section = line.substr(1, line.size() - 2);
            continue;
        }
        const auto t1 = line.find('\t');
        const auto t2 = t1 == std::string::npos ? t1 : line.find('\t', t1 + 1);
        std::string name, value;
        if (t2 == std::string::npos || !Unescape(line.substr(0, t1), name) ||
            !Unescape(line.substr(t2 + 1), value)) {
            damaged = true;
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
            if (value.empty() || *end != '\0' || errno != 0 || n > 0xFFFFFFFFull) {
                damaged = true;
                break;
            }
            v.Type = SettingsType::DWord;
            v.Number = static_cast<std::uint32_t>(n);
        } else {
            damaged = true;
            break;
        }
        if (section == key_) loaded[name] = v;
    }
    if (!damaged) {
        values_ = std::move(loaded);
        return;
    }
    // Keep the user's file: set it aside under a new name and start from an empty key.
    in.close();
    const auto aside = file + ".damaged-" + std::to_string(static_cast<long long>(std::time(nullptr)));
    std::rename(file.c_str(), aside.c_str());
    std::lock_guard lock(g_problemMutex);
    g_loadProblem = "The settings file " + file + " could not be read (line " + std::to_string(lineNo) +
                    "); it was kept as " + aside + " and the default settings are used.";
}

bool SettingsKey::ValueExists(const std::string& name) const { return values_.count(name) != 0; }

std::optional<SettingsType> SettingsKey::ValueType(const std::string& name) const {
    const auto it = values_.find(name);
    if (it == values_.end()) return std::nullopt;
    return it->second.Type;
}

std::string SettingsKey::ReadString(const std::string& name) const {
    const auto it = values_.find(name);
    if (it == values_.end()) throw Exception("Value '" + name + "' does not exist");
    if (it->second.Type != SettingsType::String) throw Exception("Invalid data type for '" + name + "'");
    return it->second.Text;
}

std::int32_t SettingsKey::ReadInteger(const std::string& name) const {
    const auto it = values_.find(name);
    if (it == values_.end()) throw Exception("Value '" + name + "' does not exist");
    if (it->second.Type != SettingsType::DWord) throw Exception("Invalid data type for '" + name + "'");
    return static_cast<std::int32_t>(it->second.Number);
}

bool SettingsKey::ReadBool(const std::string& name) const { return ReadInteger(name) != 0; }

void SettingsKey::WriteString(const std::string& name, const std::string& value) {
    values_[name] = SettingsValue{SettingsType::String, value, 0};
    Save();
}

void SettingsKey::WriteInteger(const std::string& name, std::int32_t value) {
    values_[name] = SettingsValue{SettingsType::DWord, {}, static_cast<std::uint32_t>(value)};
    Save();
}

void SettingsKey::WriteBool(const std::string& name, bool value) { WriteInteger(name, value ? 1 : 0); }

bool SettingsKey::DeleteValue(const std::string& name) {
    if (values_.erase(name) == 0) return false;
    Save();
    return true;
}

void SettingsKey::Save() const {
    const auto dir = StoreDirectory();
    const auto file = StoreFile();
    if (!MakeDirectories(dir)) throw EFCreateError(file);

    // Other keys in the same file are carried over untouched.
    std::ostringstream others;
    {
        std::ifstream in(file, std::ios::binary);
        std::string line, section;
        while (in && std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (!line.empty() && line.front() == '[' && line.back() == ']') {
                section = line.substr(1, line.size() - 2);
                if (section != key_) others << line << '\n';
                continue;
            }
            if (!section.empty() && section != key_ && !line.empty()) others << line << '\n';
        }
    }

    std::ostringstream out;
    out << kHeader << '\n' << '[' << key_ << "]\n";
    for (const auto& [name, v] : values_) {
        out << Escape(name) << '\t';
        if (v.Type == SettingsType::String)
            out << "sz\t" << Escape(v.Text);
        else
            out << "dword\t" << v.Number;
        out << '\n';
    }
    out << others.str();
    const auto text = out.str();

    const auto temp = file + ".tmp-" + std::to_string(::getpid());
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) throw EFCreateError(file);
    size_t done = 0;
    while (done < text.size()) {
        const auto n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            ::close(fd);
            ::unlink(temp.c_str());
            throw EFCreateError(file);
        }
        done += static_cast<size_t>(n);
    }
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    if (!synced || std::rename(temp.c_str(), file.c_str()) != 0) {
        ::unlink(temp.c_str());
        throw EFCreateError(file);
    }
}

} // namespace torvane
