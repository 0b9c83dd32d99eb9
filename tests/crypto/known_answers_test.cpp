// The known-answer runner and the self-test built on it: what the data files may hold, what the runner
// catches in a class, and that the data built into the library is the data on disk.

#include "common/CryptoData.h"
#include "crypto/KnownAnswers.h"
#include "crypto/cipher/Blowfish.h"
#include "crypto/cipher/CipherClasses.h"
#include "crypto/hash/HashClasses.h"

#include <gtest/gtest.h>

#include <map>

using namespace torvane::crypto;
using namespace torvane::test;

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

TEST(SelfTest, TheBuiltInDataIsTheDataOnDisk) {
    const auto& builtIn = TKnownAnswers::BuiltIn();
    const auto& disk = DiskKnownAnswers();
    EXPECT_EQ(builtIn.BlockAnswers().size(), disk.BlockAnswers().size());
    EXPECT_EQ(builtIn.ModeAnswers().size(), disk.ModeAnswers().size());
    EXPECT_EQ(builtIn.HashAnswers().size(), disk.HashAnswers().size());
    std::map<std::string, std::string> files;
    for (const auto& f : BuiltInVecFiles()) files[f.Name] = f.Text;
    for (const auto& f : ReadKnownAnswerFiles()) EXPECT_EQ(files[f.Name], f.Text) << f.Name;
    EXPECT_EQ(files.size(), ReadKnownAnswerFiles().size());
}

// Classes made to fail, found by the runner under sections of their own.

// Codes from its construction on, without a key.
class KeylessCipher final : public TCipher {
public:
    static const TCipherClassInfo Info;
    KeylessCipher() : TCipher(&Info) { ChangeFlag(FlagInitialized, true); }
    TCipherClass ClassType() const override { return &Info; }
    void Init(const void*, std::int32_t size, const void* vector) override {
        BeginKeying(size);
        EndKeying(vector);
    }
    void EncryptBlock(void* block) override { static_cast<std::uint8_t*>(block)[0] ^= 1; }
    void DecryptBlock(void* block) override { static_cast<std::uint8_t*>(block)[0] ^= 1; }
};
const TCipherClassInfo KeylessCipher::Info{
    "TCipher_Keyless", nullptr, 8, 8, 0, []() -> std::unique_ptr<TCipher> {
        return std::make_unique<KeylessCipher>();
    }};

// Blowfish whose key schedule starts from what an earlier key left, not from pi, after a Wipe: its first
// key gives the right answer, and the same key after Wipe another.
class ForgetfulBlowfish final : public TCipher {
public:
    static const TCipherClassInfo Info;
    ForgetfulBlowfish() : TCipher(&Info) {}
    TCipherClass ClassType() const override { return &Info; }
    void Init(const void* key, std::int32_t size, const void* vector) override {
        BeginKeying(size);
        inner_.Init(key, size, nullptr);
        if (wiped_) inner_.EncryptBlock(salt_);
        EndKeying(vector);
    }
    void Wipe() override {
        TCipher::Wipe();
        wiped_ = true;
    }
    void EncryptBlock(void* block) override {
        inner_.EncryptBlock(block);
        if (wiped_) static_cast<std::uint8_t*>(block)[0] ^= salt_[0] | 1;
    }
    void DecryptBlock(void* block) override {
        if (wiped_) static_cast<std::uint8_t*>(block)[0] ^= salt_[0] | 1;
        inner_.DecryptBlock(block);
    }

private:
    TCipher_Blowfish inner_;
    bool wiped_ = false;
    std::uint8_t salt_[8] = {1};
};
const TCipherClassInfo ForgetfulBlowfish::Info{
    "TCipher_Forgetful", nullptr, 8, 56, 0, []() -> std::unique_ptr<TCipher> {
        return std::make_unique<ForgetfulBlowfish>();
    }};

TClassLookup WithFailingClasses() {
    return {[](std::string_view name) -> TCipherClass {
                if (name == "TCipher_Keyless") return &KeylessCipher::Info;
                if (name == "TCipher_Forgetful") return &ForgetfulBlowfish::Info;
                return FindCipherClass(name);
            },
            FindHashClass};
}

