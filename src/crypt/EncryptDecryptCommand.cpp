// encrypt and decrypt: a file (or standard input) coded with a cipher of the catalogue. The two are one
// command in two directions.

#include "Commands.h"
#include "ProgressBar.h"
#include "StandardStreams.h"

#include "crypto/Catalogue.h"
#include "crypto/common/Wipe.h"
#include "platform/Files.h"

#include <CLI/CLI.hpp>

namespace torvane::crypt {

namespace {

constexpr char kDescription[] =
    "Codes IN into OUT; IN and OUT may be the same file, and \"-\" stands for standard input or output. A\n"
    "file OUT is replaced only when the whole input has been coded: a failed run (a wrong key with --check,\n"
    "a full disk, a signal) leaves it as it was, with its owner, group and mode. A device, a FIFO or\n"
    "standard output is written as the coding goes.";

class CodeCommand final : public Command {
public:
    explicit CodeCommand(bool encrypt)
        : Command(encrypt ? "encrypt" : "decrypt",
                  "--algo NAME [--mode cts|cbc|cfb|ofb|ecb]\n"
                  "       (--key TEXT [--key-hash NAME] | --key-hex HEX) [--iv-hex HEX] [--check] IN OUT",
                  kDescription),
          encrypt_(encrypt) {
        auto& o = Options();
        o.add_option("--algo", algo_,
                     "a cipher of the catalogue ('torvane-crypt list ciphers'), case ignored")
            ->type_name("NAME");
        o.add_option("--mode", mode_,
                     "chaining mode: cts (the default, this library's own feedback mode), cbc,\n"
                     "cfb (8-bit), ofb (8-bit) or ecb")
            ->type_name("MODE");
        o.add_option("--key", key_, "a text key, hashed by the key hash")->type_name("TEXT");
        o.add_option("--key-hash", keyHash_,
                     "the key hash, a hash catalogue name ('Secure Hash Algorithm 1' by default)")
            ->type_name("NAME");
        o.add_option("--key-hex", keyHex_, "the raw key bytes, at most the cipher's maximal key size")
            ->type_name("HEX");
        o.add_option("--iv-hex", ivHex_,
                     "the initialisation vector, exactly one block; without it the vector is the\n"
                     "encryption of an all-0xFF block under the key")
            ->type_name("HEX");
        o.add_flag("--check", check_,
                   "the encrypted file starts with a key check, and decrypting it under another key\n"
                   "fails with 'Encryptionkey is invalid' (needs --key)");
        o.add_option("IN", in_);
        o.add_option("OUT", out_);
    }

private:
    int Execute(CommandIO& io) override {
        if (!Given("--algo")) throw UsageError("--algo is missing");
        if (!Given("IN") || !Given("OUT")) throw UsageError("IN and OUT are needed");
        if (Given("--key") == Given("--key-hex")) throw UsageError("give either --key or --key-hex");
        if (Given("--key-hash") && !Given("--key")) throw UsageError("--key-hash goes with --key");
        if (check_ && !Given("--key"))
            throw UsageError("--check needs --key: the key check is the encrypted digest of the key text");
        if (Given("--key") && key_.empty())
            throw UsageError("--key is empty: an empty key is one that everyone knows");

        const auto cls = CipherNamed(algo_);
        const auto mode = Given("--mode") ? ModeNamed(mode_) : crypto::cmCTS;
        std::vector<std::uint8_t> iv;
        if (Given("--iv-hex")) {
            iv = HexArgument("--iv-hex", ivHex_);
            if (iv.size() != static_cast<std::size_t>(cls->BlockSize))
                throw UsageError("the vector has " + std::to_string(iv.size()) + " bytes; " + algo_ +
                                 " needs " + std::to_string(cls->BlockSize));
        }
        crypto::THashClass keyHash =
            Given("--key-hash") ? HashNamed(keyHash_) : crypto::DefaultKeyHashClass();
        std::vector<std::uint8_t> rawKey;
        if (Given("--key-hex"))
            rawKey = RawKeyArgument("--key-hex", keyHex_, cls, algo_);
        else if (!keyHash)
            throw UsageError("no key hash is available; give --key-hash");

        auto cipher = cls->Create();
        cipher->Mode = mode;
        const void* vector = iv.empty() ? nullptr : iv.data();
        if (Given("--key-hex")) {
            cipher->Init(rawKey.data(), static_cast<std::int32_t>(rawKey.size()), vector);
            crypto::SecureZero(rawKey.data(), rawKey.size());
        } else {
            cipher->SetKeyHashClass(keyHash);
            cipher->InitKey(key_, vector);
        }
        cipher->ChangeFlag(crypto::TCipher::FlagHashKey, check_);

        // IN is opened first, so that a missing one leaves no trace of OUT.
        std::unique_ptr<TStream> source;
        if (in_ == "-")
            source = std::make_unique<TInputStream>(io.in);
        else
            source = std::make_unique<TFileStream>(in_, FileMode::OpenRead);
        ScopedProgressBar bar(io);
        if (out_ == "-") {
            TOutputStream out(io.out);
            cipher->ProcessStream(source.get(), &out, -1, encrypt_);
            return kExitOk;
        }
        // A new file beside OUT takes its place only once everything is coded: OUT stays whole when anything
        // fails, and IN == OUT is an ordinary case.
        TReplacementFile replacement(out_);
        cipher->ProcessStream(source.get(), &replacement.Stream(), -1, encrypt_);
        replacement.Commit();
        return kExitOk;
    }

    bool encrypt_;
    std::string algo_, mode_, key_, keyHash_, keyHex_, ivHex_, in_, out_;
    bool check_ = false;
};

} // namespace

std::unique_ptr<Command> MakeEncryptCommand() {
    return std::make_unique<CodeCommand>(true);
}

std::unique_ptr<Command> MakeDecryptCommand() {
    return std::make_unique<CodeCommand>(false);
}

} // namespace torvane::crypt
