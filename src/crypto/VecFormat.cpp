#include "crypto/VecFormat.h"

#include "crypto/common/Hex.h"

#include <charconv>

namespace torvane::crypto {

namespace {

std::string Trim(std::string_view s) {
    const auto b = s.find_first_not_of(" \t\r");
    if (b == std::string_view::npos) return {};
    const auto e = s.find_last_not_of(" \t\r");
    return std::string(s.substr(b, e - b + 1));
}

} // namespace

const std::string& VecRecord::operator[](const std::string& f) const {
    const auto it = Fields.find(f);
    if (it == Fields.end()) throw EKnownAnswerData(Where + ": no field " + f, EKnownAnswerData::MissingField);
    return it->second;
}

std::vector<std::uint8_t> VecRecord::Bytes(const std::string& f) const {
    auto bytes = common::ParseHex((*this)[f]);
    if (!bytes) throw EKnownAnswerData(Where + ": " + f + " is not hexadecimal", EKnownAnswerData::BadValue);
    return std::move(*bytes);
}

std::int64_t VecRecord::Number(const std::string& f) const {
    const auto& text = (*this)[f];
    std::int64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty())
        throw EKnownAnswerData(Where + ": " + f + " is not a whole number", EKnownAnswerData::BadValue);
    return value;
}

std::vector<VecRecord> ParseVec(std::string_view text, const std::string& sourceName) {
    std::vector<VecRecord> out;
    VecRecord cur;
    std::string section;
    int lineNo = 0;
    auto flush = [&] {
        if (!cur.Fields.empty()) out.push_back(cur);
        cur = VecRecord{};
        cur.Section = section;
    };
    std::size_t pos = 0;
    while (pos <= text.size()) {
        const auto nl = text.find('\n', pos);
        const auto line = text.substr(pos, nl == std::string_view::npos ? std::string_view::npos : nl - pos);
        pos = nl == std::string_view::npos ? text.size() + 1 : nl + 1;
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
        if (eq == std::string::npos)
            throw EKnownAnswerData(sourceName + ":" + std::to_string(lineNo) + ": no '='",
                                   EKnownAnswerData::Malformed);
        const auto key = Trim(std::string_view(t).substr(0, eq));
        const auto value = Trim(std::string_view(t).substr(eq + 1));
        if (cur.Fields.count(key)) flush();
        if (cur.Fields.empty()) cur.Where = sourceName + ":" + std::to_string(lineNo);
        cur.Section = section;
        cur.Fields[key] = value;
    }
    flush();
    return out;
}

} // namespace torvane::crypto
