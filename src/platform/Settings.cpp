#include "platform/Settings.h"

#include "platform/Error.h"
#include "platform/Files.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <mutex>
#include <set>
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

// Reads up to `limit` bytes; the rest of a longer file stays unread.
bool ReadWholeFile(int fd, std::string& text, std::int64_t limit) {
    char buffer[4096];
    while (static_cast<std::int64_t>(text.size()) < limit) {
        const auto want =
            std::min<std::int64_t>(sizeof buffer, limit - static_cast<std::int64_t>(text.size()));
        const auto n = ::read(fd, buffer, static_cast<size_t>(want));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) break;
        text.append(buffer, static_cast<size_t>(n));
    }
    return true;
}

// What one look at the store file found.
struct StoreContent {
    enum class State { Missing, Ok, SetAside, Unreadable } Status = State::Missing;
    bool WriteProtected = false;                 // read, and never written
    std::map<std::string, SettingsValue> Values; // of our key
    // The file's lines as they are: a write changes only the lines of the values it changes, so that
    // comments, blank lines and other keys' sections stay where the user put them.
    std::vector<std::string> Lines;
    std::map<std::string, std::size_t>
        ValueLine; // the line of each value of our key (the last, which counts)
    std::map<std::size_t, std::string> LineValue; // the value of our key on a line, earlier ones included
    std::optional<std::size_t> InsertAt;          // where a new value of our key goes; none without a section
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

std::string ReadProblem(const std::string& file, int err) {
    return "The settings file " + file + " cannot be read (" + std::strerror(err) +
           "); the default settings are used and the file is left as it is.";
}

// Keeps the user's file: sets it aside under a new name, after which the store reads as empty.
StoreContent SetAside(const std::string& file, const std::string& what) {
    StoreContent content;
    const auto aside = AsideName(file);
    if (std::rename(file.c_str(), aside.c_str()) != 0) {
        content.Status = StoreContent::State::Unreadable;
        SetProblem("The settings file " + file + " is " + what +
                   " and could not be set aside; the default settings are used and the file is left as "
                   "it is.");
        return content;
    }
    content.Status = StoreContent::State::SetAside;
    SetProblem("The settings file " + file + " is " + what + "; it was kept as " + aside +
               " and the default settings are used.");
    return content;
}

// Parses the text of the store; 0, or the number of the first line that is not a value of a key.
int Parse(const std::string& text, const std::string& key, StoreContent& content) {
    std::istringstream in(text);
    std::string raw;
    std::string section;
    int lineNo = 0;
    while (std::getline(in, raw)) {
        ++lineNo;
        content.Lines.push_back(raw);
        std::string line = raw;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        if (line.front() == '[' && line.back() == ']') {
            section = line.substr(1, line.size() - 2);
            if (section == key) content.InsertAt = content.Lines.size();
            continue;
        }
        const auto t1 = line.find('\t');
        const auto t2 = t1 == std::string::npos ? t1 : line.find('\t', t1 + 1);
        std::string name, value;
        if (section.empty() || t2 == std::string::npos || !Unescape(line.substr(0, t1), name) ||
            !Unescape(line.substr(t2 + 1), value))
            return lineNo;
        const auto type = line.substr(t1 + 1, t2 - t1 - 1);
        SettingsValue v;
        if (type == "sz") {
            v = SettingsValue::String(value);
        } else if (type == "dword") {
            char* end = nullptr;
            errno = 0;
            const auto n = std::strtoull(value.c_str(), &end, 10);
            if (value.empty() || value[0] == '-' || *end != '\0' || errno != 0 || n > 0xFFFFFFFFull)
                return lineNo;
            v.Type = SettingsType::DWord;
            v.Number = static_cast<std::uint32_t>(n);
        } else {
            return lineNo;
        }
        if (section == key) {
            content.Values[name] = v;
            content.ValueLine[name] = content.Lines.size() - 1;
            content.LineValue[content.Lines.size() - 1] = name;
            content.InsertAt = content.Lines.size();
        }
    }
    return 0;
}

// A store that the user has write-protected is read, and kept as it is: said once per program.
bool WriteProtected(int fd, const std::string& file) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return false;
    // No write permission for this user, or none for anybody: root, who may write any file, keeps the
    // protection the mode shows too.
    const bool protectedFile = (st.st_mode & 0222) == 0 || ::access(file.c_str(), W_OK) != 0;
    if (!protectedFile) return false;
    static std::atomic<bool> told{false};
    if (!told.exchange(true))
        SetProblem("The settings file " + file +
                   " is write-protected; it is read, and settings changed from now on will not be kept.");
    return true;
}

