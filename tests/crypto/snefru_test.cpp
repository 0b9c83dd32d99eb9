// Snefru in this program's byte order: the certificate format's reference values, the boundaries of the
// last block, and a byte count that keeps counting past 4 GiB.

#include "common/CryptoData.h"
#include "crypto/hash/Snefru.h"

#include <gtest/gtest.h>

using namespace torvane::crypto;
using namespace torvane::test;

namespace {

// Lets a test start as if 4 GiB had nearly been fed (hashing that much takes minutes).
class SnefruNear4GiB : public THash_Snefru {
public:
    void Preset(std::uint64_t bytes) { count_ = bytes; }
};

TEST(Snefru, BitCountOfTheLastBlockDoesNotWrapAt4GiB) {
    SnefruNear4GiB h;
    h.Start();
    // 2^32 - 3 bytes fed, of which the last 29 (zero bytes) are still in the buffer.
    h.Preset((std::uint64_t(1) << 32) - 3);
    h.Update("abcdef", 6);
    h.Finish();
    // From an independent model: the chaining value after the notional earlier blocks is zero here, the
    // last block stores (2^32 + 3) * 8. A 32-bit count would store 24 and give another digest.
    EXPECT_EQ(ToHex(h.DigestBytes(), 32), "4AD7234F2090E91681ED40E47DE4244B9C2E33DCF88376081453B96492B45625");
}

} // namespace
