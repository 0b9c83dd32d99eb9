#include "CipherCommands.h"

#include "crypto/Catalogue.h"
#include "crypto/Progress.h"
#include "crypto/common/Hex.h"
#include "crypto/common/Wipe.h"
#include "platform/Error.h"
#include "platform/Files.h"

#include <iostream>
#include <unistd.h>

namespace torvane::crypt {

namespace {

constexpr char kUsage[] =
    "usage: torvane-crypt encrypt|decrypt --algo NAME [--mode cts|cbc|cfb|ofb|ecb]\n"
    "                     (--key TEXT [--key-hash NAME] | --key-hex HEX) [--iv-hex HEX] [--check] IN OUT\n";

constexpr char kHelp[] =
    "\nCodes the file IN into OUT (IN and OUT may be the same file). OUT is replaced only when the coding\n"
    "has succeeded; a failed run leaves it as it was.\n"
    "  --algo NAME       a cipher of the catalogue ('torvane-crypt list ciphers'), without regard to case\n"
    "  --mode MODE       chaining mode, cts by default (this library's own feedback mode)\n"
    "  --key TEXT        a text key, hashed by the key hash (--key-hash, a hash catalogue name,\n"
    "                    'Secure Hash Algorithm 1' by default)\n"
    "  --key-hex HEX     the raw key bytes, at most the cipher's maximal key size\n"
    "  --iv-hex HEX      the initialisation vector, exactly one block; without it the vector is the\n"
    "                    encryption of an all-0xFF block under the key\n"
    "  --check           the encrypted file starts with a key check, and decrypting it under another key\n"
    "                    fails with 'Encryptionkey is invalid' (needs --key)\n";

struct Options {
    std::string command;
    std::optional<std::string> algo, mode, key, keyHash, keyHex, ivHex;
    bool check = false;
    std::vector<std::string> files;
};

std::optional<crypto::TCipherMode> ModeByName(const std::string& name) {
    static const std::pair<const char*, crypto::TCipherMode> modes[] = {{"cts", crypto::cmCTS},
                                                                        {"cbc", crypto::cmCBC},
                                                                        {"cfb", crypto::cmCFB},
                                                                        {"ofb", crypto::cmOFB},
                                                                        {"ecb", crypto::cmECB}};
    for (const auto& [n, m] : modes)
        if (name == n) return m;
    return std::nullopt;
}

// A one-line bar redrawn in place; Maximal 0 ends it.
class ProgressBar {
public:
    explicit ProgressBar(std::ostream& s) : s_(s) {}
    void operator()(std::int64_t current, std::int64_t maximal) {
        if (maximal <= 0) {
            if (drawn_) s_ << '\n' << std::flush;
            drawn_ = false;
            last_ = -1;
            return;
        }
        const int permille = static_cast<int>(current * 1000 / maximal);
        if (permille == last_) return;
        last_ = permille;
        const int filled = permille * 40 / 1000;
        s_ << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
           << std::string(static_cast<std::size_t>(40 - filled), ' ') << "] " << permille / 10 << '.'
           << permille % 10 << "%" << std::flush;
        drawn_ = true;
    }

private:
    std::ostream& s_;
    int last_ = -1;
    bool drawn_ = false;
};

} // namespace

int CodeCommand(const std::vector<std::string>& args, bool encrypt, std::ostream& out, std::ostream& err,
                std::ostream* progress) {
    Options o;
    o.command = encrypt ? "encrypt" : "decrypt";
    auto usage = [&](const std::string& problem) {
        err << "torvane-crypt " << o.command << ": " << problem << "\n" << kUsage;
        return 2;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const auto& a = args[i];
        std::optional<std::string>* slot = a == "--algo"       ? &o.algo
                                           : a == "--mode"     ? &o.mode
                                           : a == "--key"      ? &o.key
                                           : a == "--key-hash" ? &o.keyHash
                                           : a == "--key-hex"  ? &o.keyHex
                                           : a == "--iv-hex"   ? &o.ivHex
                                                               : nullptr;
        if (slot) {
            if (i + 1 >= args.size()) return usage(a + " needs a value");
            if (*slot) return usage(a + " is given twice");
            *slot = args[++i];
        } else if (a == "--check") {
            o.check = true;
        } else if (a == "--help" || a == "-h") {
            out << kUsage << kHelp;
            return 0;
        } else if (a.size() > 1 && a[0] == '-') {
            return usage("unknown option '" + a + "'");
        } else {
            o.files.push_back(a);
        }
    }
    if (!o.algo) return usage("--algo is missing");
    if (o.files.size() != 2) return usage("IN and OUT are needed");
    if (o.key.has_value() == o.keyHex.has_value()) return usage("give either --key or --key-hex");
    if (o.keyHash && !o.key) return usage("--key-hash goes with --key");
    if (o.check && !o.key)
        return usage("--check needs --key: the key check is the encrypted digest of the key text");

    const auto cls = CipherByName(*o.algo);
    if (!cls) return usage("unknown cipher '" + *o.algo + "' ('torvane-crypt list ciphers' shows them)");
    const auto mode = ModeByName(o.mode.value_or("cts"));
    if (!mode) return usage("unknown mode '" + *o.mode + "'");
    std::optional<std::vector<std::uint8_t>> iv;
    if (o.ivHex) {
        iv = crypto::common::ParseHex(*o.ivHex);
        if (!iv) return usage("--iv-hex is not a hexadecimal byte string");
        if (iv->size() != static_cast<std::size_t>(cls->BlockSize))
            return usage("the vector has " + std::to_string(iv->size()) + " bytes; " + *o.algo + " needs " +
                         std::to_string(cls->BlockSize));
    }
    crypto::THashClass keyHash = crypto::DefaultKeyHashClass();
    if (o.keyHash) {
        const auto* entry = crypto::HashCatalogue().FindByName(*o.keyHash);
        if (!entry)
            return usage("unknown hash '" + *o.keyHash + "' ('torvane-crypt list hashes' shows them)");
        keyHash = entry->Class;
    }
    std::optional<std::vector<std::uint8_t>> rawKey;
    if (o.keyHex) {
        rawKey = crypto::common::ParseHex(*o.keyHex);
        if (!rawKey) return usage("--key-hex is not a hexadecimal byte string");
        if (rawKey->size() > static_cast<std::size_t>(cls->MaxKeySize))
            return usage("the key has " + std::to_string(rawKey->size()) + " bytes; " + *o.algo +
                         " takes at most " + std::to_string(cls->MaxKeySize));
    } else if (!keyHash) {
        err << "torvane-crypt " << o.command << ": no key hash is available; give --key-hash\n";
        return 2;
    }

    try {
        auto cipher = cls->Create();
        cipher->Mode = *mode;
        const void* vector = iv ? iv->data() : nullptr;
        if (rawKey) {
            cipher->Init(rawKey->data(), static_cast<std::int32_t>(rawKey->size()), vector);
            crypto::SecureZero(rawKey->data(), rawKey->size());
        } else {
            cipher->SetKeyHashClass(keyHash);
            cipher->InitKey(*o.key, vector);
        }
        cipher->ChangeFlag(crypto::TCipher::FlagHashKey, o.check);

        ProgressBar bar(progress ? *progress : err);
        std::optional<crypto::ScopedProgressHook> hook;
        if (progress)
            hook.emplace([&bar](const void*, std::int64_t cur, std::int64_t max) { bar(cur, max); });

        // Coding into a file beside OUT and renaming it over OUT at the end keeps OUT whole when anything
        // fails, and makes IN == OUT an ordinary case.
        TFileStream source(o.files[0], FileMode::OpenRead);
        TReplacementFile replacement(o.files[1]);
        cipher->ProcessStream(&source, &replacement.Stream(), -1, encrypt);
        replacement.Commit();
    } catch (const std::exception& e) {
        err << e.what() << '\n';
        return 1;
    }
    return 0;
}

namespace {

std::ostream* TerminalProgress(CommandIO& io) {
    return &io.err == &std::cerr && ::isatty(STDERR_FILENO) ? &io.err : nullptr;
}

} // namespace

int EncryptCommand(const CommandArgs& args, CommandIO& io) {
    return CodeCommand(args, true, io.out, io.err, TerminalProgress(io));
}

int DecryptCommand(const CommandArgs& args, CommandIO& io) {
    return CodeCommand(args, false, io.out, io.err, TerminalProgress(io));
}

} // namespace torvane::crypt
