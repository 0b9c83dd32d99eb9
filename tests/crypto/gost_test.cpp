// GOST 28147-89: properties of this class's key handling that the published examples do not pin down.

#include "common/CryptoData.h"
#include "crypto/cipher/Gost.h"

#include <gtest/gtest.h>

using namespace torvane::crypto;
using namespace torvane::test;

namespace {

std::string Encrypt(const std::vector<std::uint8_t>& key, std::string inHex) {
    TCipher_Gost c;
    auto data = FromHex(inHex);
    c.Init(key.data(), static_cast<std::int32_t>(key.size()), nullptr);
    c.EncryptBlock(data.data());
    return ToHex(data);
}

TEST(Gost, EveryKeyWordTakesPart) {
    // A schedule that skipped or repeated a key word would leave one of these unchanged.
    const auto key = FromHex("BE5EC2006CFF9DCF52354959F1FF0CBFE95061B5A648C10387069C25997C0672");
    const std::string base = Encrypt(key, "0DF82802B741A292");
    for (int word = 0; word < 8; ++word) {
        auto k = key;
        k[static_cast<std::size_t>(4 * word + 3)] ^= 0x80;
        EXPECT_NE(Encrypt(k, "0DF82802B741A292"), base) << "key word " << word;
    }
}

} // namespace
