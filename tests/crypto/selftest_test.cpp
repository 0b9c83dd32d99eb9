#include "crypto/KnownAnswers.h"

#include "crypto/cipher/CipherClasses.h"
#include "crypto/hash/HashClasses.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace torvane::crypto;

namespace {

TEST(SelfTest, EveryClassPassesOnTheBuiltInData) {
    for (auto cls : AllHashClasses()) {
        const auto r = SelfTest(cls);
        EXPECT_TRUE(r.Passed) << cls->ClassName << ": " << r.Failure;
        EXPECT_GT(r.KnownAnswers, 0) << cls->ClassName;
    }
    for (auto cls : AllCipherClasses()) {
        const auto r = SelfTest(cls);
        EXPECT_TRUE(r.Passed) << cls->ClassName << ": " << r.Failure;
        EXPECT_EQ(r.ModesChecked, 5) << cls->ClassName;
    }
}

// A cipher that claims to be another class's relative but codes nothing: the self-test must catch it.
class BrokenCipher final : public TCipher {
public:
    static const TCipherClassInfo Info;
    BrokenCipher() : TCipher(&Info) {}
    TCipherClass ClassType() const override { return &Info; }
    void Init(const void*, std::int32_t size, const void* vector) override {
        BeginKeying(size);
        EndKeying(vector);
    }
    void EncryptBlock(void* block) override { static_cast<std::uint8_t*>(block)[0] ^= 1; }
    void DecryptBlock(void*) override {} // does not invert EncryptBlock
};
const TCipherClassInfo BrokenCipher::Info{
    "TCipher_Blowfish", nullptr, 8, 56, 0, []() -> std::unique_ptr<TCipher> {
        return std::make_unique<BrokenCipher>();
    }};

TEST(SelfTest, CatchesAWrongCipher) {
    const auto r = SelfTest(&BrokenCipher::Info);
    EXPECT_FALSE(r.Passed);
    EXPECT_NE(r.Failure.find("blowfish.vec"), std::string::npos) << r.Failure;
}

TEST(SelfTest, AClassWithoutKnownAnswersFails) {
    static const TCipherClassInfo nameless{"TCipher_Unlisted", nullptr, 8, 56, 0, BrokenCipher::Info.Create};
    const auto r = SelfTest(&nameless);
    EXPECT_FALSE(r.Passed);
    EXPECT_EQ(r.Failure, "no known answers");
}

} // namespace
