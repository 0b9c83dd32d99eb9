// SHA-1: every compression path this machine offers gives the digest of the portable one.

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

// Restores the fastest path when a test ends, however it ends.
struct PathScope {
    ~PathScope() { SelectSha1Path(FastestSha1Path()); }
};

// Every path this processor offers gives the portable path's digest, for inputs that end in every part of
// a block and span many; the published vectors then cover the portable path, and through it every other.
TEST(SHA1, EveryPathAgreesWithThePortableOne) {
    PathScope scope;
    std::mt19937 rng(3);
    std::vector<std::string> inputs;
    for (const std::size_t size : {0u, 3u, 55u, 56u, 63u, 64u, 65u, 119u, 120u, 200u, 4096u, 10007u}) {
        std::string data(size, '\0');
        for (auto& c : data) c = static_cast<char>(rng());
        inputs.push_back(data);
    }
    SelectSha1Path(TSha1Path::Portable);
    ASSERT_EQ(Sha1Path(), TSha1Path::Portable);
    THash_SHA1 h;
    EXPECT_EQ(HexOf(h, "abc"), "A9993E364706816ABA3E25717850C26C9CD0D89D");
    std::vector<std::string> portable;
    for (const auto& in : inputs) portable.push_back(HexOf(h, in));
    int compared = 0;
    for (auto path : {TSha1Path::Bmi2, TSha1Path::Extensions}) {
        if (!Sha1PathAvailable(path)) continue;
        SelectSha1Path(path);
        ASSERT_EQ(Sha1Path(), path);
        for (std::size_t i = 0; i < inputs.size(); ++i)
            EXPECT_EQ(HexOf(h, inputs[i]), portable[i])
                << "path " << static_cast<int>(path) << ", " << inputs[i].size() << " bytes";
        ++compared;
    }
    if (compared == 0) GTEST_SKIP() << "this processor offers the portable path only";
}

TEST(SHA1, TheOriginalShaStaysOnThePortablePath) {
    PathScope scope;
    THash_SHA h;
    SelectSha1Path(TSha1Path::Portable);
    const auto portable = HexOf(h, std::string(1000, 'x'));
    SelectSha1Path(FastestSha1Path());
    EXPECT_EQ(HexOf(h, std::string(1000, 'x')), portable);
}

TEST(SHA1, AnUnavailablePathSelectsThePortableOne) {
    PathScope scope;
    for (auto path : {TSha1Path::Portable, TSha1Path::Bmi2, TSha1Path::Extensions}) {
        SelectSha1Path(path);
        EXPECT_EQ(Sha1Path(), Sha1PathAvailable(path) ? path : TSha1Path::Portable);
    }
    EXPECT_TRUE(Sha1PathAvailable(TSha1Path::Portable));
}

} // namespace
