#include "platform/Convert.h"

#include "platform/Error.h"

namespace torvane {

std::optional<std::int32_t> TryStrToInt(const std::string& text) {
    size_t i = 0, end = text.size();
    while (i < end && text[i] == ' ') ++i;
    while (end > i && text[end - 1] == ' ') --end;
    bool negative = false;
    if (i < end && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i == end) return std::nullopt;
    // The magnitude may reach 2147483648, so that -2147483648 is accepted.
    std::int64_t value = 0;
    for (; i < end; ++i) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
        value = value * 10 + (text[i] - '0');
        if (value > 2147483648LL) return std::nullopt;
    }
    if (negative) value = -value;
    if (value > 2147483647LL) return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::int32_t StrToInt(const std::string& text) {
    const auto value = TryStrToInt(text);
    if (!value) throw EConvertError(FormatMessage("'%s' is not a valid integer value", text));
    return *value;
}

} // namespace torvane
