#include "CipherCommands.h"

#include "crypto/common/Hex.h"
#include "crypto/common/Wipe.h"

#include <ostream>

namespace torvane::crypt {

namespace {

constexpr char kUsage[] = "usage: torvane-crypt block --algo NAME --key-hex HEX [--decrypt] BLOCKHEX\n";

int Usage(std::ostream& err, const std::string& problem) {
    err << "torvane-crypt block: " << problem << "\n" << kUsage;
    return 2;
}

} // namespace

int BlockCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::optional<std::string> algo, keyHex, blockHex;
    bool decrypt = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const auto& a = args[i];
        if (a == "--help" || a == "-h") {
            out << kUsage
                << "\nKeys the cipher with the raw key bytes (no initialisation vector), codes exactly one "
                   "block\n"
                   "and prints it in upper-case hexadecimal. The key may be shorter than the cipher's "
                   "maximal\n"
                   "key size (it is padded as the cipher defines), not longer.\n";
            return 0;
        }
        if (a == "--decrypt") {
            decrypt = true;
        } else if (a == "--algo" || a == "--key-hex") {
            if (i + 1 >= args.size()) return Usage(err, a + " needs a value");
            (a == "--algo" ? algo : keyHex) = args[++i];
        } else if (!a.empty() && a[0] == '-' && a.size() > 1) {
            return Usage(err, "unknown option '" + a + "'");
        } else if (blockHex) {
            return Usage(err, "only one block can be coded");
        } else {
            blockHex = a;
        }
    }
    if (!algo) return Usage(err, "--algo is missing");
    if (!keyHex) return Usage(err, "--key-hex is missing");
    if (!blockHex) return Usage(err, "the block is missing");

    const auto cls = CipherByName(*algo);
    if (!cls) return Usage(err, "unknown cipher '" + *algo + "' ('torvane-crypt list ciphers' shows them)");
    auto key = crypto::common::ParseHex(*keyHex);
    if (!key) return Usage(err, "--key-hex is not a hexadecimal byte string");
    if (key->size() > static_cast<std::size_t>(cls->MaxKeySize))
        return Usage(err, "the key has " + std::to_string(key->size()) + " bytes; " + *algo +
                              " takes at most " + std::to_string(cls->MaxKeySize));
    auto block = crypto::common::ParseHex(*blockHex);
    if (!block) return Usage(err, "the block is not a hexadecimal byte string");
    if (block->size() != static_cast<std::size_t>(cls->BlockSize))
        return Usage(err, "the block has " + std::to_string(block->size()) + " bytes; " + *algo + " codes " +
                              std::to_string(cls->BlockSize));

    auto cipher = cls->Create();
    cipher->Init(key->data(), static_cast<std::int32_t>(key->size()), nullptr);
    crypto::SecureZero(key->data(), key->size());
    if (decrypt)
        cipher->DecryptBlock(block->data());
    else
        cipher->EncryptBlock(block->data());
    out << crypto::common::HexText(block->data(), block->size()) << '\n';
    out.flush();
    return 0;
}

int BlockCommand(const CommandArgs& args, CommandIO& io) {
    return BlockCommand(args, io.out, io.err);
}

} // namespace torvane::crypt
