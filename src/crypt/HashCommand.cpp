// hash: the digests of files, one line each, in the manner of sha256sum.

#include "Commands.h"
#include "ProgressBar.h"
#include "StandardStreams.h"

#include "crypto/hash/CRC32.h"
#include "platform/TextEscape.h"

#include <CLI/CLI.hpp>

#include <ostream>

namespace torvane::crypt {

namespace {

using namespace torvane::crypto;

class HashCommand final : public Command {
public:
    HashCommand()
        : Command(
              "hash", "[--algo NAME] [--format 16|64] [FILE|-]...",
              "Prints one line per input: the digest text, two blanks and the file name. Without FILE, or\n"
              "for \"-\", standard input is hashed. Pipes, devices and /proc files are read to their end\n"
              "(an endless one until the program is stopped).\n\n"
              "A name that holds a backslash, a line end or another control character is escaped as\n"
              "md5sum escapes names: the line starts with a backslash, and \\\\, \\n, \\r, \\t and \\xHH "
              "stand for\n"
              "the characters, so that no name forges a line or moves the cursor of a terminal.\n\n"
              "A digest text lists the digest bytes in order; the checksums keep their register least\n"
              "significant byte first, so CRC-32 of \"123456789\" (CBF43926) prints as 2639F4CB.") {
        Options()
            .add_option("--algo", algo_,
                        "a hash of the catalogue, case ignored (default CRC-32);\n"
                        "'torvane-crypt list hashes' shows the names")
            ->type_name("NAME");
        Options()
            .add_option("--format", format_,
                        "hexadecimal (16, the default) or this program's base-64 text (64)")
            ->type_name("16|64");
        Options().add_option("FILE", files_);
    }

private:
    int Execute(CommandIO& io) override {
        const THashClass cls = Given("--algo") ? HashNamed(algo_) : &THash_CRC32::ClassInfo;
        if (Given("--format") && format_ != "16" && format_ != "64")
            throw UsageError("--format takes 16 or 64, not '" + format_ + "'");
        const std::int32_t format = format_ == "64" ? 64 : 16;
        if (files_.empty()) files_.push_back("-");

        int status = kExitOk;
        std::vector<std::uint8_t> digest(static_cast<std::size_t>(cls->DigestLength));
        for (const auto& file : files_) {
            try {
                ScopedProgressBar bar(io);
                if (file == "-") {
                    TInputStream in(io.in);
                    THash::HashStream(cls, digest.data(), in, -1);
                } else {
                    THash::HashFile(cls, digest.data(), file);
                }
                io.out << TEscapedLine()
                              .Own(DigestToText(digest.data(), cls->DigestLength, format))
                              .Own("  ")
                              .Outside(file)
                              .Text()
                       << '\n';
            } catch (const std::exception& e) {
                // One unreadable input does not stop the others; the exit status tells the caller.
                Report(io, Describe(e));
                status = kExitFailed;
            }
            // Digests that cannot be delivered are not worth computing.
            if (!io.out) break;
        }
        return status;
    }

    std::string algo_, format_ = "16";
    std::vector<std::string> files_;
};

} // namespace

std::unique_ptr<Command> MakeHashCommand() {
    return std::make_unique<HashCommand>();
}

} // namespace torvane::crypt
