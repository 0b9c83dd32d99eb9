#include "terminal/ScreenText.h"

#include "hw/Real48.h"

namespace torvane::app {

QStringList MakeBannerLines() {
    return {kTitleLine, kMakerLine, QString()};
}

QString NewVersionNotice() {
    return QStringLiteral("New versions of Torvane Test are published on its homepage:\n\n") + kHomepage +
           QStringLiteral("\n\nNo web browser could be opened here to show it. Open that address in a web "
                          "browser on any machine.");
}

QStringList AboutLines() {
    return {
        kTitleLine,
        kMakerLine,
        QString(),
        QStringLiteral("Thanks to:"),
        QStringLiteral(" Ilkka Saarvala for the encryption routines"),
        QStringLiteral(" Mateo Ferreira for the MMX routines"),
        QStringLiteral(" Ruud Verhoeven for his help with MBM4 and the temperatures"),
        QString(),
        QStringLiteral(" Tomasz Wierzbicki for the threaded timer"),
        QStringLiteral(" Hanna Lindqvist for the tray icon component"),
        QStringLiteral(" Colm Brennan for spell checking the documentation"),
        QString(),
        QString(),
        QStringLiteral("Visit this program\u00B4s official homepage:"),
        kHomepage,
    };
}

QString TemperatureUnitWord(const std::optional<std::string>& storedUnit) {
    if (storedUnit == "C") return QStringLiteral("Celsius");
    if (storedUnit == "F") return QStringLiteral("Fahrenheit");
    return QStringLiteral("C");
}

QString TemperatureText(std::int32_t degrees, const QString& unitWord) {
    return QString::number(degrees) + QLatin1Char(' ') + unitWord;
}

QString ShownTemperature(double celsius, const std::optional<std::string>& storedUnit) {
    const double degrees = storedUnit == "F" ? celsius * 9 / 5 + 32 : celsius;
    return TemperatureText(hw::RoundToInt32(degrees).value_or(0), TemperatureUnitWord(storedUnit));
}

QString SaveScreenFileName(const QString& chosen) {
    if (chosen.size() >= 4 && chosen.at(chosen.size() - 4) == QLatin1Char('.')) return chosen;
    return chosen + QStringLiteral(".txt");
}

QString FreeSpaceNotice(std::int32_t mb, const std::string& tempDir) {
    const auto needed = 2 * static_cast<std::int64_t>(mb) + 200;
    return QStringLiteral("Make sure that you have %1 MB of free space in %2!")
        .arg(needed)
        .arg(QString::fromStdString(tempDir));
}

std::optional<std::string> HandOverPath(const std::string& programFile, const std::string& commandLine) {
    const auto n = programFile.size();
    const auto m = commandLine.size();
    if (m == n + 3 || m < n + 4) return std::nullopt;
    return commandLine.substr(n + 3);
}

} // namespace torvane::app