// One block record of Blowfish (Schneier's vectors: the all-zero key and block), under any section.
std::string BlowfishRecord(const std::string& section, const std::string& out = "4EF997456198DD78") {
    return "[" + section + "]\nKey = 0000000000000000\nIn = 0000000000000000\nOut = " + out + "\n";
}

TEST(KnownAnswerRunner, AWrongAnswerFailsWithItsPlace) {
    const TKnownAnswers answers({{"block/x.vec", BlowfishRecord("TCipher_Blowfish", "4EF997456198DD79")}});
    const auto report = answers.Check(&TCipher_Blowfish::ClassInfo);
    EXPECT_EQ(report.Records, 1);
    EXPECT_FALSE(report.Passed());
    ASSERT_FALSE(report.Failures.empty());
    EXPECT_EQ(report.Failures[0],
              "block/x.vec:2: encryption gave 4EF997456198DD78, expected 4EF997456198DD79");
    EXPECT_TRUE(TKnownAnswers({{"block/x.vec", BlowfishRecord("TCipher_Blowfish")}})
                    .Check(&TCipher_Blowfish::ClassInfo)
                    .Passed());
}

TEST(KnownAnswerRunner, ACipherThatCodesWithoutAKeyFails) {
    const TKnownAnswers answers({{"block/x.vec", "[TCipher_Keyless]\nKey = 00\nIn = 0000000000000000\n"
                                                 "Out = 0100000000000000\n"}},
                                WithFailingClasses());
    const auto report = answers.Check(&KeylessCipher::Info);
    ASSERT_EQ(report.Failures.size(), 1u);
    EXPECT_EQ(report.Failures[0], "TCipher_Keyless: coded without a key");
}

TEST(KnownAnswerRunner, ACipherWhoseAnswerChangesAfterWipeFails) {
    const TKnownAnswers answers({{"block/x.vec", BlowfishRecord("TCipher_Forgetful")}}, WithFailingClasses());
    const auto report = answers.Check(&ForgetfulBlowfish::Info);
    EXPECT_EQ(report.Records, 1);
    ASSERT_FALSE(report.Failures.empty());
    EXPECT_NE(report.Failures.back().find("the answer changed after Wipe"), std::string::npos)
        << report.Failures.back();
}

TEST(KnownAnswerRunner, AClassWithoutRecordsDoesNotPass) {
    const TKnownAnswers none(std::vector<TVecFile>{});
    EXPECT_FALSE(none.Check(&TCipher_Blowfish::ClassInfo).Passed());
    EXPECT_FALSE(SelfTest(&KeylessCipher::Info).Passed);
    EXPECT_EQ(SelfTest(&KeylessCipher::Info).Failure, "no known answers");
}

// Data the runner refuses, with the code and the place it names.
struct BadData {
    const char* Name;
    const char* File;
    const char* Text;
    EKnownAnswerData::Code Code;
    const char* Message; // the start of the message
};

class KnownAnswerData : public ::testing::TestWithParam<BadData> {};

