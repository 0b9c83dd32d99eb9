#pragma once
// Text from outside (file names, a certificate's record, a stored setting) as a terminal or a script is
// shown it. The convention is coreutils' md5sum's for file names: a backslash becomes "\\", a line feed
// "\n", a carriage return "\r", and a line that holds any such escape starts with a backslash, so that a
// reader tells it from a plain one. Every other control character (C0, DEL and the C1 range, which a
// terminal may take as the start of a command) is escaped too, as "\t" or "\xHH" with its code, so that no
// text moves the cursor, recolours the screen or forges a line of its own.

#include <string>
#include <string_view>

namespace torvane {

// The text with its control characters and backslashes escaped; escaped tells whether anything was.
// Bytes that are not UTF-8 are kept as they are, except those that are control characters themselves.
std::string EscapeControls(std::string_view text, bool* escaped = nullptr);

// Escapes text and, where anything was escaped, puts one backslash before the whole line: an output line
// holds a name or a record line that may need it, at most once.
class TEscapedLine {
public:
    // Adds text that is the program's own, as it is.
    TEscapedLine& Own(std::string_view text);
    // Adds text from outside, escaped.
    TEscapedLine& Outside(std::string_view text);
    // The line, without a line end.
    std::string Text() const { return (escaped_ ? "\\" : "") + text_; }

private:
    std::string text_;
    bool escaped_ = false;
};

// Whether the text holds a control character (C0, DEL, C1); where is the byte offset of the first.
bool HasControlCharacter(std::string_view text, std::size_t* where = nullptr);

} // namespace torvane
