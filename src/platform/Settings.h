#pragma once
// The settings store: typed values (text and 32-bit integer) under one key, kept in one file.
//
// Every operation opens the store file, reads or writes, and closes it again; nothing is held between
// operations, so a value written by one command (or by another instance of the program) is seen by the
// next read. A write re-reads the file under a lock and changes only its own value, then replaces the
// file atomically (temporary file, then rename), so a crash never leaves a half-written store.
//
// A store file that cannot be parsed is renamed aside, never overwritten, and the key reads as empty. A
// store file that exists but cannot be read is never replaced: writes fail with "Cannot create file".
// Either problem is kept for the program to show once (TakeLoadProblem).
//
// File format (UTF-8, one value per line, values escaped with \\ \t \n \r):
//   # Torvane Test settings
//   [software\Quarnett\Torvane Test]
//   Q1<TAB>sz<TAB>/tmp/
//   Q7<TAB>dword<TAB>204

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace torvane {

enum class SettingsType { String, DWord };

struct SettingsValue {
    SettingsType Type = SettingsType::String;
    std::string Text;         // String values
    std::uint32_t Number = 0; // DWord values
};

class SettingsKey {
public:
    static constexpr const char* DefaultKey = "software\\Quarnett\\Torvane Test";

    // Opening never fails and never creates anything; the file is created by the first write.
    explicit SettingsKey(std::string key = DefaultKey);

    bool ValueExists(const std::string& name) const;
    std::optional<SettingsType> ValueType(const std::string& name) const;

    // Reads fail with Exception "Invalid data type for '<name>'" on a value of the other type and
    // "Value '<name>' does not exist" on an absent one.
    std::string ReadString(const std::string& name) const;
    std::int32_t ReadInteger(const std::string& name) const;
    bool ReadBool(const std::string& name) const; // any non-zero integer is true

    // Each write is stored at once. Failures throw EFCreateError with the store's file name.
    void WriteString(const std::string& name, const std::string& value);
    void WriteInteger(const std::string& name, std::int32_t value);
    void WriteBool(const std::string& name, bool value);
    bool DeleteValue(const std::string& name);

    const std::string& Key() const { return key_; }

    // Directory and file of the store: $TORVANE_CONFIG_DIR, else $XDG_CONFIG_HOME/Quarnett/Torvane Test,
    // else ~/.config/Quarnett/Torvane Test.
    static std::string StoreDirectory();
    static std::string StoreFile();

    // The message of the last store problem (damaged file set aside, unreadable file), once; empty when
    // there was none.
    static std::string TakeLoadProblem();

private:
    std::optional<SettingsValue> Find(const std::string& name) const;
    void Change(const std::string& name, const std::optional<SettingsValue>& value, bool* existed);

    std::string key_;
};

} // namespace torvane
