// SHA-1: every compression this machine offers gives the digest of the portable one.

#include "common/CryptoData.h"
#include "crypto/hash/SHA.h"

#include <gtest/gtest.h>

#include <random>

using namespace torvane::crypto;
using torvane::test::ToHex;

namespace {

template <class Hash> std::string HexOf(Hash& h, const std::string& input) {
    h.Start();
    h.Update(input.data(), static_cast<std::int64_t>(input.size()));
    h.Finish();
    return ToHex(h.DigestBytes(), static_cast<std::size_t>(h.DigestLength()));
}

// Whatever the processor offers, both SHA-1 compressions must agree; the published vectors then cover the
// one this machine uses by default.
TEST(SHA1, PortableAndProcessorCompressionsAgree) {
    if (!Sha1HardwareAvailable()) GTEST_SKIP() << "no SHA extensions on this processor";
    std::mt19937 rng(3);
    for (const std::size_t size : {0u, 3u, 55u, 56u, 64u, 65u, 200u, 4096u, 10007u}) {
        std::string data(size, '\0');
        for (auto& c : data) c = static_cast<char>(rng());
        THash_SHA1 h;
        const auto fast = HexOf(h, data);
        SetSha1HardwareAllowed(false);
        const auto portable = HexOf(h, data);
        SetSha1HardwareAllowed(true);
        EXPECT_EQ(fast, portable) << size << " bytes";
    }
    SetSha1HardwareAllowed(false);
    THash_SHA1 h;
    EXPECT_EQ(HexOf(h, "abc"), "A9993E364706816ABA3E25717850C26C9CD0D89D");
    SetSha1HardwareAllowed(true);
}

} // namespace