StoreContent Load(const std::string& key) {
    StoreContent content;
    const auto file = SettingsKey::StoreFile();
    if (file.empty()) {
        // Never a shared folder in its place, where another user could have put a store of their own.
        static std::atomic<bool> told{false};
        if (!told.exchange(true))
            SetProblem("No home folder is known for this user (no HOME, no entry in the password database); "
                       "the default settings are used and settings will not be kept.");
        content.WriteProtected = true;
        return content;
    }
    int fd;
    // Non-blocking: a FIFO in the store's place must not hold the program before it has even begun.
    do {
        fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR) return content;
        content.Status = StoreContent::State::Unreadable;
        SetProblem(ReadProblem(file, errno));
        return content;
    }
    // A file far larger than any store would cost seconds and memory at every operation that reads it.
    const std::string tooLarge =
        "larger than " + std::to_string(LargestSettingsFile / 1048576) + " MB, far more than settings take";
    struct stat st {};
    // A FIFO, a device or a socket in the store's place is no store: set aside like a damaged one (a
    // folder there, which holds files of its own, fails to read and is left alone).
    if (::fstat(fd, &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
        ::close(fd);
        return SetAside(file, "not a regular file");
    }
    if (st.st_size > LargestSettingsFile) {
        ::close(fd);
        return SetAside(file, tooLarge);
    }
    content.WriteProtected = WriteProtected(fd, file);
    std::string text;
    const bool read = ReadWholeFile(fd, text, LargestSettingsFile + 1);
    const int readErr = errno;
    ::close(fd);
    if (!read) {
        content.Status = StoreContent::State::Unreadable;
        SetProblem(ReadProblem(file, readErr));
        return content;
    }
    if (static_cast<std::int64_t>(text.size()) > LargestSettingsFile) return SetAside(file, tooLarge);
    // Editors that save "UTF-8 with BOM" put a byte-order mark first.
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);

    const int damagedLine = Parse(text, key, content);
    if (damagedLine == 0) {
        content.Status = StoreContent::State::Ok;
        return content;
    }
    return SetAside(file, "damaged (line " + std::to_string(damagedLine) + ")");
}

std::string ValueText(const std::string& name, const SettingsValue& v) {
    std::string line = Escape(name) + '\t';
    if (v.Type == SettingsType::String)
        line += "sz\t" + Escape(v.Text);
    else
        line += "dword\t" + std::to_string(v.Number);
    return line;
}

// The store with the changed values: a new store in the program's own layout, an existing one with only
// the changed values' lines changed, removed or added (after the last value of the key).
std::string Serialize(const std::string& key, const StoreContent& content,
                      const std::set<std::string>& changed) {
    std::ostringstream out;
    if (content.Lines.empty()) {
        out << kHeader << '\n' << '[' << key << "]\n";
        for (const auto& [name, v] : content.Values) out << ValueText(name, v) << '\n';
        return out.str();
    }
    std::vector<std::string> added;
    for (const auto& name : changed)
        if (content.ValueLine.count(name) == 0 && content.Values.count(name) != 0)
            added.push_back(ValueText(name, content.Values.at(name)));
    const auto addHere = [&] {
        for (const auto& line : added) out << line << '\n';
    };
    for (std::size_t i = 0; i < content.Lines.size(); ++i) {
        if (content.InsertAt == i) addHere();
        const auto named = content.LineValue.find(i);
        if (named == content.LineValue.end() || changed.count(named->second) == 0) {
            out << content.Lines[i] << '\n';
            continue;
        }
        // A changed value is written on its line; an earlier line of the same name, which the last one
        // overruled, goes.
        const auto& name = named->second;
        const auto v = content.Values.find(name);
        if (content.ValueLine.at(name) == i && v != content.Values.end())
            out << ValueText(name, v->second) << '\n';
    }
    if (content.InsertAt == content.Lines.size()) addHere();
    if (!content.InsertAt) {
        out << '[' << key << "]\n";
        addHere();
    }
    return out.str();
}

// Serialises writers of this process and of other instances of the program.
class StoreLock {
public:
    explicit StoreLock(const std::string& dir) {
        fd_ = ::open((dir + "/settings.lock").c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC,
                     0600);
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
    if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x == '/')
        base = x;
    else if (const auto home = HomeDirectory(); !home.empty())
        base = home + "/.config";
    else
        return {};
    return base + "/Quarnett/Torvane Test";
}

std::string SettingsKey::StoreFile() {
    const auto dir = StoreDirectory();
    return dir.empty() ? std::string() : dir + "/settings.conf";
}

