#include "crypto/KnownAnswers.h"

#include "crypto/cipher/CipherClasses.h"
#include "crypto/cipher/RC2.h"
#include "crypto/common/Hex.h"
#include "crypto/hash/HashClasses.h"
#include "crypto/hash/Haval.h"
#include "crypto/hash/Tiger.h"

#include <algorithm>
#include <exception>
#include <random>

namespace torvane::crypto {

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr const char* kModeNames[] = {"cts", "cbc", "cfb", "ofb", "ecb"};

// ---- Class parameters ----------------------------------------------------------------------------------
// A record may set these only for a class of the family named. Records that leave a parameter out get
// its unset value, so that an object reused from an earlier record does not keep it.

struct HashParameter {
    const char* Field;
    THashClass Family;
    void (*Set)(THash&, std::int64_t);
};

const HashParameter kHashParameters[] = {
    {"Passes", &THash_Haval256::ClassInfo,
     [](THash& h, std::int64_t v) { static_cast<THash_Haval256&>(h).Passes = static_cast<std::int32_t>(v); }},
    {"Passes", &THash_Tiger::ClassInfo,
     [](THash& h, std::int64_t v) { static_cast<THash_Tiger&>(h).SetRounds(static_cast<std::int32_t>(v)); }},
};

bool CipherTakesEffectiveBits(TCipherClass cls) {
    return cls->InheritsFrom(&TCipher_RC2::ClassInfo);
}

// ---- Reading records -------------------------------------------------------------------------------------

[[noreturn]] void Fail(const VecRecord& r, const std::string& what, EKnownAnswerData::Code code) {
    throw EKnownAnswerData(r.Where + ": " + what, code);
}

template <class ClassRef> ClassRef SectionClass(const VecRecord& r, ClassRef found) {
    if (!found)
        Fail(r, "section [" + r.Section + "] names no class of this family",
             EKnownAnswerData::UnknownSection);
    return found;
}

void ReadBlock(const VecRecord& r, const TClassLookup& lookup, std::vector<TKnownAnswers::BlockAnswer>& out) {
    const auto cls = SectionClass(r, lookup.Cipher(r.Section));
    TRecordKind kind{{"Key", "In", "Out"}, {"Offset"}};
    if (CipherTakesEffectiveBits(cls)) kind.Optional.push_back("EffectiveBits");
    kind.Check(r);
    TKnownAnswers::BlockAnswer a;
    a.Where = r.Where;
    a.Class = cls;
    a.Key = r.Bytes("Key");
    a.In = r.Bytes("In");
    a.Out = r.Bytes("Out");
    const auto B = static_cast<std::size_t>(cls->BlockSize);
    if (a.In.empty() || a.In.size() % B != 0 || a.Out.size() != a.In.size())
        Fail(r, "In and Out must be the same whole number of blocks", EKnownAnswerData::BadValue);
    if (r.Has("Offset")) a.Offset = r.Number("Offset");
    if (a.Offset < 0 || a.Offset % cls->BlockSize != 0)
        Fail(r, "Offset must be a whole number of blocks", EKnownAnswerData::BadValue);
    if (r.Has("EffectiveBits")) a.EffectiveBits = r.Number("EffectiveBits");
    out.push_back(std::move(a));
}

void ReadMode(const VecRecord& r, const TClassLookup& lookup, std::vector<TKnownAnswers::ModeAnswer>& out) {
    const auto cls = SectionClass(r, lookup.Cipher(r.Section));
    TRecordKind{{"Mode", "Key", "IV", "In", "Out"}, {}}.Check(r);
    const auto mode = ModeByName(r["Mode"]);
    if (!mode) Fail(r, "no chaining mode is called " + r["Mode"], EKnownAnswerData::BadValue);
    TKnownAnswers::ModeAnswer a{r.Where,       cls,           *mode,         r.Bytes("Key"),
                                r.Bytes("IV"), r.Bytes("In"), r.Bytes("Out")};
    if (a.IV.size() != static_cast<std::size_t>(cls->BlockSize))
        Fail(r, "IV must be one block", EKnownAnswerData::BadValue);
    if (a.Out.size() != a.In.size()) Fail(r, "In and Out differ in length", EKnownAnswerData::BadValue);
    out.push_back(std::move(a));
}

void ReadHash(const VecRecord& r, const TClassLookup& lookup, std::vector<TKnownAnswers::HashAnswer>& out) {
    const auto cls = SectionClass(r, lookup.Hash(r.Section));
    TRecordKind kind{{"Out"}, {"In", "InText", "Repeat"}};
    for (const auto& p : kHashParameters)
        if (cls->InheritsFrom(p.Family)) kind.Optional.push_back(p.Field);
    kind.Check(r);
    if (r.Has("In") == r.Has("InText")) Fail(r, "give either In or InText", EKnownAnswerData::MissingField);
    TKnownAnswers::HashAnswer a;
    a.Where = r.Where;
    a.Class = cls;
    if (r.Has("In")) {
        a.Input = r.Bytes("In");
    } else {
        const auto& t = r["InText"];
        a.Input.assign(t.begin(), t.end());
    }
    a.Out = r.Bytes("Out");
    if (a.Out.size() != static_cast<std::size_t>(cls->DigestLength))
        Fail(r, "Out is not one digest of the class", EKnownAnswerData::BadValue);
    if (r.Has("Repeat")) a.Repeat = r.Number("Repeat");
    if (a.Repeat < 1) Fail(r, "Repeat must be 1 or more", EKnownAnswerData::BadValue);
    if (r.Has("Passes")) a.Passes = r.Number("Passes");
    out.push_back(std::move(a));
}

// ---- Running records -------------------------------------------------------------------------------------

class Failures {
public:
    explicit Failures(TKnownAnswerReport& report) : report_(report) {}
    void Add(const std::string& where, const std::string& what) {
        report_.Failures.push_back(where + ": " + what);
    }
    // Expected and got as hexadecimal.
    bool Same(const std::string& where, const char* what, const Bytes& expected, const Bytes& got) {
        if (expected == got) return true;
        Add(where,
            std::string(what) + " gave " + common::HexText(got) + ", expected " + common::HexText(expected));
        return false;
    }

private:
    TKnownAnswerReport& report_;
};

void Key(TCipher& c, const TKnownAnswers::BlockAnswer& a) {
    const auto size = static_cast<std::int32_t>(a.Key.size());
    if (a.EffectiveBits)
        static_cast<TCipher_RC2&>(c).InitEffective(a.Key.data(), size,
                                                   static_cast<std::int32_t>(*a.EffectiveBits), nullptr);
    else
        c.Init(a.Key.data(), size, nullptr);
    // Where in its stream the record starts: the same number of blocks coded beforehand.
    Bytes skip(static_cast<std::size_t>(c.BlockSize()));
    for (std::int64_t done = 0; done < a.Offset; done += c.BlockSize()) c.EncryptBlock(skip.data());
}

Bytes Blocks(TCipher& c, Bytes data, bool encrypt) {
    const auto B = static_cast<std::size_t>(c.BlockSize());
    for (std::size_t off = 0; off < data.size(); off += B)
        encrypt ? c.EncryptBlock(data.data() + off) : c.DecryptBlock(data.data() + off);
    return data;
}

bool RunBlock(TCipher& c, const TKnownAnswers::BlockAnswer& a, Failures& f) {
    Key(c, a);
    if (!f.Same(a.Where, "encryption", a.Out, Blocks(c, a.In, true))) return false;
    Key(c, a);
    return f.Same(a.Where, "decryption", a.In, Blocks(c, a.Out, false));
}

void RunMode(TCipher& c, const TKnownAnswers::ModeAnswer& a, Failures& f) {
    c.Mode = a.Mode;
    const auto size = static_cast<std::int64_t>(a.In.size());
    Bytes out(a.In.size());
    c.Init(a.Key.data(), static_cast<std::int32_t>(a.Key.size()), a.IV.data());
    c.EncryptBuffer(a.In.data(), out.data(), size);
    if (!f.Same(a.Where, "encryption", a.Out, out)) return;
    c.Init(a.Key.data(), static_cast<std::int32_t>(a.Key.size()), a.IV.data());
    c.DecryptBuffer(a.Out.data(), out.data(), size);
    f.Same(a.Where, "decryption", a.In, out);
}

// True when coding throws NotInitialized, as an object without a key must.
bool RefusesToCode(TCipher& c) {
    Bytes block(static_cast<std::size_t>(c.BlockSize()));
    try {
        c.EncryptBuffer(block.data(), block.data(), static_cast<std::int64_t>(block.size()));
    } catch (const ECipherException& e) {
        return e.ErrorCode == ECipherException::NotInitialized;
    }
    return false;
}

Bytes RunHash(THash& h, const TKnownAnswers::HashAnswer& a) {
    for (const auto& p : kHashParameters)
        if (h.ClassType()->InheritsFrom(p.Family)) p.Set(h, a.Passes.value_or(0));
    // Long repetitions go in chunks of whole repetitions, so that a million-fold input is not built.
    Bytes chunk;
    const std::int64_t perChunk = std::max<std::int64_t>(
        1, 65536 / std::max<std::int64_t>(1, static_cast<std::int64_t>(a.Input.size())));
    for (std::int64_t i = 0; i < std::min(a.Repeat, perChunk); ++i)
        chunk.insert(chunk.end(), a.Input.begin(), a.Input.end());
    h.Start();
    for (std::int64_t left = a.Repeat; left > 0; left -= perChunk) {
        const auto n = std::min(left, perChunk);
        h.Update(chunk.data(), static_cast<std::int64_t>(a.Input.size()) * n);
    }
    h.Finish();
    return Bytes(h.DigestBytes(), h.DigestBytes() + h.DigestLength());
}

std::string Describe(const std::exception& e) {
    return std::string("exception: ") + e.what();
}

} // namespace

