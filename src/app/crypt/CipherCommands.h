#pragma once
// torvane-crypt's cipher commands. Each takes the arguments after its own name and the output and error
// streams, and returns the exit code: 0 success, 1 the coding failed (a wrong key, a file error), 2 bad
// usage. They run in tests without a process.

#include "Commands.h"

#include "crypto/cipher/Cipher.h"

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace torvane::crypt {

// block --algo NAME --key-hex HEX [--decrypt] BLOCKHEX
int BlockCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int BlockCommand(const CommandArgs& args, CommandIO& io);

// encrypt|decrypt --algo NAME [--mode cts|cbc|cfb|ofb|ecb] (--key TEXT [--key-hash NAME] | --key-hex HEX)
//                 [--iv-hex HEX] [--check] IN OUT
// A progress bar goes to progress when it is given (the caller passes the terminal's error stream).
int CodeCommand(const std::vector<std::string>& args, bool encrypt, std::ostream& out, std::ostream& err,
                std::ostream* progress);
// The same for the dispatcher; the progress bar goes to the error stream when that is a terminal.
int EncryptCommand(const CommandArgs& args, CommandIO& io);
int DecryptCommand(const CommandArgs& args, CommandIO& io);

// list ciphers: one line per catalogue entry whose class exists, in catalogue order:
// name TAB note ("-" when empty) TAB block size TAB maximal key size (both in bytes).
int ListCiphers(std::ostream& out);

// Shared by the commands.
// The cipher class of a catalogue name, without regard to case; nullptr for an unknown name.
crypto::TCipherClass CipherByName(const std::string& name);

} // namespace torvane::crypt