std::string SettingsKey::TakeLoadProblem() {
    std::lock_guard lock(g_problemMutex);
    std::string r;
    r.swap(g_loadProblem);
    return r;
}

SettingsKey::SettingsKey(std::string key) : key_(std::move(key)) {}

std::optional<SettingsType> SettingsSnapshot::ValueType(const std::string& name) const {
    const auto* v = Find(name);
    if (!v) return std::nullopt;
    return v->Type;
}

const SettingsValue* SettingsSnapshot::Find(const std::string& name) const {
    const auto it = values_.find(name);
    return it == values_.end() ? nullptr : &it->second;
}

std::string SettingsSnapshot::ReadString(const std::string& name) const {
    const auto* v = Find(name);
    if (!v) throw Exception("Value '" + name + "' does not exist");
    if (v->Type != SettingsType::String) throw Exception("Invalid data type for '" + name + "'");
    return v->Text;
}

std::int32_t SettingsSnapshot::ReadInteger(const std::string& name) const {
    const auto* v = Find(name);
    if (!v) throw Exception("Value '" + name + "' does not exist");
    if (v->Type != SettingsType::DWord) throw Exception("Invalid data type for '" + name + "'");
    return static_cast<std::int32_t>(v->Number);
}

bool SettingsSnapshot::ReadBool(const std::string& name) const {
    return ReadInteger(name) != 0;
}

SettingsSnapshot SettingsKey::Read() const {
    SettingsSnapshot snapshot;
    snapshot.values_ = Load(key_).Values;
    return snapshot;
}

bool SettingsKey::ValueExists(const std::string& name) const {
    return Read().ValueExists(name);
}

std::optional<SettingsType> SettingsKey::ValueType(const std::string& name) const {
    return Read().ValueType(name);
}

std::string SettingsKey::ReadString(const std::string& name) const {
    return Read().ReadString(name);
}

std::int32_t SettingsKey::ReadInteger(const std::string& name) const {
    return Read().ReadInteger(name);
}

bool SettingsKey::ReadBool(const std::string& name) const {
    return Read().ReadBool(name);
}

void SettingsKey::Write(const std::vector<SettingsChange>& changes) {
    Apply(changes, false);
}

void SettingsKey::WriteString(const std::string& name, const std::string& value) {
    Apply({{name, SettingsValue::String(value)}}, false);
}

void SettingsKey::WriteInteger(const std::string& name, std::int32_t value) {
    Apply({{name, SettingsValue::Integer(value)}}, false);
}

void SettingsKey::WriteBool(const std::string& name, bool value) {
    WriteInteger(name, value ? 1 : 0);
}

bool SettingsKey::WriteStringIfAbsent(const std::string& name, const std::string& value) {
    return Apply({{name, SettingsValue::String(value)}}, true) != 0;
}

bool SettingsKey::DeleteValue(const std::string& name) {
    return Apply({{name, std::nullopt}}, false) != 0;
}

int SettingsKey::Apply(const std::vector<SettingsChange>& changes, bool onlyAbsent) {
    const auto dir = StoreDirectory();
    const auto file = StoreFile();
    // No home folder: nothing is kept (said when the store was read).
    if (dir.empty()) return 0;
    if (!MakeDirectories(dir)) {
        const int err = errno;
        throw ESettingsWriteError(file, "its folder cannot be made: " + std::string(std::strerror(err)), err);
    }

    std::lock_guard threads(g_writeMutex);
    StoreLock processes(dir);
    auto content = Load(key_);
    if (content.Status == StoreContent::State::Unreadable)
        throw ESettingsWriteError(file, "the file that is there cannot be read, so it is not replaced");
    // Said once when it was read: nothing is written, and nothing fails.
    if (content.WriteProtected) return 0;
    std::set<std::string> changed;
    for (const auto& change : changes) {
        const bool had = content.Values.count(change.Name) != 0;
        if (change.Value) {
            if (had && onlyAbsent) continue;
            content.Values[change.Name] = *change.Value;
            changed.insert(change.Name);
        } else if (had) {
            content.Values.erase(change.Name);
            changed.insert(change.Name);
        }
    }
    if (changed.empty()) return 0;
    try {
        // The store holds the user's own settings: readable by the owner alone.
        WriteFileAtomically(file, Serialize(key_, content, changed), 0600);
    } catch (const EFileError& e) {
        const auto reason = e.Reason();
        throw ESettingsWriteError(file, reason.empty() ? "it cannot be written" : reason, e.ErrorCode);
    } catch (const Exception& e) {
        throw ESettingsWriteError(file, e.what(), e.ErrorCode);
    }
    return static_cast<int>(changed.size());
}

} // namespace torvane
