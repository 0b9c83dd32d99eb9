// Key-length rules of the classes whose algorithms need more key than they may be given (zero padding),
// and the MARS schedule for keys longer than its published 14 words.

#include "common/VecFile.h"
#include "crypto/cipher/Cast256.h"
#include "crypto/cipher/FROG.h"
#include "crypto/cipher/Mars.h"
#include "crypto/cipher/Skipjack.h"

#include <gtest/gtest.h>

#include <random>

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

struct PadRule {
    TCipherClass Class;
    int PaddedTo; // a key of any length up to this one codes like itself padded with zero bytes to it
};

TEST(KeyRules, ShortKeysAreZeroPadded) {
    const PadRule rules[] = {
        {&TCipher_Cast256::ClassInfo, 32}, // RFC 2612 pads to 256 bits
        {&TCipher_Skipjack::ClassInfo, 10},
        {&TCipher_Mars::ClassInfo, 16},
        {&TCipher_FROG::ClassInfo, 5},
    };
    for (const auto& rule : rules) {
        SCOPED_TRACE(rule.Class->ClassName);
        for (int len = 0; len < rule.PaddedTo; ++len) {
            std::vector<std::uint8_t> key(static_cast<std::size_t>(len));
            for (int i = 0; i < len; ++i) key[i] = static_cast<std::uint8_t>(0xA0 + i);
            auto padded = key;
            padded.resize(static_cast<std::size_t>(rule.PaddedTo), 0);
            EXPECT_EQ(Encrypt(rule.Class, key), Encrypt(rule.Class, padded)) << "length " << len;
        }
    }
}

TEST(KeyRules, MarsPadsToWholeWords) {
    // 17..19 bytes pad to the 5-word key; 20 bytes with a different last byte is another key.
    std::vector<std::uint8_t> key(17, 0x5A);
    auto padded = key;
    padded.resize(20, 0);
    for (int len = 17; len <= 20; ++len) {
        key.resize(static_cast<std::size_t>(len), 0);
        EXPECT_EQ(Encrypt(&TCipher_Mars::ClassInfo, key), Encrypt(&TCipher_Mars::ClassInfo, padded));
    }
    padded[19] = 1;
    EXPECT_NE(Encrypt(&TCipher_Mars::ClassInfo, key), Encrypt(&TCipher_Mars::ClassInfo, padded));
}

TEST(KeyRules, MarsLongKeysUseEveryByte) {
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

TEST(KeyRules, MarsLongKeysAreNotPublishedKeys) {
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

TEST(KeyRules, Cast256AndFrogKeepTheLastByteOfTheirLongestKey) {
    for (TCipherClass cls : {&TCipher_Cast256::ClassInfo, &TCipher_FROG::ClassInfo}) {
        SCOPED_TRACE(cls->ClassName);
        std::vector<std::uint8_t> key(static_cast<std::size_t>(cls->MaxKeySize), 0x11);
        const auto base = Encrypt(cls, key);
        key.back() ^= 0x80;
        EXPECT_NE(Encrypt(cls, key), base);
    }
}

} // namespace
