#include "engine/FloatText.h"

#include "platform/Error.h"

#include <QLocale>

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace torvane::engine {

std::string FormatGeneral15(long double value, char sep) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    if (value == 0) return "0";

    // Correctly rounded 15 significant digits, independent of any locale: "-d.dddddddddddddde+XX".
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
    std::string sci(buf, res.ptr);
    std::string out;
    std::size_t pos = 0;
    if (sci[0] == '-') {
        out = "-";
        pos = 1;
    }
    std::string digits;
    for (; pos < sci.size() && sci[pos] != 'e'; ++pos)
        if (sci[pos] != '.') digits += sci[pos];
    const int exponent = std::atoi(sci.c_str() + pos + 1);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

    if (exponent >= -5 && exponent < 15) {
        if (exponent < 0) {
            out += '0';
            out += sep;
            out.append(static_cast<std::size_t>(-exponent - 1), '0');
            out += digits;
        } else {
            const auto whole = static_cast<std::size_t>(exponent) + 1;
            if (digits.size() <= whole) {
                out += digits;
                out.append(whole - digits.size(), '0');
            } else {
                out += digits.substr(0, whole);
                out += sep;
                out += digits.substr(whole);
            }
        }
        return out;
    }
    out += digits[0];
    if (digits.size() > 1) {
        out += sep;
        out += digits.substr(1);
    }
    out += 'E';
    out += std::to_string(exponent);
    return out;
}

long double ParseFloat(const std::string& text, char sep) {
    std::string s = text;
    for (auto& c : s) {
        if (c == sep)
            c = '.';
        else if (c == '.' && sep != '.')
            c = '\x01'; // a full stop is not the separator here: refuse it
    }
    const char* first = s.data();
    const char* last = s.data() + s.size();
    if (first != last && *first == '+') ++first;
    long double v = 0;
    const auto res = std::from_chars(first, last, v, std::chars_format::general);
    // from_chars refuses values beyond the range of long double with result_out_of_range; the original
    // conversion raised an overflow for those, which the pass's checks will see on the rounding store.
    if (res.ec == std::errc::result_out_of_range && res.ptr == last) {
        const bool negative = *first == '-';
        const auto e = s.find_first_of("eE");
        const bool tiny = e != std::string::npos && e + 1 < s.size() && s[e + 1] == '-';
        if (tiny) return negative ? -0.0L : 0.0L;
        return negative ? -HUGE_VALL : HUGE_VALL;
    }
    if (res.ec != std::errc() || res.ptr != last || first == last)
        throw EConvertError("'" + text + "' is not a valid floating point value");
    return v;
}

char LocaleDecimalSeparator() {
    const QString point = QLocale().decimalPoint();
    const QChar c = point.isEmpty() ? QChar('.') : point.front();
    return c.unicode() < 128 ? static_cast<char>(c.unicode()) : '.';
}

} // namespace torvane::engine
