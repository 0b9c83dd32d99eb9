#pragma once
// Time and date texts in the formats of the user's regional settings (LC_TIME): the time with seconds
// and the short date, as UTF-8.

#include "platform/Clock.h"

#include <string>

namespace torvane {

// The locale's time representation ("14:05:09", "02:05:09 PM").
std::string LocaleTimeText(const LocalDateTime& when);
// The locale's short date ("07/08/2025", "08.07.2025").
std::string LocaleDateText(const LocalDateTime& when);

// The same with an explicit locale name ("" is the user's); where that locale is not installed, or gives
// a text that is not UTF-8, the neutral formats "HH:MM:SS" and "YYYY-MM-DD" instead.
std::string LocaleTimeText(const LocalDateTime& when, const char* localeName);
std::string LocaleDateText(const LocalDateTime& when, const char* localeName);

} // namespace torvane
