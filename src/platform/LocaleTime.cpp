#include "platform/LocaleTime.h"

#include <cstdio>
#include <ctime>
#include <locale.h>

namespace torvane {

namespace {

// Lead and continuation bytes in their places; enough to tell UTF-8 from a single-byte code page.
bool IsUtf8(const std::string& s) {
    size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        const size_t extra = c < 0x80             ? 0
                             : (c & 0xE0) == 0xC0 ? 1
                             : (c & 0xF0) == 0xE0 ? 2
                             : (c & 0xF8) == 0xF0 ? 3
                                                  : 4;
        if (extra == 4) return false;
        for (size_t k = 1; k <= extra; ++k)
            if (i + k >= s.size() || (static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += extra + 1;
    }
    return true;
}

std::string Format(const LocalDateTime& when, const char* localeName, const char* conversion) {
    std::tm tm{};
    tm.tm_year = when.Year - 1900;
    tm.tm_mon = when.Month - 1;
    tm.tm_mday = when.Day;
    tm.tm_hour = when.Hour;
    tm.tm_min = when.Minute;
    tm.tm_sec = when.Second;
    tm.tm_isdst = -1;
    // Fills the day of the week and of the year that some formats show.
    std::tm normalised = tm;
    if (std::mktime(&normalised) != static_cast<std::time_t>(-1)) {
        tm.tm_wday = normalised.tm_wday;
        tm.tm_yday = normalised.tm_yday;
    }
    std::string text;
    if (const locale_t locale = ::newlocale(LC_TIME_MASK, localeName, static_cast<locale_t>(nullptr))) {
        char buffer[256];
        const size_t n = ::strftime_l(buffer, sizeof buffer, conversion, &tm, locale);
        ::freelocale(locale);
        text.assign(buffer, n);
    }
    if (!text.empty() && IsUtf8(text)) return text;
    char neutral[64];
    if (conversion[1] == 'X')
        std::snprintf(neutral, sizeof neutral, "%02d:%02d:%02d", when.Hour, when.Minute, when.Second);
    else
        std::snprintf(neutral, sizeof neutral, "%04d-%02d-%02d", when.Year, when.Month, when.Day);
    return neutral;
}

} // namespace

std::string LocaleTimeText(const LocalDateTime& when, const char* localeName) {
    return Format(when, localeName, "%X");
}

std::string LocaleDateText(const LocalDateTime& when, const char* localeName) {
    return Format(when, localeName, "%x");
}

std::string LocaleTimeText(const LocalDateTime& when) {
    return LocaleTimeText(when, "");
}

std::string LocaleDateText(const LocalDateTime& when) {
    return LocaleDateText(when, "");
}

} // namespace torvane
