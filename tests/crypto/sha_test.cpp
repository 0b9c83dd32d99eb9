// SHA-1: every compression path this machine offers gives the digest of the portable one.

#include "common/CryptoData.h"
#include "crypto/hash/SHA.h"

#include <gtest/gtest.h>

#include <algorithm>
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

// The digest of `size` bytes that start `offset` bytes into a buffer, fed in pieces of `piece` bytes.
std::string HexOfSlice(THash_SHA1& h, const std::string& data, std::size_t offset, std::size_t size,
                       std::size_t piece) {
    h.Start();
    for (std::size_t at = 0; at < size; at += piece)
        h.Update(data.data() + offset + at, static_cast<std::int64_t>(std::min(piece, size - at)));
    h.Finish();
    return ToHex(h.DigestBytes(), static_cast<std::size_t>(h.DigestLength()));
}

// Every path this processor offers gives the portable path's digest, for inputs that end in every part of
// a block and span many, start at every alignment in memory and come in one piece or in pieces that
// leave the blocks split across updates; the published vectors then cover the portable path, and through
// it every other.
TEST(SHA1, EveryPathAgreesWithThePortableOne) {
    PathScope scope;
    std::mt19937 rng(3);
    std::string data(10007 + 8, '\0');
    for (auto& c : data) c = static_cast<char>(rng());
    struct Slice {
        std::size_t Offset, Size, Piece;
    };
    std::vector<Slice> slices;
    for (const std::size_t size :
         {0u, 1u, 3u, 55u, 56u, 63u, 64u, 65u, 119u, 120u, 127u, 128u, 129u, 200u, 4096u, 4097u, 10007u})
        for (std::size_t offset = 0; offset < 8; ++offset)
            for (const std::size_t piece :
                 {size ? size : 1u, std::size_t{7}, std::size_t{65}, std::size_t{1000}})
                slices.push_back({offset, size, piece});
    SelectSha1Path(TSha1Path::Portable);
    ASSERT_EQ(Sha1Path(), TSha1Path::Portable);
    THash_SHA1 h;
    EXPECT_EQ(HexOf(h, "abc"), "A9993E364706816ABA3E25717850C26C9CD0D89D");
    std::vector<std::string> portable;
    for (const auto& s : slices) portable.push_back(HexOfSlice(h, data, s.Offset, s.Size, s.Piece));
    int compared = 0;
    for (auto path : {TSha1Path::Bmi2, TSha1Path::Extensions}) {
        if (!Sha1PathAvailable(path)) continue;
        SelectSha1Path(path);
        ASSERT_EQ(Sha1Path(), path);
        for (std::size_t i = 0; i < slices.size(); ++i)
            ASSERT_EQ(HexOfSlice(h, data, slices[i].Offset, slices[i].Size, slices[i].Piece), portable[i])
                << "path " << static_cast<int>(path) << ", " << slices[i].Size << " bytes at offset "
                << slices[i].Offset << " in pieces of " << slices[i].Piece;
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
