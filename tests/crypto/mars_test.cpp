// MARS keys beyond the published 14 words: no published schedule exists for them; the compression of
// the longer key must let every byte count and must not fall back to a published key.

#include "common/CryptoData.h"
#include "crypto/cipher/Mars.h"

#include <random>

#include <gtest/gtest.h>

using namespace torvane::crypto;
using namespace torvane::test;

namespace {

std::string Encrypt(TCipherClass cls, const std::vector<std::uint8_t>& key) {
    auto c = cls->Create();
    c->Init(key.data(), static_cast<std::int32_t>(key.size()), nullptr);
    std::vector<std::uint8_t> block(static_cast<std::size_t>(cls->BlockSize));
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<std::uint8_t>(0x3C + i);
    c->EncryptBlock(block.data());
    return ToHex(block);
}

TEST(Mars, LongKeysUseEveryByte) {
    // Beyond 56 bytes no published schedule exists; the compression must still let every byte count,
    // wherever it sits in the key.
    std::mt19937 rng(2026);
    for (int len : {60, 100, 156}) {
        SCOPED_TRACE(len);
        std::vector<std::uint8_t> key(static_cast<std::size_t>(len));
        for (auto& b : key) b = static_cast<std::uint8_t>(rng());
        const auto base = Encrypt(&TCipher_Mars::ClassInfo, key);
        for (int i = 0; i < len; ++i) {
            auto other = key;
            other[i] ^= 0x01;
            ASSERT_NE(Encrypt(&TCipher_Mars::ClassInfo, other), base) << "byte " << i;
        }
    }
}

TEST(Mars, LongKeysAreNotPublishedKeys) {
    // A 60-byte key whose words 14 and up are zero must not fall back to its first 56 bytes, and a key
    // of 15 words is not one of 14 words with something appended.
    std::vector<std::uint8_t> key(56);
    for (int i = 0; i < 56; ++i) key[i] = static_cast<std::uint8_t>(i + 1);
    auto longer = key;
    longer.resize(60, 0);
    EXPECT_NE(Encrypt(&TCipher_Mars::ClassInfo, key), Encrypt(&TCipher_Mars::ClassInfo, longer));
    auto longest = key;
    longest.resize(156, 0);
    EXPECT_NE(Encrypt(&TCipher_Mars::ClassInfo, longer), Encrypt(&TCipher_Mars::ClassInfo, longest));
}

} // namespace
