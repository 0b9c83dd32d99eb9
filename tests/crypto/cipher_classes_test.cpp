// Walks the whole list of cipher classes: published known answers from tests/data/block/*.vec, and the
// properties every class must have whatever its algorithm.

#include "common/RandomBytes.h"
#include "common/VecFile.h"
#include "crypto/cipher/CipherClasses.h"

#include <gtest/gtest.h>

#include <random>

using namespace torvane::crypto;
using namespace torvane::test;

namespace {

const std::vector<VecRecord>& AllBlockVectors() {
    static const std::vector<VecRecord> records = ReadVecFolder("block");
    return records;
}

class CipherClass : public ::testing::TestWithParam<TCipherClass> {};

std::string ParamName(const ::testing::TestParamInfo<TCipherClass>& info) {
    return info.param->ClassName;
}

TEST_P(CipherClass, KnownAnswers) {
    const TCipherClass cls = GetParam();
    int count = 0;
    for (const auto& r : AllBlockVectors()) {
        if (r.Section != cls->ClassName) continue;
        ++count;
        SCOPED_TRACE(r.Where);
        const auto key = FromHex(r["Key"]);
        const auto in = FromHex(r["In"]);
        const auto expected = FromHex(r["Out"]);
        const int iterations = r.Has("Iterations") ? std::stoi(r["Iterations"]) : 1;
        const auto B = static_cast<std::size_t>(cls->BlockSize);
        ASSERT_EQ(in.size() % B, 0u);
        ASSERT_EQ(in.size(), expected.size());

        auto c = cls->Create();
        c->Init(key.data(), static_cast<std::int32_t>(key.size()), nullptr);
        auto data = in;
        for (int i = 0; i < iterations; ++i)
            for (std::size_t off = 0; off < data.size(); off += B) c->EncryptBlock(data.data() + off);
        EXPECT_EQ(ToHex(data), ToHex(expected)) << "encryption";

        c->Init(key.data(), static_cast<std::int32_t>(key.size()), nullptr);
        for (int i = 0; i < iterations; ++i)
            for (std::size_t off = 0; off < data.size(); off += B) c->DecryptBlock(data.data() + off);
        EXPECT_EQ(ToHex(data), ToHex(in)) << "decryption";
    }
    EXPECT_GT(count, 0) << "no known answers for " << cls->ClassName;
}

TEST_P(CipherClass, DecryptInvertsEncryptForEveryKeyLength) {
    const TCipherClass cls = GetParam();
    std::mt19937 rng(12345);
    const auto B = static_cast<std::size_t>(cls->BlockSize);
    auto c = cls->Create();
    for (int len = 0; len <= cls->MaxKeySize; len += (len < 40 ? 1 : 37)) {
        SCOPED_TRACE("key length " + std::to_string(len));
        const auto key = RandomBytes(rng, static_cast<std::size_t>(len));
        const auto plain = RandomBytes(rng, B * 3);
        auto data = plain;
        c->Init(key.data(), len, nullptr);
        for (std::size_t off = 0; off < data.size(); off += B) c->EncryptBlock(data.data() + off);
        EXPECT_NE(ToHex(data), ToHex(plain));
        c->Init(key.data(), len, nullptr);
        for (std::size_t off = 0; off < data.size(); off += B) c->DecryptBlock(data.data() + off);
        ASSERT_EQ(ToHex(data), ToHex(plain));
    }
}

TEST_P(CipherClass, LongerKeyIsCutToMaxKeySize) {
    const TCipherClass cls = GetParam();
    std::mt19937 rng(7);
    const auto key = RandomBytes(rng, static_cast<std::size_t>(cls->MaxKeySize) + 9);
    const auto block = RandomBytes(rng, static_cast<std::size_t>(cls->BlockSize));
    auto a = cls->Create();
    auto b = cls->Create();
    a->Init(key.data(), static_cast<std::int32_t>(key.size()), nullptr);
    b->Init(key.data(), cls->MaxKeySize, nullptr);
    auto x = block, y = block;
    a->EncryptBlock(x.data());
    b->EncryptBlock(y.data());
    EXPECT_EQ(ToHex(x), ToHex(y));
}

TEST_P(CipherClass, MisalignedBlocksCodeAlike) {
    const TCipherClass cls = GetParam();
    std::mt19937 rng(99);
    const auto key = RandomBytes(rng, static_cast<std::size_t>(std::min(cls->MaxKeySize, 16)));
    const auto B = static_cast<std::size_t>(cls->BlockSize);
    const auto block = RandomBytes(rng, B);
    auto a = cls->Create();
    auto b = cls->Create();
    a->Init(key.data(), static_cast<std::int32_t>(key.size()), nullptr);
    b->Init(key.data(), static_cast<std::int32_t>(key.size()), nullptr);
    std::vector<std::uint8_t> aligned = block, odd(B + 3);
    std::copy(block.begin(), block.end(), odd.begin() + 3);
    a->EncryptBlock(aligned.data());
    b->EncryptBlock(odd.data() + 3);
    EXPECT_EQ(ToHex(aligned), ToHex(odd.data() + 3, B));
}

TEST_P(CipherClass, WipeForgetsTheKey) {
    const TCipherClass cls = GetParam();
    auto c = cls->Create();
    std::uint8_t buf[256] = {};
    try {
        c->EncryptBuffer(buf, buf, cls->BlockSize);
        FAIL() << "a new object must refuse to code";
    } catch (const ECipherException& e) {
        EXPECT_EQ(e.ErrorCode, 3);
        EXPECT_EQ(std::string(e.what()),
                  std::string(cls->ClassName) + " is not initialized call Init() or InitKey() before.");
    }
    const std::uint8_t key[4] = {1, 2, 3, 4};
    c->Init(key, 4, nullptr);
    EXPECT_TRUE(c->Initialized());
    c->Wipe();
    EXPECT_FALSE(c->Initialized());
    for (int i = 0; i < cls->BlockSize; ++i) EXPECT_EQ(c->Vector()[i], 0xFF);
    EXPECT_THROW(c->DecryptBuffer(buf, buf, cls->BlockSize), ECipherException);
}

TEST_P(CipherClass, VectorIsTheEncryptedAllOnesBlockWhenNoneIsGiven) {
    const TCipherClass cls = GetParam();
    const std::uint8_t key[5] = {9, 8, 7, 6, 5};
    auto a = cls->Create();
    auto b = cls->Create();
    a->Init(key, 5, nullptr);
    b->Init(key, 5, nullptr);
    EXPECT_EQ(ToHex(a->Vector(), cls->BlockSize), ToHex(b->Vector(), cls->BlockSize));
    std::vector<std::uint8_t> given(static_cast<std::size_t>(cls->BlockSize) + 8, 0x5A);
    a->Init(key, 5, given.data());
    EXPECT_EQ(ToHex(a->Vector(), cls->BlockSize), ToHex(given.data(), cls->BlockSize));
    EXPECT_EQ(ToHex(a->Feedback(), cls->BlockSize), ToHex(given.data(), cls->BlockSize));
}

INSTANTIATE_TEST_SUITE_P(All, CipherClass, ::testing::ValuesIn(AllCipherClasses()), ParamName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(CipherClass);

} // namespace