TEST_P(KnownAnswerData, IsRefusedNeverSkipped) {
    const auto& bad = GetParam();
    try {
        TKnownAnswers answers(std::vector<TVecFile>{{bad.File, bad.Text}});
        FAIL() << "accepted";
    } catch (const EKnownAnswerData& e) {
        EXPECT_EQ(e.ErrorCode, bad.Code);
        EXPECT_EQ(std::string(e.what()).substr(0, std::string(bad.Message).size()), bad.Message) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KnownAnswerData,
    ::testing::Values(
        BadData{"UnknownField", "block/a.vec",
                "[TCipher_Blowfish]\nKey = 00\nIn = 0000000000000000\nOut = "
                "4EF997456198DD78\nIterations = 2\n",
                EKnownAnswerData::UnknownField, "block/a.vec:2: field Iterations"},
        BadData{"MissingField", "block/a.vec", "[TCipher_Blowfish]\nKey = 00\nIn = 0000000000000000\n",
                EKnownAnswerData::MissingField, "block/a.vec:2: no field Out"},
        BadData{"ParameterOfAnotherClass", "hash/a.vec",
                "[THash_MD5]\nPasses = 4\nInText = abc\nOut = 900150983CD24FB0D6963F7D28E17F72\n",
                EKnownAnswerData::UnknownField, "hash/a.vec:2: field Passes"},
        BadData{"EffectiveBitsOutsideRC2", "block/a.vec",
                "[TCipher_Blowfish]\nKey = 00\nEffectiveBits = 8\nIn = 0000000000000000\nOut = "
                "0000000000000000\n",
                EKnownAnswerData::UnknownField, "block/a.vec:2: field EffectiveBits"},
        BadData{"BothInputs", "hash/a.vec",
                "[THash_MD5]\nIn = 00\nInText = a\nOut = 900150983CD24FB0D6963F7D28E17F72\n",
                EKnownAnswerData::MissingField, "hash/a.vec:2: give either In or InText"},
        BadData{"UnknownSection", "block/a.vec", "[TCipher_Nothing]\nKey = 00\nIn = 00\nOut = 00\n",
                EKnownAnswerData::UnknownSection, "block/a.vec:2: section [TCipher_Nothing]"},
        BadData{"HashSectionInTheBlockFolder", "block/a.vec", "[THash_MD5]\nKey = 00\nIn = 00\nOut = 00\n",
                EKnownAnswerData::UnknownSection, "block/a.vec:2: section [THash_MD5]"},
        BadData{"RecordBeforeAnySection", "hash/a.vec", "InText = abc\nOut = 00\n",
                EKnownAnswerData::UnknownSection, "hash/a.vec:1: section []"},
        BadData{"UnknownFolder", "ciphers/a.vec", "[TCipher_Blowfish]\nKey = 00\n",
                EKnownAnswerData::UnknownSection, "ciphers/a.vec: no kind of record"},
        BadData{"NotHexadecimal", "block/a.vec",
                "[TCipher_Blowfish]\nKey = 0G\nIn = 0000000000000000\nOut = "
                "0000000000000000\n",
                EKnownAnswerData::BadValue, "block/a.vec:2: Key is not hexadecimal"},
        BadData{"PartialBlock", "block/a.vec",
                "[TCipher_Blowfish]\nKey = 00\nIn = 00000000000000\nOut = 00000000000000\n",
                EKnownAnswerData::BadValue, "block/a.vec:2: In and Out must be"},
        BadData{"OffsetInsideABlock", "block/a.vec",
                "[TCipher_RC4]\nKey = 01\nOffset = 8\nIn = 00000000000000000000000000000000\nOut = "
                "00000000000000000000000000000000\n",
                EKnownAnswerData::BadValue, "block/a.vec:2: Offset must be"},
        BadData{"ShortDigest", "hash/a.vec", "[THash_MD5]\nInText = abc\nOut = 9001\n",
                EKnownAnswerData::BadValue, "hash/a.vec:2: Out is not one digest"},
        BadData{"UnknownMode", "modes/a.vec",
                "[TCipher_Blowfish]\nMode = ctr\nKey = 00\nIV = 0000000000000000\nIn = 00\nOut = 00\n",
                EKnownAnswerData::BadValue, "modes/a.vec:2: no chaining mode is called ctr"},
        BadData{"ModeVectorNotABlock", "modes/a.vec",
                "[TCipher_Blowfish]\nMode = cbc\nKey = 00\nIV = 00\nIn = 00\nOut = 00\n",
                EKnownAnswerData::BadValue, "modes/a.vec:2: IV must be one block"},
        BadData{"RepeatZero", "hash/a.vec",
                "[THash_MD5]\nInText = a\nRepeat = 0\nOut = 900150983CD24FB0D6963F7D28E17F72\n",
                EKnownAnswerData::BadValue, "hash/a.vec:2: Repeat must be"},
        BadData{"LineWithoutEquals", "hash/a.vec", "[THash_MD5]\nInText abc\n", EKnownAnswerData::Malformed,
                "hash/a.vec:2: no '='"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(KnownAnswerRunner, ARecordKindRefusesMissingAndUnknownFields) {
    const TRecordKind kind{{"Rounds", "Key"}, {"Note"}};
    const auto records =
        ParseVec("[Study]\nRounds = 3\nKey = 00\nNote = x\n\nKey = 00\n\nRounds = 1\nKey = 00\nX = 1\n",
                 "algorithm/s.vec");
    ASSERT_EQ(records.size(), 3u);
    EXPECT_NO_THROW(kind.Check(records[0]));
    EXPECT_THROW(kind.Check(records[1]), EKnownAnswerData);
    EXPECT_THROW(kind.Check(records[2]), EKnownAnswerData);
}

} // namespace
