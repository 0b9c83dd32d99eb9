// Diamond2: every published record at its own round count, the Lite variant's own block and rounds,
// and the properties of the key-dependent boxes.

#include "common/CryptoData.h"
#include "crypto/cipher/Diamond2.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace torvane::crypto;
using namespace torvane::test;

namespace {

TEST(Diamond2, EveryPublishedRecordAtItsRoundCount) {
    int count = 0;
    const TRecordKind kind{{"Rounds", "Key", "In", "Out"}, {}};
    for (const auto& r : ReadVecFile("algorithm/diamond2-rounds.vec")) {
        SCOPED_TRACE(r.Where);
        kind.Check(r);
        ++count;
        const int rounds = static_cast<int>(r.Number("Rounds"));
        const auto key = r.Bytes("Key");
        std::vector<std::uint8_t> boxes(static_cast<std::size_t>(256 * 16 * rounds)), inverse(boxes.size());
        TCipher_Diamond2::MakeBoxes(key.data(), static_cast<int>(key.size()), rounds, 16, boxes.data(),
                                    inverse.data());
        auto data = r.Bytes("In");
        TCipher_Diamond2::Encrypt(boxes.data(), rounds, 16, data.data());
        EXPECT_EQ(ToHex(data), ToHex(r.Bytes("Out")));
        TCipher_Diamond2::Decrypt(inverse.data(), rounds, 16, data.data());
        EXPECT_EQ(ToHex(data), ToHex(r.Bytes("In")));
    }
    EXPECT_EQ(count, 25);
}

TEST(Diamond2, LiteIsTheEightByteVariantWithEightRounds) {
    TCipher_Diamond2 full;
    TCipher_Diamond2Lite lite;
    EXPECT_EQ(full.BlockSize(), 16);
    EXPECT_EQ(lite.BlockSize(), 8);
    EXPECT_EQ(full.Rounds(), 10);
    EXPECT_EQ(lite.Rounds(), 8);
    EXPECT_TRUE(TCipher_Diamond2Lite::ClassInfo.InheritsFrom(&TCipher_Diamond2::ClassInfo));
    // Lite's boxes are the first 8 * 8 boxes the same key gives the full cipher: one generator, read
    // in the same order, only fewer boxes per round.
    const std::uint8_t key[7] = {1, 2, 3, 4, 5, 6, 7};
    std::vector<std::uint8_t> b16(256 * 16 * 10), i16(b16.size()), b8(256 * 8 * 8), i8(b8.size());
    TCipher_Diamond2::MakeBoxes(key, 7, 10, 16, b16.data(), i16.data());
    TCipher_Diamond2::MakeBoxes(key, 7, 8, 8, b8.data(), i8.data());
    EXPECT_TRUE(std::equal(b8.begin(), b8.end(), b16.begin()));
    // The Lite class codes with them.
    std::uint8_t x[8] = {9, 8, 7, 6, 5, 4, 3, 2}, y[8];
    std::copy(x, x + 8, y);
    lite.Init(key, 7, nullptr);
    lite.EncryptBlock(x);
    TCipher_Diamond2::Encrypt(b8.data(), 8, 8, y);
    EXPECT_EQ(ToHex(x, 8), ToHex(y, 8));
}

TEST(Diamond2, EveryBoxIsAPermutationAndItsInverseUndoesIt) {
    const std::uint8_t key[3] = {0xFF, 0x00, 0x80};
    std::vector<std::uint8_t> boxes(256 * 16 * 10), inverse(boxes.size());
    TCipher_Diamond2::MakeBoxes(key, 3, 10, 16, boxes.data(), inverse.data());
    for (std::size_t n = 0; n < 160; ++n) {
        std::vector<std::uint8_t> box(boxes.begin() + static_cast<long>(256 * n),
                                      boxes.begin() + static_cast<long>(256 * n + 256));
        for (int x = 0; x < 256; ++x) ASSERT_EQ(inverse[256 * n + box[static_cast<std::size_t>(x)]], x);
        std::sort(box.begin(), box.end());
        for (int x = 0; x < 256; ++x) ASSERT_EQ(box[static_cast<std::size_t>(x)], x) << "box " << n;
    }
}

TEST(Diamond2, EmptyKeyIsOneZeroByte) {
    TCipher_Diamond2 a, b;
    const std::uint8_t zero = 0;
    a.Init(nullptr, 0, nullptr);
    b.Init(&zero, 1, nullptr);
    EXPECT_EQ(ToHex(a.Vector(), 16), ToHex(b.Vector(), 16));
}

} // namespace
