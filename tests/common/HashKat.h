#pragma once
// Runs hash known-answer records (tests/data/hash/**/*.vec): In = hex or InText = text, optional
// Repeat = N (the input N times over), Out = hex digest.

#include "common/VecFile.h"
#include "crypto/hash/Hash.h"

#include <algorithm>
#include <string>
#include <vector>

namespace torvane::test {

inline std::vector<std::uint8_t> HashRecordInput(const VecRecord& r) {
    if (r.Has("InText")) {
        const auto& t = r["InText"];
        return {t.begin(), t.end()};
    }
    return FromHex(r["In"]);
}

// Start, the input (in chunks of whole repetitions), Finish; the digest in upper-case hexadecimal.
inline std::string RunHashRecord(crypto::THash& h, const VecRecord& r) {
    const auto one = HashRecordInput(r);
    long repeat = r.Has("Repeat") ? std::stol(r["Repeat"]) : 1;
    std::vector<std::uint8_t> chunk;
    const long perChunk = one.empty() ? 1 : std::max<long>(1, 65536 / static_cast<long>(one.size()));
    for (long i = 0; i < std::min(repeat, perChunk); ++i) chunk.insert(chunk.end(), one.begin(), one.end());
    h.Start();
    while (repeat > 0) {
        const long n = std::min(repeat, perChunk);
        h.Update(chunk.data(), static_cast<std::int64_t>(one.size()) * n);
        repeat -= n;
    }
    h.Finish();
    return ToHex(h.DigestBytes(), static_cast<std::size_t>(h.DigestLength()));
}

inline std::vector<VecRecord> ReadHashVectors(const std::string& relativePath) {
    return ReadVecFile(DataPath("hash/" + relativePath));
}

} // namespace torvane::test
