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
// a blank line, a new section or a field that the record already has. The tests read these files from
// disk; the library carries the same files built in, for its self-test.

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace torvane::crypto {

struct VecRecord {
    std::string Section;
    std::map<std::string, std::string> Fields;
    std::string Where; // source:line of the record's first field
    bool Has(const std::string& f) const { return Fields.count(f) != 0; }
    const std::string& operator[](const std::string& f) const;
};

// Throws std::runtime_error naming the source and line on a malformed line.
std::vector<VecRecord> ParseVec(std::string_view text, const std::string& sourceName);

// Hexadecimal with blanks and colons allowed between digits; throws std::runtime_error on bad digits.
std::vector<std::uint8_t> FromHex(std::string_view hex);
std::string ToHex(const std::uint8_t* p, std::size_t n);
inline std::string ToHex(const std::vector<std::uint8_t>& v) {
    return ToHex(v.data(), v.size());
}

} // namespace torvane::crypto
