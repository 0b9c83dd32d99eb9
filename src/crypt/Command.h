#pragma once
// The shape every torvane-crypt command shares. A command declares its options and arguments (CLI11) in
// its constructor; Run() parses them, prints the help, the usage errors and the failures in one wording
// for all commands, and checks that what went to standard output arrived. The commands run in tests
// without a process: the standard streams come in CommandIO.

#include "crypto/cipher/Cipher.h"
#include "crypto/hash/Hash.h"

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace torvane {
class MsClock;
}

namespace torvane::crypt {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1; // an input, an output or a check failed
constexpr int kExitUsage = 2;

using CommandArgs = std::vector<std::string>;

struct CommandIO {
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
    // Progress bars are drawn only on a terminal, after they have been waited for on this clock
    // (nullptr: the real one).
    bool errIsTerminal = false;
    const MsClock* clock = nullptr;
};

// Bad usage found once the options are parsed (an unknown name, a value out of range, a missing or empty
// argument); the text says what is wrong.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Command {
public:
    virtual ~Command();
    Command(const Command&) = delete;
    Command& operator=(const Command&) = delete;

    const std::string& Name() const { return name_; }
    // Parses args (the arguments after the command's name) and runs the command; the exit code.
    int Run(const CommandArgs& args, CommandIO& io);

protected:
    // synopsis follows "usage: torvane-crypt NAME "; description is the help's paragraph.
    Command(std::string name, std::string synopsis, std::string description);

    // Where the constructor declares the options; after parsing, count() tells what was given.
    CLI::App& Options() { return *options_; }
    bool Given(const std::string& option) const;
    // Said after an argument the command does not take ("list shows hashes, ciphers or both").
    void SetExtraArgumentHint(std::string hint) { extraHint_ = std::move(hint); }

    // Runs the command with its options parsed. A UsageError ends it with kExitUsage; any other exception
    // is a failure (kExitFailed) reported with the command's name.
    virtual int Execute(CommandIO& io) = 0;

    // "torvane-crypt NAME: problem" on the error stream.
    void Report(CommandIO& io, const std::string& problem) const;

private:
    int UsageFailure(CommandIO& io, const std::string& problem) const;
    void PrintHelp(std::ostream& out) const;

    std::string name_, synopsis_, description_, extraHint_;
    std::unique_ptr<CLI::App> options_;
};

// Checks that what was written to out arrived; otherwise reports it as "torvane-crypt WHO: Write error on
// standard output: reason" and gives kExitFailed. status passes through when the output is fine.
int CheckedOutput(CommandIO& io, const std::string& who, int status);

// The message of a failure, with the system's reason where there is one.
std::string Describe(const std::exception& e);

// The lookups the commands share, with the same texts: UsageError for a name or text that does not fit.
crypto::THashClass HashNamed(const std::string& name);
crypto::TCipherClass CipherNamed(const std::string& name);
crypto::TCipherMode ModeNamed(const std::string& name);
const char* ModeName(crypto::TCipherMode mode);
// The bytes of a hexadecimal option value; option names it in the message.
std::vector<std::uint8_t> HexArgument(const std::string& option, const std::string& text);
// A raw key: hexadecimal, not empty (an unset shell variable gives the empty text, and the empty key is one
// that everyone knows), at most the cipher's maximal key size.
std::vector<std::uint8_t> RawKeyArgument(const std::string& option, const std::string& text,
                                         crypto::TCipherClass cls, const std::string& cipherName);

} // namespace torvane::crypt
