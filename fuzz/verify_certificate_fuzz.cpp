// Any bytes as a certificate file: the verifier never fails on them, and what it answers holds together.
// The same bytes as a text typed for a certificate: refused, or stored and read back unchanged.

#include "cert/Scramble.h"
#include "cert/Verifier.h"
#include "cert/Windows1252.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

using torvane::cert::TCertificateState;

void Require(bool condition) {
    if (!condition) __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static torvane::crypto::THashManager hash;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    const auto v = torvane::cert::VerifyCertificate(hash, bytes);
    switch (v.State) {
    case TCertificateState::Authentic:
        Require(v.Matches == 4);
        // The record is the body without the four digests and the filler.
        Require(v.LineCount >= 10 && v.Record.size() == v.LineCount - 5);
        break;
    case TCertificateState::Fake:
        Require(v.Matches < 4 && v.LineCount >= 10 && v.Record.empty());
        break;
    case TCertificateState::EarlyStop:
        Require(v.Record.empty() && !v.Reason.empty());
        break;
    }

    std::string twice(bytes);
    torvane::cert::ScrambleBytes(twice, torvane::cert::ScrambleKey);
    torvane::cert::ScrambleBytes(twice, torvane::cert::ScrambleKey);
    Require(twice == bytes);

    try {
        const auto stored = torvane::cert::Utf8ToWindows1252(bytes, "Owner");
        Require(torvane::cert::Windows1252ToUtf8(stored) == bytes);
    } catch (const torvane::cert::ECertificateText&) {
    }
    return 0;
}
