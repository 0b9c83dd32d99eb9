#include "crypto/Catalogue.h"
#include "crypto/cipher/CipherClasses.h"
#include "crypto/hash/HashClasses.h"

#include <gtest/gtest.h>

#include <set>

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

TEST(Catalogue, NoClassIsRegisteredTwice) {
    std::set<std::string> names;
    for (auto* c : AllHashClasses()) EXPECT_TRUE(names.insert(c->ClassName).second) << c->ClassName;
    for (auto* c : AllCipherClasses()) EXPECT_TRUE(names.insert(c->ClassName).second) << c->ClassName;
}

} // namespace
