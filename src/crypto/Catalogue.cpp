#include "crypto/Catalogue.h"

#include "crypto/cipher/CipherClasses.h"
#include "crypto/hash/HashClasses.h"

#include <cctype>

namespace torvane::crypto {

namespace {

std::string TrimBlanks(std::string_view s) {
    const auto b = s.find_first_not_of(" \t\r\n");
    if (b == std::string_view::npos) return {};
    const auto e = s.find_last_not_of(" \t\r\n");
    return std::string(s.substr(b, e - b + 1));
}

bool SameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

struct CatalogueRow {
    const char* Name; // empty: derived from the class name
    const char* ClassName;
    const char* Note;
};

const CatalogueRow kHashRows[] = {
    {"Message Digest 4", "THash_MD4", "Hash"},
    {"Message Digest 5", "THash_MD5", "Hash"},
    {"Secure Hash Algorithm", "THash_SHA", "Hash"},
    {"Secure Hash Algorithm 1", "THash_SHA1", "Hash"},
    {"Ripe Message Digest 128", "THash_RipeMD128", "Hash"},
    {"Ripe Message Digest 160", "THash_RipeMD160", "Hash"},
    {"Ripe Message Digest 256", "THash_RipeMD256", "Hash"},
    {"Ripe Message Digest 320", "THash_RipeMD320", "Hash"},
    {"Haval-128", "THash_Haval128", "Hash"},
    {"Haval-160", "THash_Haval160", "Hash"},
    {"Haval-192", "THash_Haval192", "Hash"},
    {"Haval-224", "THash_Haval224", "Hash"},
    {"Haval-256", "THash_Haval256", "Hash"},
    {"Sapphire II-128", "THash_Sapphire128", "Hash"},
    {"Sapphire II-160", "THash_Sapphire160", "Hash"},
    {"Sapphire II-192", "THash_Sapphire192", "Hash"},
    {"Sapphire II-224", "THash_Sapphire224", "Hash"},
    {"Sapphire II-256", "THash_Sapphire256", "Hash"},
    {"Sapphire II-288", "THash_Sapphire288", "Hash"},
    {"Sapphire II-320", "THash_Sapphire320", "Hash"},
    {"Snefru-256", "THash_Snefru", "Hash"},
    {"Square", "THash_Square", "Hash"},
    {"Tiger", "THash_Tiger", "Hash"},
    {"XOR-16", "THash_XOR16", "Checksum"},
    {"XOR-32", "THash_XOR32", "Checksum"},
    {"CRC-16 CCITT", "THash_CRC16_CCITT", "Checksum"},
    {"CRC-16 Standard", "Thash_CRC16_Standard", "Checksum"},
    {"CRC-32", "THash_CRC32", "Checksum"},
};

const CatalogueRow kCipherRows[] = {
    {"", "TCipher_3Way", ""},
    {"", "TCipher_Blowfish", ""},
    {"Cast 128", "TCipher_Cast128", ""},
    {"Cast 256", "TCipher_Cast256", "Patented"},
    {"DES Single 8byte", "TCipher_1DES", ""},
    {"DES Double 8byte", "TCipher_2DES", ""},
    {"DES Double 16byte", "TCipher_2DDES", ""},
    {"DES Triple 8byte", "TCipher_3DES", ""},
    {"DES Triple 16byte", "TCipher_3DDES", ""},
    {"DES Triple 24byte", "TCipher_3TDES", ""},
    {"DESX", "TCipher_DESX", "Copyright by RSA"},
    {"Diamond II", "TCipher_Diamond2", ""},
    {"Diamond II Lite", "TCipher_Diamond2Lite", ""},
    {"", "TCipher_FROG", ""},
    {"", "TCipher_Gost", ""},
    {"", "TCipher_IDEA", "free for non-commercial"},
    {"", "TCipher_Mars", "Patented"},
    {"Misty 1", "TCipher_Misty", "free for non-commercial"},
    {"", "TCipher_NewDES", ""},
    {"", "TCipher_Q128", ""},
    {"", "TCipher_RC2", ""},
    {"", "TCipher_RC4", "Patented by RSA"},
    {"", "TCipher_RC5", "Patented by RSA"},
    {"", "TCipher_RC6", "Patented by RSA"},
    {"", "TCipher_Rijndael", ""},
    {"SAFER-K40", "TCipher_SAFER_K40", ""},
    {"SAFER-SK40", "TCipher_SAFER_SK40", "Keyscheduling"},
    {"SAFER-K64", "TCipher_SAFER_K64", ""},
    {"SAFER-SK64", "TCipher_SAFER_SK64", "Keyscheduling"},
    {"SAFER-K128", "TCipher_SAFER_K128", ""},
    {"SAFER-SK128", "TCipher_SAFER_SK128", "Keyscheduling"},
    {"Sapphire II", "TCipher_Sapphire", ""},
    {"", "TCipher_SCOP", ""},
    {"", "TCipher_Shark", ""},
    {"", "TCipher_Skipjack", ""},
    {"", "TCipher_Square", ""},
    {"TEA", "TCipher_TEA", ""},
    {"TEA extended", "TCipher_TEAN", ""},
    {"", "TCipher_Twofish", ""},
};

} // namespace

std::string DerivedName(std::string_view className) {
    std::string_view s = className;
    if (!s.empty() && (s[0] == 'T' || s[0] == 't')) s.remove_prefix(1);
    const auto us = s.find('_');
    if (us != std::string_view::npos) s.remove_prefix(us + 1);
    return std::string(s);
}

template <class ClassRef>
bool TAlgorithmList<ClassRef>::Register(ClassRef cls, std::string_view name, std::string_view note) {
    if (!cls) return false;
    std::string n = TrimBlanks(name);
    if (n.empty()) n = DerivedName(cls->ClassName);
    std::string text = n + "=" + std::string(note);
    for (auto& e : entries_) {
        if (e.Class == cls) {
            e.Text = std::move(text);
            return true;
        }
    }
    entries_.push_back(Entry{std::move(text), cls});
    return true;
}

template <class ClassRef>
const typename TAlgorithmList<ClassRef>::Entry* TAlgorithmList<ClassRef>::FindByName(std::string_view name) const {
    for (const auto& e : entries_)
        if (SameText(e.Name(), name)) return &e;
    return nullptr;
}

template <class ClassRef>
const typename TAlgorithmList<ClassRef>::Entry* TAlgorithmList<ClassRef>::FindByClass(ClassRef cls) const {
    for (const auto& e : entries_)
        if (e.Class == cls) return &e;
    return nullptr;
}

template <class ClassRef>
std::string TAlgorithmList<ClassRef>::NameOf(ClassRef cls) const {
    const auto* e = FindByClass(cls);
    return e ? e->Name() : std::string();
}

template class TAlgorithmList<THashClass>;
template class TAlgorithmList<TCipherClass>;

TAlgorithmList<THashClass>& HashCatalogue() {
    static TAlgorithmList<THashClass> list = [] {
        TAlgorithmList<THashClass> l;
        for (const auto& row : kHashRows) l.Register(FindHashClass(row.ClassName), row.Name, row.Note);
        return l;
    }();
    return list;
}

TAlgorithmList<TCipherClass>& CipherCatalogue() {
    static TAlgorithmList<TCipherClass> list = [] {
        TAlgorithmList<TCipherClass> l;
        for (const auto& row : kCipherRows) l.Register(FindCipherClass(row.ClassName), row.Name, row.Note);
        return l;
    }();
    return list;
}

} // namespace torvane::crypto
