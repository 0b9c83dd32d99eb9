// Walks the whole list of hash classes: published known answers from tests/data/hash/*.vec, and the
// properties every class must have whatever its algorithm.

#include "common/HashKat.h"
#include "common/RandomBytes.h"
#include "common/VecFile.h"
#include "crypto/hash/HashClasses.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

using namespace torvane::crypto;
using namespace torvane::test;

namespace {

const std::vector<VecRecord>& AllHashVectors() {
    static const std::vector<VecRecord> records = ReadVecFolder("hash");
    return records;
}

std::vector<std::uint8_t> Digest(THashClass cls, const std::vector<std::uint8_t>& in, long repeat = 1) {
    auto h = cls->Create();
    h->Start();
    for (long i = 0; i < repeat; ++i) h->Update(in.data(), static_cast<std::int64_t>(in.size()));
    h->Finish();
    return {h->DigestBytes(), h->DigestBytes() + h->DigestLength()};
}

class EveryHashClass : public ::testing::TestWithParam<THashClass> {};

TEST_P(EveryHashClass, MatchesItsPublishedVectors) {
    const THashClass cls = GetParam();
    int checked = 0;
    for (const auto& r : AllHashVectors()) {
        if (r.Section != cls->ClassName) continue;
        const long repeat = r.Has("Repeat") ? std::stol(r["Repeat"]) : 1;
        EXPECT_EQ(ToHex(Digest(cls, HashRecordInput(r), repeat)), r["Out"]) << r.Where;
        ++checked;
    }
    EXPECT_GT(checked, 0) << cls->ClassName << " has no known-answer records";
}

TEST_P(EveryHashClass, GivesTheSameDigestHoweverTheInputIsSplit) {
    const THashClass cls = GetParam();
    std::mt19937 rng(20240601);
    for (const std::size_t size : {0u, 1u, 63u, 64u, 65u, 127u, 128u, 1000u, 4097u}) {
        const auto data = RandomBytes(rng, size);
        const auto whole = Digest(cls, data);
        for (int trial = 0; trial < 8; ++trial) {
            auto h = cls->Create();
            h->Start();
            std::size_t at = 0;
            while (at < size) {
                // Pieces of 0 to 130 bytes, so every block boundary and odd length gets crossed.
                const std::size_t n = std::min<std::size_t>(size - at, rng() % 131);
                h->Update(data.data() + at, static_cast<std::int64_t>(n));
                at += n;
            }
            h->Finish();
            EXPECT_EQ(ToHex(h->DigestBytes(), h->DigestLength()), ToHex(whole))
                << cls->ClassName << ", " << size << " bytes, trial " << trial;
        }
    }
}

TEST_P(EveryHashClass, ReadsInputAtAnyAddress) {
    const THashClass cls = GetParam();
    std::mt19937 rng(7);
    const auto data = RandomBytes(rng, 300);
    const auto reference = Digest(cls, data);
    std::vector<std::uint8_t> shifted(data.size() + 16);
    for (std::size_t offset = 1; offset < 16; ++offset) {
        std::copy(data.begin(), data.end(), shifted.begin() + static_cast<std::ptrdiff_t>(offset));
        auto h = cls->Create();
        h->Start();
        h->Update(shifted.data() + offset, static_cast<std::int64_t>(data.size()));
        h->Finish();
        EXPECT_EQ(ToHex(h->DigestBytes(), h->DigestLength()), ToHex(reference)) << "offset " << offset;
    }
}

TEST_P(EveryHashClass, StartsAfreshAfterUse) {
    const THashClass cls = GetParam();
    const std::vector<std::uint8_t> abc{'a', 'b', 'c'};
    auto h = cls->Create();
    h->Start();
    h->Update("some earlier input that must leave no trace", 43);
    h->Finish();
    h->Start();
    h->Update(abc.data(), 3);
    h->Finish();
    EXPECT_EQ(ToHex(h->DigestBytes(), h->DigestLength()), ToHex(Digest(cls, abc)));
}

TEST_P(EveryHashClass, DescribesItself) {
    const THashClass cls = GetParam();
    auto h = cls->Create();
    EXPECT_EQ(h->ClassType(), cls);
    EXPECT_EQ(h->DigestLength(), cls->DigestLength);
    EXPECT_GT(cls->DigestLength, 0);
    EXPECT_LE(cls->DigestLength, 40);
    EXPECT_TRUE(cls->InheritsFrom(cls));
    EXPECT_EQ(FindHashClass(cls->ClassName), cls);
}

TEST_P(EveryHashClass, RefusesANegativeLength) {
    auto h = GetParam()->Create();
    h->Start();
    try {
        h->Update("x", -1);
        FAIL() << "a negative length was accepted";
    } catch (const EHashException& e) {
        EXPECT_EQ(e.ErrorCode, EHashException::NegativeLength);
        EXPECT_NE(std::string(e.what()).find(GetParam()->ClassName), std::string::npos) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(HashClasses, EveryHashClass, ::testing::ValuesIn(AllHashClasses()),
                         [](const auto& info) { return std::string(info.param->ClassName); });

TEST(HashVectors, NameOnlyListedClasses) {
    std::set<std::string> names;
    for (auto* c : AllHashClasses()) names.insert(c->ClassName);
    for (const auto& r : AllHashVectors())
        EXPECT_TRUE(names.count(r.Section)) << r.Where << ": " << r.Section;
}

} // namespace
