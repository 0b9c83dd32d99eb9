#include "SensorMapping.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <initializer_list>
#include <set>
#include <string_view>

namespace torvane::sensors {

namespace {

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool ContainsNoCase(std::string_view text, std::string_view word) {
    return std::search(text.begin(), text.end(), word.begin(), word.end(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           }) != text.end();
}

bool IsAmdProcessorChip(const SensorRow& row) {
    return row.Chip == "k10temp" || row.Chip == "zenpower";
}

// Drivers that measure the processor itself ("cpu_thermal" is the thermal zone of many ARM boards).
bool IsProcessorChip(const SensorRow& row) {
    return IsAmdProcessorChip(row) || row.Chip == "coretemp" || row.Chip == "k8temp" ||
           row.Chip == "via_cputemp" || StartsWith(row.Chip, "cpu");
}

// Super I/O and embedded controller drivers: the motherboard's own monitors.
bool IsBoardChip(const SensorRow& row) {
    for (std::string_view prefix : {"nct", "it8", "w83", "f71", "f75", "asus", "gigabyte", "dell_smm",
                                    "thinkpad", "hp", "lm", "adt", "emc", "sch5", "smsc"})
        if (StartsWith(row.Chip, prefix)) return true;
    return false;
}

// Board monitors carry processor probes too ("CPUTIN", "CPU Temperature", "PECI Agent 0").
bool IsProcessorRow(const SensorRow& row) {
    return IsProcessorChip(row) || ContainsNoCase(row.Label, "cpu") || ContainsNoCase(row.Label, "peci");
}

// A processor package as a whole, the reading its vendor means by "the CPU temperature". coretemp named it
// "Physical id" before it said "Package id".
bool IsPackageRow(const SensorRow& row) {
    if (IsAmdProcessorChip(row)) return row.Label == "Tdie" || row.Label == "Tctl";
    if (row.Chip == "coretemp")
        return StartsWith(row.Label, "Package id ") || StartsWith(row.Label, "Physical id ");
    return false;
}

bool LooksLikeBoard(const SensorRow& row) {
    for (std::string_view word : {"sys", "motherboard", "mainboard", "mb", "ambient"})
        if (ContainsNoCase(row.Label, word)) return true;
    return false;
}

class Picker {
public:
    explicit Picker(const std::vector<SensorRow>& rows) : rows_(rows), used_(rows.size(), false) {
        for (std::size_t i = 0; i < rows.size(); ++i)
            if (!Plausible(rows[i].Celsius)) used_[i] = true;
    }

    // The first unused row that passes, or with hottest the warmest of them.
    std::optional<std::size_t> Find(const std::function<bool(const SensorRow&)>& pass,
                                    bool hottest = false) const {
        std::optional<std::size_t> best;
        for (std::size_t i = 0; i < rows_.size(); ++i) {
            if (used_[i] || !pass(rows_[i])) continue;
            if (!best) {
                best = i;
                if (!hottest) break;
            } else if (rows_[i].Celsius > rows_[*best].Celsius) {
                best = i;
            }
        }
        return best;
    }
    void Take(std::size_t row) { used_[row] = true; }

private:
    const std::vector<SensorRow>& rows_;
    std::vector<bool> used_;
};

// The die temperature is Tdie where the chip has one: Tctl then carries an offset for fan control.
std::optional<std::size_t> FindPackage(const Picker& picker, const std::string& device) {
    auto onDevice = [&](const char* label) {
        return picker.Find([&](const SensorRow& r) {
            return IsAmdProcessorChip(r) && r.Label == label && r.Device == device;
        });
    };
    if (auto tdie = onDevice("Tdie")) return tdie;
    return onDevice("Tctl");
}

} // namespace

bool Plausible(double celsius) {
    return celsius >= -40.0 && celsius <= 125.0;
}

double ToFahrenheit(double celsius) {
    return celsius * 9.0 / 5.0 + 32.0;
}

SensorMapping MapSensors(const std::vector<SensorRow>& rows) {
    Picker picker(rows);
    std::vector<SensorChoice> order; // the chosen rows, most useful first
    std::set<std::string> amdDevices;
    auto choose = [&](std::optional<std::size_t> row, const char* why) {
        if (!row) return false;
        picker.Take(*row);
        if (IsAmdProcessorChip(rows[*row])) amdDevices.insert(rows[*row].Device);
        order.push_back({row, why});
        return true;
    };
    auto anotherAmdDie = [&] {
        const auto row = picker.Find([&](const SensorRow& r) {
            return IsAmdProcessorChip(r) && IsPackageRow(r) && !amdDevices.count(r.Device);
        });
        return row ? FindPackage(picker, rows[*row].Device) : std::nullopt;
    };

    auto intelPackageZero = [](const SensorRow& r) {
        return r.Chip == "coretemp" && r.Label == "Package id 0";
    };
    const bool processor = choose(anotherAmdDie(), "AMD processor die") ||
                           choose(picker.Find(intelPackageZero), "Intel processor package") ||
                           choose(picker.Find(IsPackageRow), "processor package") ||
                           choose(picker.Find(IsProcessorRow, true), "hottest processor sensor");
    auto otherPackage = [](const SensorRow& r) { return IsPackageRow(r) && !IsAmdProcessorChip(r); };
    while (order.size() < 3 && (choose(anotherAmdDie(), "another processor die") ||
                                choose(picker.Find(otherPackage), "another processor package"))) {
    }
    // A board monitor's probes that name another part (a laptop's "GPU") do not stand for the board.
    auto board = [](const SensorRow& r) {
        return IsBoardChip(r) && !IsProcessorRow(r) && !ContainsNoCase(r.Label, "gpu");
    };
    choose(picker.Find([&](const SensorRow& r) { return board(r) && LooksLikeBoard(r); }), "motherboard") ||
        choose(picker.Find(board), "board monitor");
    choose(picker.Find([](const SensorRow& r) { return r.Chip == "acpitz"; }), "ACPI thermal zone");
    choose(picker.Find(IsProcessorRow, true), "hottest processor core or die");
    while (order.size() < 3 && choose(picker.Find([](const SensorRow&) { return true; }), "other sensor")) {
    }

    // Without any processor sensor the most useful of the rest stands in for it, rather than a 0.
    if (!processor && !order.empty()) order.front().Why += ", no processor sensor found";
    SensorMapping mapping;
    for (std::size_t place = 0; place < mapping.size() && place < order.size(); ++place)
        mapping[place] = order[place];
    return mapping;
}

} // namespace torvane::sensors
