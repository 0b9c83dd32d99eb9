#include "platform/TextEscape.h"

#include <cstdio>

namespace torvane {

namespace {

// The length of the control character at text[at] (1 for C0 and DEL, 2 for a C1 character in UTF-8),
// 0 for anything else.
std::size_t ControlAt(std::string_view text, std::size_t at) {
    const auto byte = static_cast<unsigned char>(text[at]);
    if (byte < 0x20 || byte == 0x7F) return 1;
    if (byte == 0xC2 && at + 1 < text.size()) {
        const auto next = static_cast<unsigned char>(text[at + 1]);
        if (next >= 0x80 && next <= 0x9F) return 2;
    }
    return 0;
}

} // namespace

std::string EscapeControls(std::string_view text, bool* escaped) {
    std::string out;
    out.reserve(text.size());
    bool any = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const auto length = ControlAt(text, i);
        if (c == '\\') {
            out += "\\\\";
        } else if (length == 0) {
            out += c;
            continue;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else {
            const unsigned code =
                length == 2 ? static_cast<unsigned char>(text[i + 1]) : static_cast<unsigned char>(c);
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", code);
            out += hex;
            i += length - 1;
        }
        any = true;
    }
    if (escaped) *escaped = any;
    return out;
}

TEscapedLine& TEscapedLine::Own(std::string_view text) {
    text_ += text;
    return *this;
}

TEscapedLine& TEscapedLine::Outside(std::string_view text) {
    bool escaped = false;
    text_ += EscapeControls(text, &escaped);
    escaped_ = escaped_ || escaped;
    return *this;
}

bool HasControlCharacter(std::string_view text, std::size_t* where) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (ControlAt(text, i) == 0) continue;
        if (where) *where = i;
        return true;
    }
    return false;
}

} // namespace torvane