// ---- TKnownAnswers ---------------------------------------------------------------------------------------

TClassLookup RegisteredClasses() {
    return {FindCipherClass, FindHashClass};
}

TKnownAnswers::TKnownAnswers(const std::vector<TVecFile>& files, TClassLookup lookup) {
    for (const auto& file : files) {
        const auto folder = file.Name.substr(0, file.Name.find('/'));
        const auto records = ParseVec(file.Text, file.Name);
        for (const auto& r : records) {
            if (folder == "block")
                ReadBlock(r, lookup, block_);
            else if (folder == "modes")
                ReadMode(r, lookup, modes_);
            else if (folder == "hash")
                ReadHash(r, lookup, hash_);
            else
                throw EKnownAnswerData(file.Name + ": no kind of record lives in folder " + folder,
                                       EKnownAnswerData::UnknownSection);
        }
    }
}

const TKnownAnswers& TKnownAnswers::BuiltIn() {
    static const TKnownAnswers answers(BuiltInVecFiles());
    return answers;
}

TKnownAnswerReport TKnownAnswers::Check(TCipherClass cls) const {
    TKnownAnswerReport report;
    Failures f(report);
    const BlockAnswer* first = nullptr;
    try {
        auto c = cls->Create();
        if (!RefusesToCode(*c)) f.Add(cls->ClassName, "coded without a key");
        for (const auto& a : block_) {
            if (a.Class != cls) continue;
            ++report.Records;
            if (!first) first = &a;
            RunBlock(*c, a, f);
        }
        for (const auto& a : modes_) {
            if (a.Class != cls) continue;
            ++report.Records;
            RunMode(*c, a, f);
        }
        c->Wipe();
        if (!RefusesToCode(*c)) f.Add(cls->ClassName, "coded after Wipe");
        c->Mode = cmCTS;
        if (first && !RunBlock(*c, *first, f)) f.Add(first->Where, "the answer changed after Wipe");
    } catch (const std::exception& e) {
        f.Add(cls->ClassName, Describe(e));
    }
    return report;
}

