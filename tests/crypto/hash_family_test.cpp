// The walk over every hash class of the registration table: its known answers through the library's
// runner, and the properties every class must have whatever its algorithm: any split of the input gives
// the same digest, input may sit at any address, Start forgets everything before, objects share no state,
// and a negative length is refused without disturbing the object.

#include "common/CryptoData.h"
#include "common/RandomBytes.h"
#include "crypto/hash/HashClasses.h"

#include <gtest/gtest.h>

#include <random>

using namespace torvane::crypto;
using namespace torvane::test;
using Bytes = std::vector<std::uint8_t>;

namespace {

std::string Digest(THash& h, const Bytes& in) {
    h.Start();
    h.Update(in.data(), static_cast<std::int64_t>(in.size()));
    h.Finish();
    return ToHex(h.DigestBytes(), static_cast<std::size_t>(h.DigestLength()));
}

std::string Digest(THashClass cls, const Bytes& in) {
    return Digest(*cls->Create(), in);
}

class EveryHash : public ::testing::TestWithParam<THashClass> {
protected:
    THashClass cls = GetParam();
};

TEST_P(EveryHash, MatchesItsKnownAnswers) {
    const auto report = DiskKnownAnswers().Check(cls);
    EXPECT_GT(report.Records, 0) << cls->ClassName << " has no known answers";
    for (const auto& f : report.Failures) ADD_FAILURE() << f;
}

TEST_P(EveryHash, GivesTheSameDigestHoweverTheInputIsSplit) {
    std::mt19937 rng(20240601);
    for (const std::size_t size : {0u, 1u, 31u, 32u, 33u, 63u, 64u, 65u, 127u, 128u, 129u, 1000u, 4097u}) {
        const auto data = RandomBytes(rng, size);
        const auto whole = Digest(cls, data);
        for (int trial = 0; trial < 8; ++trial) {
            auto h = cls->Create();
            h->Start();
            for (std::size_t at = 0; at < size;) {
                // Pieces of 0 to 200 bytes, so every block boundary and odd length gets crossed.
                const std::size_t n = std::min<std::size_t>(size - at, rng() % 201);
                h->Update(data.data() + at, static_cast<std::int64_t>(n));
                at += n;
            }
            h->Finish();
            EXPECT_EQ(ToHex(h->DigestBytes(), static_cast<std::size_t>(h->DigestLength())), whole)
                << size << " bytes, trial " << trial;
        }
    }
}

TEST_P(EveryHash, ReadsInputAtAnyAddress) {
    const auto data = RandomBytes(300, 7);
    const auto reference = Digest(cls, data);
    Bytes shifted(data.size() + 16);
    for (std::size_t offset = 1; offset < 16; ++offset) {
        std::copy(data.begin(), data.end(), shifted.begin() + static_cast<std::ptrdiff_t>(offset));
        auto h = cls->Create();
        h->Start();
        h->Update(shifted.data() + offset, static_cast<std::int64_t>(data.size()));
        h->Finish();
        EXPECT_EQ(ToHex(h->DigestBytes(), static_cast<std::size_t>(h->DigestLength())), reference)
            << "offset " << offset;
    }
}

TEST_P(EveryHash, StartForgetsEverythingBefore) {
    std::mt19937 rng(7);
    const auto earlier = RandomBytes(rng, 77);
    const auto data = RandomBytes(rng, 150);
    auto h = cls->Create();
    Digest(*h, earlier);
    h->Start();
    h->Update(earlier.data(), 13); // left unfinished
    EXPECT_EQ(Digest(*h, data), Digest(cls, data));
}

TEST_P(EveryHash, InterleavedObjectsDoNotDisturbEachOther) {
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
    EXPECT_EQ(ToHex(ha->DigestBytes(), static_cast<std::size_t>(ha->DigestLength())), Digest(cls, a));
    EXPECT_EQ(ToHex(hb->DigestBytes(), static_cast<std::size_t>(hb->DigestLength())), Digest(cls, b));
}

TEST_P(EveryHash, RefusesANegativeLengthAndChangesNothing) {
    const Bytes data = {'a', 'b', 'c'};
    auto h = cls->Create();
    h->Start();
    h->Update(data.data(), 2);
    try {
        h->Update(data.data(), -1);
        FAIL() << "a negative length was accepted";
    } catch (const EHashException& e) {
        EXPECT_EQ(e.ErrorCode, EHashException::NegativeLength);
        EXPECT_NE(std::string(e.what()).find(cls->ClassName), std::string::npos) << e.what();
    }
    h->Update(data.data() + 2, 1);
    h->Finish();
    EXPECT_EQ(ToHex(h->DigestBytes(), static_cast<std::size_t>(h->DigestLength())), Digest(cls, data));
}

TEST_P(EveryHash, DescribesItself) {
    auto h = cls->Create();
    EXPECT_EQ(h->ClassType(), cls);
    EXPECT_GT(cls->DigestLength, 0);
    EXPECT_LE(cls->DigestLength, 40); // the managers' and certificates' digest areas hold 40 bytes
    EXPECT_EQ(FindHashClass(cls->ClassName), cls);
}

INSTANTIATE_TEST_SUITE_P(Registered, EveryHash, ::testing::ValuesIn(AllHashClasses()),
                         [](const auto& info) { return std::string(info.param->ClassName); });

} // namespace
