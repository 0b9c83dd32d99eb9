#include "cert/Windows1252.h"

#include <array>
#include <cstdint>
#include <cstdio>

namespace torvane::cert {

namespace {

// Bytes 80 to 9F, from the Unicode Consortium's mapping table CP1252.TXT (the unassigned ones as the
// control character of the same number).
constexpr std::array<char32_t, 32> kHighControls{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t CharacterOf(unsigned char byte) {
    return byte >= 0x80 && byte <= 0x9F ? kHighControls[byte - 0x80] : byte;
}

// -1 for a character the code page lacks. The five bytes it leaves unassigned stand for no character
// (strict decoders refuse them), so the C1 controls that Windows1252ToUtf8 shows them as have no byte.
int ByteOf(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int>(c);
    if (c < 0x80 + kHighControls.size() && kHighControls[c - 0x80] == c) return -1;
    for (size_t i = 0; i < kHighControls.size(); ++i)
        if (kHighControls[i] == c) return static_cast<int>(0x80 + i);
    return -1;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The next character of strict UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF), or
// nothing; `at` moves past it.
bool NextCharacter(std::string_view s, size_t& at, char32_t& c) {
    const auto lead = static_cast<unsigned char>(s[at]);
    int extra = 0;
    char32_t min = 0;
    if (lead < 0x80) {
        c = lead;
        ++at;
        return true;
    }
    if ((lead & 0xE0) == 0xC0) {
        extra = 1, c = lead & 0x1F, min = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2, c = lead & 0x0F, min = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3, c = lead & 0x07, min = 0x10000;
    } else {
        return false;
    }
    if (at + static_cast<size_t>(extra) >= s.size()) return false;
    for (int i = 1; i <= extra; ++i) {
        const auto b = static_cast<unsigned char>(s[at + static_cast<size_t>(i)]);
        if ((b & 0xC0) != 0x80) return false;
        c = (c << 6) | (b & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
    at += static_cast<size_t>(extra) + 1;
    return true;
}

std::string CodePoint(char32_t c) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(c));
    return buf;
}

} // namespace

std::string Utf8ToWindows1252(std::string_view utf8, std::string_view field) {
    std::string out;
    out.reserve(utf8.size());
    size_t at = 0;
    while (at < utf8.size()) {
        const size_t start = at;
        char32_t c = 0;
        if (!NextCharacter(utf8, at, c)) {
            char byte[8];
            std::snprintf(byte, sizeof byte, "%02X", static_cast<unsigned char>(utf8[start]));
            throw ECertificateText(std::string(field) + ": the text is not valid UTF-8 (byte " + byte +
                                   " at position " + std::to_string(start + 1) + ").");
        }
        const int b = ByteOf(c);
        if (b < 0)
            throw ECertificateText(std::string(field) + ": the character \"" +
                                   std::string(utf8.substr(start, at - start)) + "\" (" + CodePoint(c) +
                                   ") cannot be written into a certificate, whose text is in the "
                                   "Windows-1252 character set.");
        out += static_cast<char>(b);
    }
    return out;
}

std::string Windows1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 4);
    for (const char b : bytes) AppendUtf8(out, CharacterOf(static_cast<unsigned char>(b)));
    return out;
}

} // namespace torvane::cert