TKnownAnswerReport TKnownAnswers::Check(THashClass cls) const {
    TKnownAnswerReport report;
    Failures f(report);
    const HashAnswer* first = nullptr;
    try {
        auto h = cls->Create();
        for (const auto& a : hash_) {
            if (a.Class != cls) continue;
            ++report.Records;
            if (!first) first = &a;
            f.Same(a.Where, "digest", a.Out, RunHash(*h, a));
        }
        if (first) f.Same(first->Where, "digest after further use", first->Out, RunHash(*h, *first));
    } catch (const std::exception& e) {
        f.Add(cls->ClassName, Describe(e));
    }
    return report;
}

void TRecordKind::Check(const VecRecord& record) const {
    for (const auto& f : Required)
        if (!record.Has(f)) Fail(record, "no field " + f, EKnownAnswerData::MissingField);
    for (const auto& [name, value] : record.Fields)
        if (std::find(Required.begin(), Required.end(), name) == Required.end() &&
            std::find(Optional.begin(), Optional.end(), name) == Optional.end())
            Fail(record, "field " + name + " is not one that [" + record.Section + "] takes",
                 EKnownAnswerData::UnknownField);
}

const char* ModeName(TCipherMode mode) {
    return mode <= cmECB ? kModeNames[mode] : "?";
}

