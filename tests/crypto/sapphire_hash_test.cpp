// The Sapphire II hash classes: reference values, the digest length entering the digest, and a byte
// count that keeps counting past 4 GiB.

#include "common/CryptoData.h"
#include "crypto/hash/HashClasses.h"
#include "crypto/hash/Sapphire.h"

#include <gtest/gtest.h>

#include <set>

using namespace torvane::crypto;
using namespace torvane::test;

namespace {

TEST(SapphireHash, ShorterDigestsAreNotCutFromLongerOnes) {
    // The digest length is fed in the closing sequence, so each class draws a stream of its own.
    const THashClass classes[] = {&THash_Sapphire128::ClassInfo, &THash_Sapphire160::ClassInfo,
                                  &THash_Sapphire192::ClassInfo, &THash_Sapphire224::ClassInfo,
                                  &THash_Sapphire256::ClassInfo, &THash_Sapphire288::ClassInfo,
                                  &THash_Sapphire320::ClassInfo};
    std::set<std::string> heads;
    for (auto* cls : classes) {
        auto h = cls->Create();
        h->Start();
        h->Update("abc", 3);
        h->Finish();
        heads.insert(ToHex(h->DigestBytes(), 16));
    }
    EXPECT_EQ(heads.size(), 7u);
}

class SapphireNear4GiB : public THash_Sapphire320 {
public:
    void Preset(std::uint64_t bytes) { count_ = bytes; }
};

TEST(SapphireHash, BitCountOfTheClosingBlockDoesNotWrapAt4GiB) {
    SapphireNear4GiB h;
    h.Start();
    h.Preset((std::uint64_t(1) << 32) - 100);
    h.Update("abc", 3);
    h.Finish();
    // From an independent model: the closing block carries (2^32 - 100 + 3 + 256) * 8; the first nine
    // digest bytes precede the count and equal those of plain "abc".
    EXPECT_EQ(ToHex(h.DigestBytes(), 40),
              "DA8B07A2CF5AB6A002368287B186829B74BECCA1E228CFCFC3D9BE9641CA3A9762D4E19FBFBE491F");
}

} // namespace
