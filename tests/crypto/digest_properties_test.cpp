// Properties every digest class of this group must have whatever its algorithm: any split of the input
// gives the same digest, Start forgets earlier input, objects do not share state, and a negative length
// is refused without disturbing the object.

#include "common/RandomBytes.h"
#include "common/VecFile.h"
#include "crypto/hash/Haval.h"
#include "crypto/hash/Sapphire.h"
#include "crypto/hash/Snefru.h"
#include "crypto/hash/SquareHash.h"
#include "platform/Error.h"

#include <gtest/gtest.h>

#include <random>

using namespace torvane::crypto;
using namespace torvane::test;

namespace {

const THashClass kClasses[] = {
    &THash_Haval128::ClassInfo,    &THash_Haval160::ClassInfo,    &THash_Haval192::ClassInfo,
    &THash_Haval224::ClassInfo,    &THash_Haval256::ClassInfo,    &THash_Sapphire128::ClassInfo,
    &THash_Sapphire160::ClassInfo, &THash_Sapphire192::ClassInfo, &THash_Sapphire224::ClassInfo,
    &THash_Sapphire256::ClassInfo, &THash_Sapphire288::ClassInfo, &THash_Sapphire320::ClassInfo,
    &THash_Snefru::ClassInfo,      &THash_Square::ClassInfo,
};

class DigestClass : public ::testing::TestWithParam<THashClass> {};

std::string Name(const ::testing::TestParamInfo<THashClass>& info) {
    return info.param->ClassName;
}

std::string Whole(THashClass cls, const std::vector<std::uint8_t>& data) {
    auto h = cls->Create();
    h->Start();
    h->Update(data.data(), static_cast<std::int64_t>(data.size()));
    h->Finish();
    return ToHex(h->DigestBytes(), static_cast<std::size_t>(h->DigestLength()));
}

TEST_P(DigestClass, AnySplitOfTheInputGivesTheSameDigest) {
    const THashClass cls = GetParam();
    std::mt19937 rng(2024);
    for (std::size_t length : {0u, 1u, 31u, 32u, 33u, 127u, 128u, 129u, 3000u}) {
        SCOPED_TRACE("length " + std::to_string(length));
        const auto data = RandomBytes(rng, length);
        const auto expected = Whole(cls, data);
        for (int trial = 0; trial < 8; ++trial) {
            auto h = cls->Create();
            h->Start();
            std::size_t pos = 0;
            while (pos < data.size()) {
                // Pieces of 0 to 200 bytes, so that partial blocks meet at every offset.
                const std::size_t n = std::min<std::size_t>(rng() % 201, data.size() - pos);
                h->Update(data.data() + pos, static_cast<std::int64_t>(n));
                pos += n;
            }
            h->Finish();
            EXPECT_EQ(ToHex(h->DigestBytes(), static_cast<std::size_t>(h->DigestLength())), expected);
        }
    }
}

TEST_P(DigestClass, StartForgetsEverythingBefore) {
    const THashClass cls = GetParam();
    std::mt19937 rng(7);
    const auto earlier = RandomBytes(rng, 77);
    const auto data = RandomBytes(rng, 150);
    auto h = cls->Create();
    h->Start();
    h->Update(earlier.data(), static_cast<std::int64_t>(earlier.size()));
    h->Finish();
    h->Start();
    h->Update(earlier.data(), 13); // left unfinished
    h->Start();
    h->Update(data.data(), static_cast<std::int64_t>(data.size()));
    h->Finish();
    EXPECT_EQ(ToHex(h->DigestBytes(), static_cast<std::size_t>(h->DigestLength())), Whole(cls, data));
}

TEST_P(DigestClass, InterleavedObjectsDoNotDisturbEachOther) {
    const THashClass cls = GetParam();
    std::mt19937 rng(11);
    const auto a = RandomBytes(rng, 500);
    const auto b = RandomBytes(rng, 500);
    auto ha = cls->Create();
    auto hb = cls->Create();
    ha->Start();
    hb->Start();
    for (std::size_t i = 0; i < 500; i += 50) {
        ha->Update(a.data() + i, 50);
        hb->Update(b.data() + i, 50);
    }
    ha->Finish();
    hb->Finish();
    EXPECT_EQ(ToHex(ha->DigestBytes(), static_cast<std::size_t>(ha->DigestLength())), Whole(cls, a));
    EXPECT_EQ(ToHex(hb->DigestBytes(), static_cast<std::size_t>(hb->DigestLength())), Whole(cls, b));
}

TEST_P(DigestClass, NegativeLengthIsRefusedAndChangesNothing) {
    const THashClass cls = GetParam();
    const std::vector<std::uint8_t> data = {'a', 'b', 'c'};
    auto h = cls->Create();
    h->Start();
    h->Update(data.data(), 2);
    EXPECT_THROW(h->Update(data.data(), -1), torvane::Exception);
    h->Update(data.data() + 2, 1);
    h->Finish();
    EXPECT_EQ(ToHex(h->DigestBytes(), static_cast<std::size_t>(h->DigestLength())), Whole(cls, data));
}

INSTANTIATE_TEST_SUITE_P(HashB, DigestClass, ::testing::ValuesIn(kClasses), Name);

} // namespace