std::optional<TCipherMode> ModeByName(std::string_view name) {
    for (int i = 0; i <= cmECB; ++i)
        if (name == kModeNames[i]) return static_cast<TCipherMode>(i);
    return std::nullopt;
}

std::vector<TVecFile> BuiltInVecFiles() {
    std::vector<TVecFile> files;
    for (int i = 0; i < detail::kEmbeddedVecFileCount; ++i)
        files.push_back({detail::kEmbeddedVecFiles[i].Name, detail::kEmbeddedVecFiles[i].Text});
    return files;
}

// ---- Self-test -------------------------------------------------------------------------------------------

namespace {

SelfTestResult FromReport(const TKnownAnswerReport& report) {
    SelfTestResult result;
    result.KnownAnswers = report.Records;
    if (report.Records == 0) {
        result.Passed = false;
        result.Failure = "no known answers";
    } else if (!report.Failures.empty()) {
        result.Passed = false;
        result.Failure = report.Failures.front();
    }
    return result;
}

// Every mode must give back what it was given, for every tail length and across chunks.
void RoundTrips(TCipherClass cls, SelfTestResult& result) {
    const auto B = static_cast<std::size_t>(cls->BlockSize);
    std::vector<std::size_t> sizes;
    for (std::size_t n = 0; n <= 2 * B; ++n) sizes.push_back(n);
    sizes.insert(sizes.end(), {3 * B + 5, 4096 + 7});
    std::mt19937 rng(0x7E57u);
    Bytes key(static_cast<std::size_t>(std::min(cls->MaxKeySize, 16)));
    for (auto& b : key) b = static_cast<std::uint8_t>(rng());
    // Keyed once: Rewind starts every message from the keyed state (some classes take long to key).
    auto c = cls->Create();
    c->Init(key.data(), static_cast<std::int32_t>(key.size()), nullptr);
    for (auto mode : {cmCTS, cmCBC, cmCFB, cmOFB, cmECB}) {
        c->Mode = mode;
        for (auto size : sizes) {
            Bytes plain(size), coded(size), back(size);
            for (auto& b : plain) b = static_cast<std::uint8_t>(rng());
            c->Rewind();
            c->EncryptBuffer(plain.data(), coded.data(), static_cast<std::int64_t>(size));
            c->Rewind();
            c->DecryptBuffer(coded.data(), back.data(), static_cast<std::int64_t>(size));
            if (back != plain || (size >= 2 * B && coded == plain)) {
                result.Passed = false;
                result.Failure = std::string("round trip failed in mode ") + ModeName(mode) + " with " +
                                 std::to_string(size) + " bytes";
                return;
            }
        }
        ++result.ModesChecked;
    }
}

} // namespace

SelfTestResult SelfTest(THashClass cls) {
    try {
        return FromReport(TKnownAnswers::BuiltIn().Check(cls));
    } catch (const std::exception& e) {
        return {false, 0, 0, e.what()};
    }
}

SelfTestResult SelfTest(TCipherClass cls) {
    try {
        auto result = FromReport(TKnownAnswers::BuiltIn().Check(cls));
        if (result.Passed) RoundTrips(cls, result);
        return result;
    } catch (const std::exception& e) {
        return {false, 0, 0, e.what()};
    }
}

} // namespace torvane::crypto
