// 3-Way: a 12-byte block, so a 4096-byte chunk of the stream layer ends in a 4-byte tail.

#include "common/VecFile.h"
#include "crypto/cipher/ThreeWay.h"

#include <gtest/gtest.h>

#include <numeric>

using namespace torvane::crypto;
using namespace torvane::test;

namespace {

TEST(ThreeWay, ChunkOf4096BytesRoundTripsInEveryMode) {
    std::vector<std::uint8_t> plain(4096);
    std::iota(plain.begin(), plain.end(), std::uint8_t{7});
    const std::uint8_t key[12] = {0xBC, 0xDE, 0xF0, 0x12, 0x45, 0x67, 0x89, 0xAB, 0xDE, 0xF0, 0x12, 0x34};
    for (auto mode : {cmCTS, cmCBC, cmCFB, cmOFB}) {
        TCipher_3Way enc, dec;
        enc.Mode = dec.Mode = mode;
        enc.Init(key, 12, nullptr);
        dec.Init(key, 12, nullptr);
        std::vector<std::uint8_t> coded(plain.size()), back(plain.size());
        enc.EncryptBuffer(plain.data(), coded.data(), 4096);
        dec.DecryptBuffer(coded.data(), back.data(), 4096);
        EXPECT_NE(coded, plain) << "mode " << mode;
        EXPECT_EQ(back, plain) << "mode " << mode;
    }
}

} // namespace
