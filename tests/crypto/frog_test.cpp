// FROG's own rules: a cipher for any block size from 8 to 128 bytes, checked at the sizes of the
// submission (16) and the extremes, and the shape of its internal key.

#include "common/CryptoData.h"
#include "crypto/cipher/FROG.h"

#include <gtest/gtest.h>

#include <set>

using namespace torvane::crypto;
using namespace torvane::test;

namespace {

struct Keyed {
    int BlockSize;
    std::vector<std::uint8_t> Internal, Inverse;
    Keyed(const std::vector<std::uint8_t>& key, int blockSize)
        : BlockSize(blockSize), Internal(frog::InternalKeySize(blockSize)), Inverse(frog::Rounds * 256) {
        frog::ExpandKey(key.data(), static_cast<int>(key.size()), blockSize, Internal.data(), Inverse.data());
    }
    const std::uint8_t* Subst(int r) const { return Internal.data() + r * (2 * BlockSize + 256) + BlockSize; }
    const std::uint8_t* Bomb(int r) const { return Subst(r) + 256; }
};

TEST(FROG, VectorsForOtherBlockSizes) {
    std::set<int> sizes;
    const TRecordKind kind{{"Key", "BlockSize", "In", "Out"}, {}};
    for (const auto& r : ReadVecFile("algorithm/frog-block-sizes.vec")) {
        SCOPED_TRACE(r.Where);
        kind.Check(r);
        const int bs = static_cast<int>(r.Number("BlockSize"));
        sizes.insert(bs);
        Keyed k(r.Bytes("Key"), bs);
        auto data = r.Bytes("In");
        ASSERT_EQ(data.size(), static_cast<std::size_t>(bs));
        frog::EncryptBlock(data.data(), bs, k.Internal.data());
        EXPECT_EQ(ToHex(data), ToHex(r.Bytes("Out")));
        frog::DecryptBlock(data.data(), bs, k.Internal.data(), k.Inverse.data());
        EXPECT_EQ(ToHex(data), ToHex(r.Bytes("In")));
    }
    EXPECT_EQ(sizes, (std::set<int>{8, 16, 128}));
}

TEST(FROG, InternalKeyIsWellFormedForEveryBlockSize) {
    std::vector<std::uint8_t> key(23);
    for (std::size_t i = 0; i < key.size(); ++i) key[i] = static_cast<std::uint8_t>(i * 29 + 3);
    for (int bs = frog::MinBlockSize; bs <= frog::MaxBlockSize; bs += 1 + bs / 4) {
        SCOPED_TRACE("block size " + std::to_string(bs));
        Keyed k(key, bs);
        for (int r = 0; r < frog::Rounds; ++r) {
            const std::uint8_t* s = k.Subst(r);
            const std::uint8_t* inv = k.Inverse.data() + 256 * r;
            for (int x = 0; x < 256; ++x) ASSERT_EQ(inv[s[x]], x) << "substitution of round " << r;
            const std::uint8_t* bomb = k.Bomb(r);
            for (int i = 0; i < bs; ++i) {
                ASSERT_LT(bomb[i], bs);
                // The bomb never hits the byte that the chaining step just changed, nor the byte itself.
                ASSERT_NE(bomb[i], (i + 1) % bs) << "round " << r << " position " << i;
                ASSERT_NE(bomb[i], i);
            }
        }
    }
}

TEST(FROG, RoundTripAtEveryBlockSize) {
    const std::vector<std::uint8_t> key = {9, 8, 7, 6, 5, 4, 3, 2, 1};
    for (int bs = frog::MinBlockSize; bs <= frog::MaxBlockSize; ++bs) {
        Keyed k(key, bs);
        std::vector<std::uint8_t> plain(static_cast<std::size_t>(bs));
        for (int i = 0; i < bs; ++i) plain[i] = static_cast<std::uint8_t>(i * 5 + bs);
        auto data = plain;
        frog::EncryptBlock(data.data(), bs, k.Internal.data());
        EXPECT_NE(ToHex(data), ToHex(plain));
        frog::DecryptBlock(data.data(), bs, k.Internal.data(), k.Inverse.data());
        ASSERT_EQ(ToHex(data), ToHex(plain)) << "block size " << bs;
    }
}

TEST(FROG, SizesOutsideTheDefinitionAreRefused) {
    std::vector<std::uint8_t> key(126, 1), internal(frog::InternalKeySize(129)), inverse(frog::Rounds * 256);
    EXPECT_THROW(frog::ExpandKey(key.data(), 4, 16, internal.data(), inverse.data()), ECipherException);
    EXPECT_THROW(frog::ExpandKey(key.data(), 126, 16, internal.data(), inverse.data()), ECipherException);
    EXPECT_THROW(frog::ExpandKey(key.data(), 16, 7, internal.data(), inverse.data()), ECipherException);
    EXPECT_THROW(frog::ExpandKey(key.data(), 16, 129, internal.data(), inverse.data()), ECipherException);
}

TEST(FROG, ClassCodesThirtyTwoByteBlocks) {
    EXPECT_EQ(TCipher_FROG::ClassInfo.BlockSize, 32);
    const std::vector<std::uint8_t> key = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    Keyed k(key, 32);
    TCipher_FROG c;
    c.Init(key.data(), static_cast<std::int32_t>(key.size()), nullptr);
    std::vector<std::uint8_t> a(32), b(32);
    for (int i = 0; i < 32; ++i) a[i] = b[i] = static_cast<std::uint8_t>(255 - i);
    c.EncryptBlock(a.data());
    frog::EncryptBlock(b.data(), 32, k.Internal.data());
    EXPECT_EQ(ToHex(a), ToHex(b));
}

} // namespace
