// HAVAL's pass-count field: unset at first, the default of the digest length at Start, and taken only at
// Start. (The authors' answers for all fifteen combinations of length and passes run with the family.)

#include "common/CryptoData.h"
#include "crypto/hash/HashClasses.h"
#include "crypto/hash/Haval.h"

#include <gtest/gtest.h>

using namespace torvane::crypto;
using namespace torvane::test;

namespace {

struct Expected {
    THashClass Class;
    int DefaultPasses;
};

const Expected kDefaults[] = {
    {&THash_Haval128::ClassInfo, 3}, {&THash_Haval160::ClassInfo, 3}, {&THash_Haval192::ClassInfo, 4},
    {&THash_Haval224::ClassInfo, 4}, {&THash_Haval256::ClassInfo, 5},
};

std::string Digest(THash_Haval256& h, const std::string& text) {
    h.Start();
    h.Update(text.data(), static_cast<std::int64_t>(text.size()));
    h.Finish();
    return ToHex(h.DigestBytes(), static_cast<std::size_t>(h.DigestLength()));
}

TEST(Haval, PassCountStartsUnsetAndStartChoosesTheDefault) {
    for (const auto& e : kDefaults) {
        SCOPED_TRACE(e.Class->ClassName);
        auto h = e.Class->Create();
        auto& haval = dynamic_cast<THash_Haval256&>(*h);
        EXPECT_EQ(haval.Passes, 0);
        const auto byDefault = Digest(haval, "HAVAL");
        EXPECT_EQ(haval.Passes, e.DefaultPasses);
        // Out-of-range values fall back to the default; valid ones are kept and change the digest.
        for (int bad : {-1, 1, 2, 6, 32}) {
            haval.Passes = bad;
            EXPECT_EQ(Digest(haval, "HAVAL"), byDefault) << bad;
            EXPECT_EQ(haval.Passes, e.DefaultPasses);
        }
        for (int passes = 3; passes <= 5; ++passes) {
            haval.Passes = passes;
            const auto d = Digest(haval, "HAVAL");
            EXPECT_EQ(haval.Passes, passes);
            if (passes == e.DefaultPasses)
                EXPECT_EQ(d, byDefault);
            else
                EXPECT_NE(d, byDefault);
        }
    }
}

TEST(Haval, PassCountSetAfterStartWaitsForTheNextStart) {
    THash_Haval256 h;
    h.Start();
    h.Passes = 3;
    h.Update("abc", 3);
    h.Finish();
    const auto fivePasses = ToHex(h.DigestBytes(), 32);
    THash_Haval256 reference;
    reference.Passes = 5;
    EXPECT_EQ(fivePasses, Digest(reference, "abc"));
}

} // namespace
