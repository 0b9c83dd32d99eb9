#pragma once
// The known-answer data format (*.vec):
//
//   # comment (the source document is named at the top of every file)
//   [TCipher_Blowfish]
//   Key = 0000000000000000
//   In  = 0000000000000000
//   Out = 4EF997456198DD78
//
// A section names the class the records belong to; a record is a run of "Field = value" lines, ended by
// a blank line, a new section or a field that the record already has. Which fields a record needs and may
// have is the known-answer runner's business (KnownAnswers.h); this is only the text form.

#include "platform/Error.h"

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace torvane::crypto {

// Known-answer data that cannot be used: a malformed line, a record without a field its kind needs or
// with one it does not know, a value that is not what its field takes, a section that names no class.
// The message starts with the file and line.
class EKnownAnswerData : public torvane::Exception {
public:
    // The values of ErrorCode.
    enum Code : std::int32_t {
        Malformed = 1,      // a line that is neither a comment, a section nor "Field = value"
        MissingField = 2,   // a field the record's kind needs is absent
        UnknownField = 3,   // a field the record's kind (or class) does not take
        BadValue = 4,       // a value of the wrong form (not hexadecimal, not a number, a partial block)
        UnknownSection = 5, // a section that names no class of the family, or a folder of no known kind
    };
    EKnownAnswerData(const std::string& message, Code code) : Exception(message, code) {}
};

struct VecRecord {
    std::string Section;
    std::map<std::string, std::string> Fields;
    std::string Where; // source:line of the record's first field
    bool Has(const std::string& f) const { return Fields.count(f) != 0; }
    // Throws EKnownAnswerData MissingField.
    const std::string& operator[](const std::string& f) const;
    // The field as bytes (hexadecimal) or as a whole number; EKnownAnswerData BadValue otherwise.
    std::vector<std::uint8_t> Bytes(const std::string& f) const;
    std::int64_t Number(const std::string& f) const;
};

// Throws EKnownAnswerData Malformed naming the source and line.
std::vector<VecRecord> ParseVec(std::string_view text, const std::string& sourceName);

} // namespace torvane::crypto
