// What the MD4 family (MD5, SHA-1 and their relatives) shares beyond the known answers: the 64-bit byte
// count in the length padding and the padding spilling into a second block.

#include "common/CryptoData.h"
#include "crypto/hash/MD5.h"
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

// Lets a test place the byte count of a block hash where a real input of several GiB would leave it.
template <class Hash> class CountProbe : public Hash {
public:
    void SkipTo(std::uint64_t count) { this->Count = count; }
};

TEST(BlockHashes, LengthPaddingUsesTheFull64BitByteCount) {
    // After 2^32 + 64 bytes a 32-bit count would have wrapped to 64 and padded with the wrong length.
    // The chaining state is the same in both objects, so only the length field can tell them apart.
    CountProbe<THash_MD5> wrapped, small;
    wrapped.Start();
    small.Start();
    wrapped.SkipTo((std::uint64_t{1} << 32) + 64);
    small.SkipTo(64);
    wrapped.Update("abc", 3);
    small.Update("abc", 3);
    wrapped.Finish();
    small.Finish();
    EXPECT_NE(ToHex(wrapped.DigestBytes(), 16), ToHex(small.DigestBytes(), 16));

    CountProbe<THash_SHA1> sha;
    sha.Start();
    sha.SkipTo(std::uint64_t{5} << 30); // 5 GiB
    sha.Finish();
    CountProbe<THash_SHA1> shaSmall;
    shaSmall.Start();
    shaSmall.SkipTo(std::uint64_t{1} << 30);
    shaSmall.Finish();
    EXPECT_NE(ToHex(sha.DigestBytes(), 20), ToHex(shaSmall.DigestBytes(), 20));
}

TEST(BlockHashes, PaddingSpillsIntoASecondBlockAtFiftySixBytes) {
    // 55 bytes leave room for the 0x80 byte and the length; 56 do not. The FIPS 180-1 two-block message
    // is 56 bytes long; this pins the boundary for MD5 too.
    THash_MD5 md5;
    EXPECT_EQ(HexOf(md5, std::string(55, 'a')), "EF1772B6DFF9A122358552954AD0DF65");
    EXPECT_EQ(HexOf(md5, std::string(56, 'a')), "3B0C8AC703F828B04C6C197006D17218");
    EXPECT_EQ(HexOf(md5, std::string(64, 'a')), "014842D480B571495A4A0363793F7367");
}

} // namespace
