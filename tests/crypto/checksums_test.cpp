// The checksums: CRC-32's table method against the bitwise definition, the CRC-16 check values, and
// XOR-32's handling of odd lengths.

#include "common/CryptoData.h"
#include "crypto/hash/Checksums.h"

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
