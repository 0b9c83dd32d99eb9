#pragma once
// Certificates are single-byte Windows-1252 text, whatever the desktop's own character set is. The program
// works in UTF-8; these are the two crossings.

#include "platform/Error.h"

#include <string>
#include <string_view>

namespace torvane::cert {

// A text that cannot become certificate bytes; the message names the field and the character.
class ECertificateText : public torvane::Exception {
public:
    explicit ECertificateText(const std::string& message) : Exception(message) {}
};

// UTF-8 to Windows-1252. Throws ECertificateText naming `field` for a character the code page lacks and
// for text that is not UTF-8. The five byte values the code page leaves unassigned (81, 8D, 8F, 90, 9D)
// are no characters of it: U+0081, U+008D, U+008F, U+0090 and U+009D are refused like any other
// character outside it, so that a certificate never holds a byte a strict reader fails on.
std::string Utf8ToWindows1252(std::string_view utf8, std::string_view field);

// Windows-1252 to UTF-8, for showing what a file holds: every byte has a character, the five unassigned
// ones the C1 control of the same number.
std::string Windows1252ToUtf8(std::string_view bytes);

} // namespace torvane::cert
