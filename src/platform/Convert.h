#pragma once
// Text to number conversions with the messages users of the desktop know.

#include <cstdint>
#include <optional>
#include <string>

namespace torvane {

// A signed 32-bit decimal integer: optional blanks around it, an optional sign, digits only. Anything
// else, including a value outside the 32-bit range, is no integer.
std::optional<std::int32_t> TryStrToInt(const std::string& text);

// As TryStrToInt, but throws EConvertError "'<text>' is not a valid integer value".
std::int32_t StrToInt(const std::string& text);

} // namespace torvane
