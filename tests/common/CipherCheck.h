#pragma once
// Small helpers of the cipher tests: a fixed key pattern, one block encrypted under a key, and a byte
// comparison that does not print megabytes when it fails.

#include "common/CryptoData.h"
#include "crypto/cipher/Cipher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace torvane::test {

// n bytes A5 ^ 37 i: no two neighbours alike, no zero byte among the first 256.
inline std::vector<std::uint8_t> KeyPattern(std::size_t n) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::uint8_t>(0xA5 ^ (i * 37));
    return v;
}

// Keys c, encrypts the block given in hexadecimal and returns it in hexadecimal.
inline std::string EncryptHex(crypto::TCipher& c, const std::vector<std::uint8_t>& key,
                              std::string_view plainHex) {
    c.Init(key.data(), static_cast<std::int32_t>(key.size()), nullptr);
    auto block = FromHex(plainHex);
    c.EncryptBlock(block.data());
    return ToHex(block);
}

inline ::testing::AssertionResult SameBytes(const std::vector<std::uint8_t>& a,
                                            const std::vector<std::uint8_t>& b) {
    if (a == b) return ::testing::AssertionSuccess();
    const auto at = std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first - a.begin();
    return ::testing::AssertionFailure()
           << "sizes " << a.size() << " and " << b.size() << ", first difference at " << at;
}

} // namespace torvane::test
