#pragma once
// Reader of the known-answer data files (tests/data/**/*.vec):
//
//   # comment (the source document is named at the top of every file)
//   [TCipher_Blowfish]
//   Key = 0000000000000000
//   In  = 0000000000000000
//   Out = 4EF997456198DD78
//
// A section names the class the records belong to; a record is a run of "Field = value" lines, ended by
// a blank line, a new section or a field that the record already has.

#include <cstdint>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace torvane::test {

struct VecRecord {
    std::string Section;
    std::map<std::string, std::string> Fields;
    std::string Where; // file:line of the record's first field
    bool Has(const std::string& f) const { return Fields.count(f) != 0; }
    const std::string& operator[](const std::string& f) const {
        auto it = Fields.find(f);
        if (it == Fields.end()) throw std::runtime_error(Where + ": missing field " + f);
        return it->second;
    }
};

inline std::string Trim(const std::string& s) {
    const auto b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos) return {};
    const auto e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

inline std::vector<VecRecord> ReadVecFile(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot open " + path);
    std::vector<VecRecord> out;
    VecRecord cur;
    std::string section, line;
    int lineNo = 0;
    auto flush = [&] {
        if (!cur.Fields.empty()) out.push_back(cur);
        cur = VecRecord{};
        cur.Section = section;
    };
    while (std::getline(in, line)) {
        ++lineNo;
        const auto t = Trim(line);
        if (t.empty()) {
            flush();
            continue;
        }
        if (t[0] == '#') continue;
        if (t.front() == '[' && t.back() == ']') {
            flush();
            section = t.substr(1, t.size() - 2);
            cur.Section = section;
            continue;
        }
        const auto eq = t.find('=');
        if (eq == std::string::npos) throw std::runtime_error(path + ":" + std::to_string(lineNo) + ": no '='");
        const auto key = Trim(t.substr(0, eq));
        const auto value = Trim(t.substr(eq + 1));
        if (cur.Fields.count(key)) flush();
        if (cur.Fields.empty()) cur.Where = path + ":" + std::to_string(lineNo);
        cur.Section = section;
        cur.Fields[key] = value;
    }
    flush();
    return out;
}

inline std::vector<std::uint8_t> FromHex(const std::string& hex) {
    std::vector<std::uint8_t> r;
    int nibble = -1;
    for (char c : hex) {
        int v;
        if (c >= '0' && c <= '9') v = c - '0';
        else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
        else if (c == ' ' || c == ':') continue;
        else throw std::runtime_error("bad hex digit in " + hex);
        if (nibble < 0) nibble = v;
        else {
            r.push_back(static_cast<std::uint8_t>(nibble << 4 | v));
            nibble = -1;
        }
    }
    if (nibble >= 0) throw std::runtime_error("odd hex length: " + hex);
    return r;
}

inline std::string ToHex(const std::uint8_t* p, std::size_t n) {
    static const char* d = "0123456789ABCDEF";
    std::string r;
    for (std::size_t i = 0; i < n; ++i) {
        r += d[p[i] >> 4];
        r += d[p[i] & 15];
    }
    return r;
}
inline std::string ToHex(const std::vector<std::uint8_t>& v) { return ToHex(v.data(), v.size()); }

inline std::string DataPath(const std::string& rel) { return std::string(TORVANE_TEST_DATA_DIR) + "/" + rel; }

} // namespace torvane::test
