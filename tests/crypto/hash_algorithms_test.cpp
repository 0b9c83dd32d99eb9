// Behaviour of particular hash classes beyond their known answers: Tiger's pass count, the 64-bit byte
// count of the block hashes, CRC-32's table method against the plain bitwise definition, and the
// checksums' handling of odd lengths.

#include "common/CryptoData.h"
#include "crypto/hash/Checksums.h"
#include "crypto/hash/MD5.h"
#include "crypto/hash/RipeMD.h"
#include "crypto/hash/SHA.h"
#include "crypto/hash/Tiger.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

using namespace torvane::crypto;
using torvane::test::ToHex;

namespace {

template <class Hash> std::string HexOf(Hash& h, const std::string& input) {
    h.Start();
    h.Update(input.data(), static_cast<std::int64_t>(input.size()));
    h.Finish();
    return ToHex(h.DigestBytes(), static_cast<std::size_t>(h.DigestLength()));
}

TEST(Tiger, PassCountOutsideItsRangeFallsBackToThree) {
    THash_Tiger h;
    EXPECT_EQ(h.Rounds(), 0);
    const auto three = HexOf(h, "abc");
    EXPECT_EQ(h.Rounds(), 3);
    EXPECT_EQ(three, "2AAB1484E8C158F2BFB8C5FF41B57A525129131C957B5F93");
    for (const int bad : {-1, 2, 33, 1000}) {
        h.SetRounds(bad);
        EXPECT_EQ(HexOf(h, "abc"), three) << bad;
        EXPECT_EQ(h.Rounds(), 3);
    }
}

TEST(Tiger, ExtraPassesChangeTheDigestAndStayConsistent) {
    THash_Tiger h;
    std::set<std::string> seen;
    for (const int passes : {3, 4, 5, 6, 32}) {
        h.SetRounds(passes);
        const auto whole = HexOf(h, std::string(200, 'z'));
        EXPECT_EQ(h.Rounds(), passes);
        EXPECT_TRUE(seen.insert(whole).second) << passes << " passes repeat an earlier digest";
        h.Start();
        h.Update(std::string(77, 'z').data(), 77);
        h.Update(std::string(123, 'z').data(), 123);
        h.Finish();
        EXPECT_EQ(ToHex(h.DigestBytes(), 24), whole) << passes;
    }
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

std::uint32_t BitwiseCrc32(const std::vector<std::uint8_t>& data) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const auto b : data) {
        crc ^= b;
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

TEST(CRC32, TableMethodAgreesWithTheBitwiseDefinition) {
    std::mt19937 rng(99);
    for (const std::size_t size : {1u, 15u, 16u, 17u, 33u, 1000u, 65537u}) {
        std::vector<std::uint8_t> data(size);
        for (auto& b : data) b = static_cast<std::uint8_t>(rng());
        THash_CRC32 h;
        h.Start();
        h.Update(data.data(), static_cast<std::int64_t>(size));
        h.Finish();
        const std::uint32_t want = BitwiseCrc32(data);
        const std::uint8_t* d = h.DigestBytes();
        EXPECT_EQ(std::uint32_t{d[0]} | std::uint32_t{d[1]} << 8 | std::uint32_t{d[2]} << 16 |
                      std::uint32_t{d[3]} << 24,
                  want)
            << size << " bytes";
    }
}

TEST(XOR32, AnOddSplitInTheMiddleDoesNotChangeTheResult) {
    const std::string data = "0123456789abcdefg"; // 17 bytes: ends on an odd byte as well
    THash_XOR32 h;
    const auto whole = HexOf(h, data);
    for (std::size_t cut = 0; cut <= data.size(); ++cut) {
        h.Start();
        h.Update(data.data(), static_cast<std::int64_t>(cut));
        h.Update(data.data() + cut, static_cast<std::int64_t>(data.size() - cut));
        h.Finish();
        EXPECT_EQ(ToHex(h.DigestBytes(), 4), whole) << "cut at " << cut;
    }
    // Byte by byte: every Update leaves a byte waiting or completes a word.
    h.Start();
    for (const char c : data) h.Update(&c, 1);
    h.Finish();
    EXPECT_EQ(ToHex(h.DigestBytes(), 4), whole);
}

TEST(XOR32, AWaitingByteIsNotKeptAcrossStart) {
    THash_XOR32 h;
    h.Start();
    h.Update("a", 1);
    h.Finish();
    const auto a = ToHex(h.DigestBytes(), 4);
    EXPECT_EQ(a, "61000000");
    EXPECT_EQ(HexOf(h, "bc"), "62630000");
}

TEST(CRC16, RegistersAreTheCheckValuesOfTheirRules) {
    THash_CRC16_CCITT ccitt;
    EXPECT_EQ(HexOf(ccitt, "123456789"), "9DA6"); // register A69D, low byte first
    Thash_CRC16_Standard standard;
    EXPECT_EQ(HexOf(standard, "123456789"), "3DBB"); // register BB3D
}

} // namespace
