#include "crypto/KnownAnswers.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <random>

namespace torvane::crypto {

const std::vector<VecRecord>& BuiltInKnownAnswers() {
    static const std::vector<VecRecord> records = [] {
        std::vector<VecRecord> all;
        for (int i = 0; i < detail::kEmbeddedVecFileCount; ++i) {
            const auto& f = detail::kEmbeddedVecFiles[i];
            auto part = ParseVec(f.Text, f.Name);
            all.insert(all.end(), part.begin(), part.end());
        }
        return all;
    }();
    return records;
}

namespace {

bool OnlyFields(const VecRecord& r, std::initializer_list<const char*> allowed) {
    for (const auto& [name, value] : r.Fields)
        if (std::none_of(allowed.begin(), allowed.end(), [&](const char* a) { return name == a; }))
            return false;
    return true;
}

std::string HashRecord(THash& h, const VecRecord& r) {
    std::vector<std::uint8_t> one;
    if (r.Has("InText")) {
        const auto& t = r["InText"];
        one.assign(t.begin(), t.end());
    } else {
        one = FromHex(r["In"]);
    }
    long repeat = r.Has("Repeat") ? std::stol(r["Repeat"]) : 1;
    h.Start();
    for (; repeat > 0; --repeat) h.Update(one.data(), static_cast<std::int64_t>(one.size()));
    h.Finish();
    return ToHex(h.DigestBytes(), static_cast<std::size_t>(h.DigestLength()));
}

} // namespace

SelfTestResult SelfTest(THashClass cls) {
    SelfTestResult result;
    try {
        auto h = cls->Create();
        for (const auto& r : BuiltInKnownAnswers()) {
            if (r.Section != cls->ClassName || !OnlyFields(r, {"In", "InText", "Repeat", "Out"})) continue;
            ++result.KnownAnswers;
            const auto got = HashRecord(*h, r);
            if (got != ToHex(FromHex(r["Out"]))) {
                result.Passed = false;
                result.Failure = r.Where + ": expected " + r["Out"] + ", got " + got;
                return result;
            }
        }
    } catch (const std::exception& e) {
        result.Passed = false;
        result.Failure = e.what();
    }
    if (result.Passed && result.KnownAnswers == 0) {
        result.Passed = false;
        result.Failure = "no known answers";
    }
    return result;
}

SelfTestResult SelfTest(TCipherClass cls) {
    SelfTestResult result;
    try {
        const auto B = static_cast<std::size_t>(cls->BlockSize);
        auto c = cls->Create();
        for (const auto& r : BuiltInKnownAnswers()) {
            if (r.Section != cls->ClassName || !OnlyFields(r, {"Key", "In", "Out", "Iterations"})) continue;
            ++result.KnownAnswers;
            const auto key = FromHex(r["Key"]);
            const auto in = FromHex(r["In"]);
            const auto out = FromHex(r["Out"]);
            const int iterations = r.Has("Iterations") ? std::stoi(r["Iterations"]) : 1;
            if (in.size() % B != 0 || in.size() != out.size())
                throw std::runtime_error(r.Where + ": bad record");
            auto data = in;
            c->Init(key.data(), static_cast<std::int32_t>(key.size()), nullptr);
            for (int i = 0; i < iterations; ++i)
                for (std::size_t off = 0; off < data.size(); off += B) c->EncryptBlock(data.data() + off);
            if (data != out) {
                result.Passed = false;
                result.Failure = r.Where + ": encryption gave " + ToHex(data);
                return result;
            }
            c->Init(key.data(), static_cast<std::int32_t>(key.size()), nullptr);
            for (int i = 0; i < iterations; ++i)
                for (std::size_t off = 0; off < data.size(); off += B) c->DecryptBlock(data.data() + off);
            if (data != in) {
                result.Passed = false;
                result.Failure = r.Where + ": decryption gave " + ToHex(data);
                return result;
            }
        }
        if (result.KnownAnswers == 0) {
            result.Passed = false;
            result.Failure = "no known answers";
            return result;
        }

        // Every mode must give back what it was given, tails and whole chunks alike.
        std::mt19937 rng(0x7E57u);
        std::vector<std::uint8_t> key(static_cast<std::size_t>(std::min(cls->MaxKeySize, 16)));
        for (auto& b : key) b = static_cast<std::uint8_t>(rng());
        const std::size_t sizes[] = {0, 1, B - 1, B, B + 1, 3 * B + 5, 4096 + 7};
        for (auto mode : {cmCTS, cmCBC, cmCFB, cmOFB, cmECB}) {
            c->Mode = mode;
            for (auto size : sizes) {
                std::vector<std::uint8_t> plain(size), coded(size), back(size);
                for (auto& b : plain) b = static_cast<std::uint8_t>(rng());
                c->Init(key.data(), static_cast<std::int32_t>(key.size()), nullptr);
                c->EncryptBuffer(plain.data(), coded.data(), static_cast<std::int64_t>(size));
                c->Init(key.data(), static_cast<std::int32_t>(key.size()), nullptr);
                c->DecryptBuffer(coded.data(), back.data(), static_cast<std::int64_t>(size));
                if (back != plain || (size >= 2 * B && coded == plain)) {
                    result.Passed = false;
                    result.Failure = "round trip failed in mode " + std::to_string(mode) + " with " +
                                     std::to_string(size) + " bytes";
                    return result;
                }
            }
            ++result.ModesChecked;
        }
    } catch (const std::exception& e) {
        result.Passed = false;
        result.Failure = e.what();
    }
    return result;
}

} // namespace torvane::crypto
