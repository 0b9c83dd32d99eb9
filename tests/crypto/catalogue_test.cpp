#include "crypto/Catalogue.h"
#include "crypto/cipher/CipherClasses.h"
#include "crypto/hash/HashClasses.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

using namespace torvane::crypto;

namespace {

// A stand-in class descriptor: the list only compares and names classes, it never creates them.
const THashClassInfo kFakeA{"THash_FakeA", nullptr, 4, nullptr};
const THashClassInfo kFakeB{"THash_FakeB", nullptr, 8, nullptr};

TEST(Catalogue, DerivesNamesFromClassNames) {
    EXPECT_EQ(DerivedName("TCipher_3Way"), "3Way");
    EXPECT_EQ(DerivedName("TCipher_SAFER_K40"), "SAFER_K40");
    EXPECT_EQ(DerivedName("Thash_CRC16_Standard"), "CRC16_Standard");
}

TEST(Catalogue, RegistrationReplacesInPlaceAndLooksUpWithoutCase) {
    TAlgorithmList<THashClass> list;
    EXPECT_FALSE(list.Register(nullptr, "Nothing", ""));
    EXPECT_TRUE(list.Register(&kFakeA, "  First  ", "Hash"));
    EXPECT_TRUE(list.Register(&kFakeB, "", ""));
    ASSERT_EQ(list.Entries().size(), 2u);
    EXPECT_EQ(list.Entries()[0].Text, "First=Hash");
    EXPECT_EQ(list.Entries()[1].Name(), "FakeB");

    EXPECT_TRUE(list.Register(&kFakeA, "Renamed", "Checksum"));
    ASSERT_EQ(list.Entries().size(), 2u);
    EXPECT_EQ(list.Entries()[0].Text, "Renamed=Checksum");

    ASSERT_NE(list.FindByName("rENAMED"), nullptr);
    EXPECT_EQ(list.FindByName("renamed")->Class, &kFakeA);
    EXPECT_EQ(list.FindByName("First"), nullptr);
    EXPECT_EQ(list.NameOf(&kFakeB), "FakeB");
    const THashClassInfo other{"THash_Other", nullptr, 1, nullptr};
    EXPECT_EQ(list.NameOf(&other), "");
}

TEST(Catalogue, ListsEveryExistingClassInOrder) {
    const auto& hashes = HashCatalogue().Entries();
    EXPECT_EQ(hashes.size(), AllHashClasses().size());
    for (std::size_t i = 0; i < hashes.size(); ++i) EXPECT_EQ(hashes[i].Class, AllHashClasses()[i]);
    const auto& ciphers = CipherCatalogue().Entries();
    for (std::size_t i = 0; i < ciphers.size(); ++i) EXPECT_EQ(ciphers[i].Class, AllCipherClasses()[i]);
}

TEST(Catalogue, IsTheListedRowsOfTheRegistrationTables) {
    // The catalogue counts of the design: 28 hashes and 39 ciphers; the SAFER base is walked by the tests
    // and the self-test but not offered by name.
    EXPECT_EQ(HashCatalogue().Entries().size(), 28u);
    EXPECT_EQ(CipherCatalogue().Entries().size(), 39u);
    EXPECT_EQ(CipherCatalogue().FindByClass(FindCipherClass("TCipher_SAFER")), nullptr);
    EXPECT_NE(FindCipherClass("TCipher_SAFER"), nullptr);
    std::size_t listed = 0;
    for (const auto& row : CipherRegistrations()) {
        if (!row.Listed) continue;
        const auto& e = CipherCatalogue().Entries()[listed++];
        EXPECT_EQ(e.Class, row.Class);
        EXPECT_EQ(e.Name(), row.Name.empty() ? DerivedName(row.Class->ClassName) : std::string(row.Name));
        EXPECT_EQ(e.Note(), row.Note);
    }
    EXPECT_EQ(listed, CipherCatalogue().Entries().size());
    EXPECT_EQ(CipherCatalogue().NameOf(FindCipherClass("TCipher_3Way")), "3Way");
    EXPECT_EQ(CipherCatalogue().FindByName("Cast 256")->Note(), "Patented");
    EXPECT_EQ(HashCatalogue().FindByName("crc-16 standard")->Class->ClassName,
              std::string("Thash_CRC16_Standard"));
}

// Every entry's text, name and note, in the order the catalogue offers them: written out here rather
// than read from the registration tables, so that a row that loses or changes its name or note is seen.
TEST(Catalogue, TextsAreTheListedNamesAndNotes) {
    const std::vector<std::string> hashes = {
        "Message Digest 4=Hash",
        "Message Digest 5=Hash",
        "Secure Hash Algorithm=Hash",
        "Secure Hash Algorithm 1=Hash",
        "Ripe Message Digest 128=Hash",
        "Ripe Message Digest 160=Hash",
        "Ripe Message Digest 256=Hash",
        "Ripe Message Digest 320=Hash",
        "Haval-128=Hash",
        "Haval-160=Hash",
        "Haval-192=Hash",
        "Haval-224=Hash",
        "Haval-256=Hash",
        "Sapphire II-128=Hash",
        "Sapphire II-160=Hash",
        "Sapphire II-192=Hash",
        "Sapphire II-224=Hash",
        "Sapphire II-256=Hash",
        "Sapphire II-288=Hash",
        "Sapphire II-320=Hash",
        "Snefru-256=Hash",
        "Square=Hash",
        "Tiger=Hash",
        "XOR-16=Checksum",
        "XOR-32=Checksum",
        "CRC-16 CCITT=Checksum",
        "CRC-16 Standard=Checksum",
        "CRC-32=Checksum",
    };
    const std::vector<std::string> ciphers = {
        "3Way=",
        "Blowfish=",
        "Cast 128=",
        "Cast 256=Patented",
        "DES Single 8byte=",
        "DES Double 8byte=",
        "DES Double 16byte=",
        "DES Triple 8byte=",
        "DES Triple 16byte=",
        "DES Triple 24byte=",
        "DESX=Copyright by RSA",
        "Diamond II=",
        "Diamond II Lite=",
        "FROG=",
        "Gost=",
        "IDEA=free for non-commercial",
        "Mars=Patented",
        "Misty 1=free for non-commercial",
        "NewDES=",
        "Q128=",
        "RC2=",
        "RC4=Patented by RSA",
        "RC5=Patented by RSA",
        "RC6=Patented by RSA",
        "Rijndael=",
        "SAFER-K40=",
        "SAFER-SK40=Keyscheduling",
        "SAFER-K64=",
        "SAFER-SK64=Keyscheduling",
        "SAFER-K128=",
        "SAFER-SK128=Keyscheduling",
        "Sapphire II=",
        "SCOP=",
        "Shark=",
        "Skipjack=",
        "Square=",
        "TEA=",
        "TEA extended=",
        "Twofish=",
    };
    std::vector<std::string> hashTexts, cipherTexts;
    for (const auto& e : HashCatalogue().Entries()) hashTexts.push_back(e.Text);
    for (const auto& e : CipherCatalogue().Entries()) cipherTexts.push_back(e.Text);
    EXPECT_EQ(hashTexts, hashes);
    EXPECT_EQ(cipherTexts, ciphers);
}

TEST(Catalogue, NoClassIsRegisteredTwice) {
    std::set<std::string> names;
    for (auto* c : AllHashClasses()) EXPECT_TRUE(names.insert(c->ClassName).second) << c->ClassName;
    for (auto* c : AllCipherClasses()) EXPECT_TRUE(names.insert(c->ClassName).second) << c->ClassName;
}

} // namespace
