#pragma once
// The settings store: typed values (text and 32-bit integer) under one key, kept in one file.
//
// Every operation opens the store file, reads or writes, and closes it again; nothing is held between
// operations, so a value written by one command (or by another instance of the program) is seen by the
// next read. An operation reads the file once, however many values it looks at (Read gives all of them
// at once), and writes it at most once (Write changes several values together). A write re-reads the
// file under a lock and changes only its own values, then replaces the file atomically (temporary file,
// then rename), so a crash never leaves a half-written store.
//
// A store file that cannot be parsed, or that is far larger than any real store, is renamed aside, never
// overwritten, and the key reads as empty. A store file that exists but cannot be read is never
// replaced: writes fail with "Cannot create file". Either problem is kept for the program to show once
// (TakeLoadProblem).
//
// File format (UTF-8, one value per line, values escaped with \\ \t \n \r; a byte-order mark at the start
// is allowed, as editors write one):
//   # Torvane Test settings
//   [software\Quarnett\Torvane Test]
//   Q1<TAB>sz<TAB>/tmp/
//   Q7<TAB>dword<TAB>204

#include "platform/Error.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace torvane {

enum class SettingsType { String, DWord };

struct SettingsValue {
    SettingsType Type = SettingsType::String;
    std::string Text;         // String values
    std::uint32_t Number = 0; // DWord values

    static SettingsValue String(std::string text) { return {SettingsType::String, std::move(text), 0}; }
    static SettingsValue Integer(std::int32_t n) {
        return {SettingsType::DWord, {}, static_cast<std::uint32_t>(n)};
    }
    static SettingsValue Bool(bool on) { return Integer(on ? 1 : 0); }
};

// A store larger than this is no store the program wrote: it is set aside unread.
inline constexpr std::int64_t LargestSettingsFile = 1 << 20;

// The values of one key as one read of the store found them.
class SettingsSnapshot {
public:
    bool ValueExists(const std::string& name) const { return values_.count(name) != 0; }
    std::optional<SettingsType> ValueType(const std::string& name) const;
    const SettingsValue* Find(const std::string& name) const;

    // Reads fail with Exception "Invalid data type for '<name>'" on a value of the other type and
    // "Value '<name>' does not exist" on an absent one.
    std::string ReadString(const std::string& name) const;
    std::int32_t ReadInteger(const std::string& name) const;
    bool ReadBool(const std::string& name) const; // any non-zero integer is true

    // Tests build snapshots without a store.
    void Set(const std::string& name, SettingsValue value) { values_[name] = std::move(value); }

private:
    friend class SettingsKey;
    std::map<std::string, SettingsValue> values_;
};

// One change of a write: a new value, or (without one) the value's removal.
struct SettingsChange {
    std::string Name;
    std::optional<SettingsValue> Value;
};

// A write the store could not take. The message is the file layer's "Cannot create file <store>";
// Reason says why, in words a user can act on.
class ESettingsWriteError : public EFCreateError {
public:
    ESettingsWriteError(const std::string& file, std::string reason, std::int32_t systemError = 0)
        : EFCreateError(file, systemError), reason_(std::move(reason)) {}
    const std::string& Reason() const { return reason_; }
    // "Cannot create file <store> (<reason>)"
    std::string Describe() const { return std::string(what()) + " (" + reason_ + ")"; }

private:
    std::string reason_;
};

class SettingsKey {
public:
    static constexpr const char* DefaultKey = "software\\Quarnett\\Torvane Test";

    // Opening never fails and never creates anything; the file is created by the first write.
    explicit SettingsKey(std::string key = DefaultKey);

    // Every value of the key, from one read of the store.
    SettingsSnapshot Read() const;

    // Single-value operations, each one read of the store (see SettingsSnapshot for the failures).
    bool ValueExists(const std::string& name) const;
    std::optional<SettingsType> ValueType(const std::string& name) const;
    std::string ReadString(const std::string& name) const;
    std::int32_t ReadInteger(const std::string& name) const;
    bool ReadBool(const std::string& name) const;

    // Each write is stored at once; failures throw ESettingsWriteError.
    void Write(const std::vector<SettingsChange>& changes);
    void WriteString(const std::string& name, const std::string& value);
    void WriteInteger(const std::string& name, std::int32_t value);
    void WriteBool(const std::string& name, bool value);
    // Stores the value only where the key has none yet, in one step; true when it was stored.
    bool WriteStringIfAbsent(const std::string& name, const std::string& value);
    bool DeleteValue(const std::string& name);

    const std::string& Key() const { return key_; }

    // Directory and file of the store: $TORVANE_CONFIG_DIR, else $XDG_CONFIG_HOME/Quarnett/Torvane Test,
    // else ~/.config/Quarnett/Torvane Test.
    static std::string StoreDirectory();
    static std::string StoreFile();

    // The message of the last store problem (damaged file set aside, unreadable file), once; empty when
    // there was none. onlyNotKept, where given, tells a store that was read as it is (or has no place) and
    // only keeps no change (write-protected, no home folder) from one whose values could not be read.
    static std::string TakeLoadProblem(bool* onlyNotKept = nullptr);

private:
    // The changes in one replacement of the file; with onlyAbsent, values the key already holds stay.
    // The number of values changed.
    int Apply(const std::vector<SettingsChange>& changes, bool onlyAbsent);

    std::string key_;
};

} // namespace torvane
