#pragma once
// The fixed texts of the main window and the small rules that shape texts, kept apart from the widgets
// so that they can be checked on their own.

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <string>

namespace torvane::app {

inline const QString kApplicationTitle = QStringLiteral("Torvane Test");
inline const QString kMainCaption = QStringLiteral("Torvane Test 5.0 by Quarnett");
inline const QString kTitleLine = QStringLiteral("Torvane Test 5.0 [ Ombrel ]");
inline const QString kMakerLine = QStringLiteral("Copyright (C) 1999-2000 by Quarnett");
// The maker's own site, given by the build (the project's homepage); the reserved ".example" name stands
// until the project has an address of its own.
inline const QString kHomepage = QStringLiteral(TORVANE_HOMEPAGE);

// "Check for a new version" where no web browser could show the homepage: where new versions come from.
QString NewVersionNotice();

// Title line, credit line, empty line: the head of the information pane.
QStringList MakeBannerLines();
QStringList AboutLines();

// "Save Screen": a name whose fourth character from the end is not a full stop gets ".txt".
QString SaveScreenFileName(const QString& chosen);

// "Max Temp size": the notice after a new size of mb megabytes for the given work directory. The work
// directory takes the place of the drive letter the notice used to name.
QString FreeSpaceNotice(std::int32_t mb, const std::string& tempDir);

// The word after the temperature, from the stored unit A1: "Celsius" for exactly "C", "Fahrenheit" for
// exactly "F", the plain "C" for anything else or nothing. The number is never converted.
QString TemperatureUnitWord(const std::optional<std::string>& storedUnit);
// "46 Celsius": the reading, one blank, the unit word.
QString TemperatureText(std::int32_t degrees, const QString& unitWord);
// A reading heard in degrees Celsius as the screen shows it, in the unit the stored A1 names: "113
// Fahrenheit" for 45 degrees read from a monitor set to Fahrenheit.
QString ShownTemperature(double celsius, const std::optional<std::string>& storedUnit);

// The command-line hand-over: the candidate certificate path, or nothing. The rule counts on the form
// "quoted program path, one blank, argument": with n the length of the program path and m that of the
// command line, m = n + 3 hands over nothing, and otherwise the candidate starts at the (n + 4)th
// character.
std::optional<std::string> HandOverPath(const std::string& programFile, const std::string& commandLine);

} // namespace torvane::app
