// block: one block coded with a raw key, for known-answer checks.

#include "Commands.h"

#include "crypto/common/Hex.h"
#include "crypto/common/Wipe.h"

#include <CLI/CLI.hpp>

#include <ostream>

namespace torvane::crypt {

namespace {

class BlockCommand final : public Command {
public:
    BlockCommand()
        : Command(
              "block", "--algo NAME --key-hex HEX [--decrypt] BLOCKHEX",
              "Keys the cipher with the raw key bytes (no initialisation vector), codes exactly one block\n"
              "and prints it in upper-case hexadecimal. The key may be shorter than the cipher's maximal\n"
              "key size (it is padded as the cipher defines), not longer.") {
        Options().add_option("--algo", algo_, "a cipher of the catalogue, case ignored")->type_name("NAME");
        Options().add_option("--key-hex", keyHex_, "the raw key bytes")->type_name("HEX");
        Options().add_flag("--decrypt", decrypt_, "decrypt the block instead of encrypting it");
        Options().add_option("BLOCKHEX", blockHex_);
        SetExtraArgumentHint("only one block can be coded");
    }

private:
    int Execute(CommandIO& io) override {
        if (!Given("--algo")) throw UsageError("--algo is missing");
        if (!Given("--key-hex")) throw UsageError("--key-hex is missing");
        if (!Given("BLOCKHEX")) throw UsageError("the block is missing");
        const auto cls = CipherNamed(algo_);
        auto key = RawKeyArgument("--key-hex", keyHex_, cls, algo_);
        auto block = HexArgument("the block", blockHex_);
        if (block.size() != static_cast<std::size_t>(cls->BlockSize))
            throw UsageError("the block has " + std::to_string(block.size()) + " bytes; " + algo_ +
                             " codes " + std::to_string(cls->BlockSize));

        auto cipher = cls->Create();
        cipher->Init(key.data(), static_cast<std::int32_t>(key.size()), nullptr);
        crypto::SecureZero(key.data(), key.size());
        if (decrypt_)
            cipher->DecryptBlock(block.data());
        else
            cipher->EncryptBlock(block.data());
        io.out << crypto::common::HexText(block) << '\n';
        return kExitOk;
    }

    std::string algo_, keyHex_, blockHex_;
    bool decrypt_ = false;
};

} // namespace

std::unique_ptr<Command> MakeBlockCommand() {
    return std::make_unique<BlockCommand>();
}

} // namespace torvane::crypt
