#pragma once
// The library's known answers and the one runner that checks a class against them, for the self-test and
// for the tests alike. The data files (crypto/data/<folder>/*.vec, text form in VecFormat.h) hold one
// kind of record per folder, under sections that name the class:
//
//   block  the block function:  Key, In, Out (whole blocks);
//          may have Offset (bytes coded before In, whole blocks: where in its key stream a stream-like
//          class is) and the class parameters below.
//   modes  a chaining mode over a message of any length:  Mode (cts|cbc|cfb|ofb|ecb), Key, IV, In, Out.
//   hash   a digest:  In (hexadecimal) or InText (the characters as bytes), Out;
//          may have Repeat (the input so many times over) and the class parameters below.
//
// Class parameters: Passes (THash_Haval256 and its descendants, THash_Tiger), EffectiveBits (TCipher_RC2,
// RFC 2268's effective key length). A record that lacks a field its kind needs, or has one that neither its
// kind nor its class takes, or whose section names no class of the family, is an error of the data
// (EKnownAnswerData), never a record to skip.
//
// A cipher is checked on one object that every record keys anew: each record in both directions, the
// object refusing to code before its first key and after Wipe, and the first record again after Wipe. A
// hash is checked on one object that every record starts anew, and the first record again at the end.

#include "crypto/VecFormat.h"
#include "crypto/cipher/Cipher.h"
#include "crypto/hash/Hash.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace torvane::crypto {

// One data file: Name is its path below the data folder ("block/blowfish.vec"); the folder gives the kind.
struct TVecFile {
    std::string Name;
    std::string Text;
};

struct TKnownAnswerReport {
    int Records = 0;                   // records of the class that were run
    std::vector<std::string> Failures; // "<file>:<line>: <what>", in the order found
    bool Passed() const { return Records > 0 && Failures.empty(); }
};

// How a section's name finds its class: the registration tables, or in the runner's own tests a table
// that also knows classes made to fail.
struct TClassLookup {
    TCipherClass (*Cipher)(std::string_view className);
    THashClass (*Hash)(std::string_view className);
};
TClassLookup RegisteredClasses();

class TKnownAnswers {
public:
    // Reads and checks every record of the files. Throws EKnownAnswerData at the first record that breaks
    // the rules above.
    explicit TKnownAnswers(const std::vector<TVecFile>& files, TClassLookup lookup = RegisteredClasses());

    // The data files built into the library.
    static const TKnownAnswers& BuiltIn();

    TKnownAnswerReport Check(TCipherClass cls) const;
    TKnownAnswerReport Check(THashClass cls) const;

    struct BlockAnswer {
        std::string Where;
        TCipherClass Class = nullptr;
        std::vector<std::uint8_t> Key, In, Out;
        std::int64_t Offset = 0;
        std::optional<std::int64_t> EffectiveBits;
    };
    struct ModeAnswer {
        std::string Where;
        TCipherClass Class;
        TCipherMode Mode;
        std::vector<std::uint8_t> Key, IV, In, Out;
    };
    struct HashAnswer {
        std::string Where;
        THashClass Class = nullptr;
        std::vector<std::uint8_t> Input, Out;
        std::int64_t Repeat = 1;
        std::optional<std::int64_t> Passes;
    };
    const std::vector<BlockAnswer>& BlockAnswers() const { return block_; }
    const std::vector<ModeAnswer>& ModeAnswers() const { return modes_; }
    const std::vector<HashAnswer>& HashAnswers() const { return hash_; }

private:
    std::vector<BlockAnswer> block_;
    std::vector<ModeAnswer> modes_;
    std::vector<HashAnswer> hash_;
};

// The fields one kind of record needs and may have, for records that are not class answers (the
// algorithm tests' studies of parameters the classes fix, such as other round counts). Throws
// EKnownAnswerData for a missing or an unknown field.
struct TRecordKind {
    std::vector<std::string> Required;
    std::vector<std::string> Optional;
    void Check(const VecRecord& record) const;
};

// The mode names of the data files and of torvane-crypt: "cts", "cbc", "cfb", "ofb", "ecb".
const char* ModeName(TCipherMode mode);
std::optional<TCipherMode> ModeByName(std::string_view name);

namespace detail {
struct EmbeddedVecFile {
    const char* Name; // "block/blowfish.vec"
    const char* Text;
};
extern const EmbeddedVecFile kEmbeddedVecFiles[];
extern const int kEmbeddedVecFileCount;
} // namespace detail

// The embedded data files, as TKnownAnswers reads them.
std::vector<TVecFile> BuiltInVecFiles();

// The self-test of one class: its known answers (as TKnownAnswers::Check) and, for a cipher, a round trip
// in every chaining mode for messages of every length from 0 to 2 blocks and a few longer ones.
struct SelfTestResult {
    bool Passed = true;
    int KnownAnswers = 0; // records checked
    int ModesChecked = 0; // chaining modes round-tripped (ciphers)
    std::string Failure;  // what went wrong first, with the record's source line
};

SelfTestResult SelfTest(THashClass cls);
SelfTestResult SelfTest(TCipherClass cls);

} // namespace torvane::crypto
