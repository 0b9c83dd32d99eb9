#include "Command.h"

#include "StandardStreams.h"

#include "crypto/Catalogue.h"
#include "crypto/common/Hex.h"
#include "platform/Error.h"
#include "platform/TextEscape.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstring>
#include <ostream>

namespace torvane::crypt {

namespace {

constexpr char kExitStatus[] = "Exit status: 0 done, 1 an input, an output or a check failed, 2 bad usage.\n";

// CLI11 names the option first in the messages it gives for a value that is missing or given twice.
std::string OptionOf(const CLI::ParseError& e) {
    const std::string text = e.what();
    return text.substr(0, text.find(':'));
}

std::string Quoted(const std::string& text) {
    return "'" + text + "'";
}

} // namespace

Command::Command(std::string name, std::string synopsis, std::string description)
    : name_(std::move(name)), synopsis_(std::move(synopsis)), description_(std::move(description)),
      options_(std::make_unique<CLI::App>(description_, name_)) {
    // Unknown options and surplus arguments are left over rather than thrown, so that the message can say
    // which argument is wrong in this program's words.
    options_->allow_extras();
    options_->set_help_flag("-h,--help", "this text");
}

Command::~Command() = default;

bool Command::Given(const std::string& option) const {
    return options_->count(option) > 0;
}

void Command::Report(CommandIO& io, const std::string& problem) const {
    // A problem names files, whose names may hold anything.
    io.err << "torvane-crypt " << name_ << ": " << EscapeControls(problem) << '\n';
}

int Command::UsageFailure(CommandIO& io, const std::string& problem) const {
    Report(io, problem);
    io.err << "usage: torvane-crypt " << name_ << ' ' << synopsis_ << '\n';
    return kExitUsage;
}

void Command::PrintHelp(std::ostream& out) const {
    out << "usage: torvane-crypt " << name_ << ' ' << synopsis_ << "\n\n" << description_ << "\n\n";
    std::vector<std::pair<std::string, std::string>> rows;
    std::size_t width = 0;
    for (const auto* option : options_->get_options()) {
        if (option->get_positional()) continue;
        std::string names;
        for (const auto& s : option->get_snames()) names += "-" + s + ", ";
        for (const auto& l : option->get_lnames()) names += "--" + l + ", ";
        names.resize(names.size() - 2);
        if (option->get_type_size() != 0) names += " " + option->get_type_name();
        width = std::max(width, names.size());
        rows.emplace_back(names, option->get_description());
    }
    out << "Options:\n";
    for (const auto& [names, description] : rows) {
        out << "  " << names << std::string(width + 2 - names.size(), ' ');
        // Continuation lines of a description line up under its first.
        for (const char c : description)
            out << c << (c == '\n' ? std::string(width + 4, ' ') : std::string());
        out << '\n';
    }
    out << '\n' << kExitStatus;
}

int Command::Run(const CommandArgs& args, CommandIO& io) {
    // CLI11 takes the arguments last first, and reads "--key=" as "--key" with the value still to come:
    // here it is the empty value, as an unset shell variable gives it.
    std::vector<std::string> reversed;
    bool optionsEnded = false;
    for (const auto& arg : args) {
        optionsEnded = optionsEnded || arg == "--";
        if (!optionsEnded && arg.starts_with("--") && arg.size() > 3 && arg.back() == '=') {
            reversed.push_back(arg.substr(0, arg.size() - 1));
            reversed.emplace_back();
        } else {
            reversed.push_back(arg);
        }
    }
    std::reverse(reversed.begin(), reversed.end());
    try {
        options_->parse(reversed);
        auto extras = options_->remaining();
        // With extras allowed, CLI11 lists the "--" that ended the options among them.
        if (const auto marker = std::find(extras.begin(), extras.end(), "--"); marker != extras.end())
            extras.erase(marker);
        if (!extras.empty()) {
            const auto& first = extras.front();
            if (first.size() > 1 && first[0] == '-')
                return UsageFailure(io, "unknown option " + Quoted(first));
            return UsageFailure(io, "unexpected argument " + Quoted(first) +
                                        (extraHint_.empty() ? "" : ": ") + extraHint_);
        }
        return CheckedOutput(io, name_, Execute(io));
    } catch (const CLI::CallForHelp&) {
        PrintHelp(io.out);
        return CheckedOutput(io, name_, kExitOk);
    } catch (const CLI::ArgumentMismatch& e) {
        const std::string text = e.what();
        return UsageFailure(io,
                            "option " + Quoted(OptionOf(e)) +
                                (text.ends_with("missing") ? " needs a value" : " is given more than once"));
    } catch (const CLI::ParseError& e) {
        return UsageFailure(io, e.what());
    } catch (const UsageError& e) {
        return UsageFailure(io, e.what());
    } catch (const std::exception& e) {
        Report(io, Describe(e));
        return CheckedOutput(io, name_, kExitFailed);
    }
}

int CheckedOutput(CommandIO& io, const std::string& who, int status) {
    io.out.flush();
    if (io.out) return status;
    io.err << "torvane-crypt" << (who.empty() ? "" : " " + who) << ": Write error on standard output"
           << FailureReason(io.out) << '\n';
    return kExitFailed;
}

std::string Describe(const std::exception& e) {
    return DescribeError(e);
}

crypto::THashClass HashNamed(const std::string& name) {
    const auto* entry = crypto::HashCatalogue().FindByName(name);
    if (!entry)
        throw UsageError("unknown hash algorithm " + Quoted(name) + " (see 'torvane-crypt list hashes')");
    return entry->Class;
}

crypto::TCipherClass CipherNamed(const std::string& name) {
    const auto* entry = crypto::CipherCatalogue().FindByName(name);
    if (!entry) throw UsageError("unknown cipher " + Quoted(name) + " (see 'torvane-crypt list ciphers')");
    return entry->Class;
}

namespace {
constexpr const char* kModeNames[] = {"cts", "cbc", "cfb", "ofb", "ecb"}; // in TCipherMode's order
}

crypto::TCipherMode ModeNamed(const std::string& name) {
    for (std::size_t i = 0; i < std::size(kModeNames); ++i)
        if (name == kModeNames[i]) return static_cast<crypto::TCipherMode>(i);
    throw UsageError("unknown mode " + Quoted(name) + " (cts, cbc, cfb, ofb or ecb)");
}

const char* ModeName(crypto::TCipherMode mode) {
    return mode < std::size(kModeNames) ? kModeNames[mode] : "?";
}

std::vector<std::uint8_t> HexArgument(const std::string& option, const std::string& text) {
    auto bytes = crypto::common::ParseHex(text);
    if (!bytes) throw UsageError(option + " is not a hexadecimal byte string");
    return std::move(*bytes);
}

std::vector<std::uint8_t> RawKeyArgument(const std::string& option, const std::string& text,
                                         crypto::TCipherClass cls, const std::string& cipherName) {
    if (text.empty()) throw UsageError(option + " is empty: an empty key is one that everyone knows");
    auto key = HexArgument(option, text);
    if (key.size() > static_cast<std::size_t>(cls->MaxKeySize))
        throw UsageError("the key has " + std::to_string(key.size()) + " bytes; " + cipherName +
                         " takes at most " + std::to_string(cls->MaxKeySize));
    return key;
}

} // namespace torvane::crypt
