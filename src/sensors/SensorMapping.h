#pragma once
// Which of the machine's temperature sensors become temperatures 1, 2 and 3 of the sensor block.
//
// Temperature 1 is the processor: AMD's die temperature (k10temp or zenpower "Tdie", else "Tctl"), Intel's
// package sensor (coretemp "Package id 0"), else the hottest processor sensor of any kind. Temperatures 2
// and 3 are the next most useful: a second processor package, the motherboard, the ACPI thermal zone, the
// hottest core or die, then whatever else there is. Nothing here reads hardware, so the choice can be
// checked with the readings of real machines.

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace torvane::sensors {

struct SensorRow {
    std::string Chip;   // the driver's name as the library gives its prefix: "k10temp", "coretemp", "acpitz"
    std::string Device; // the chip as "sensors" names it ("k10temp-pci-00c3"); tells two sockets apart
    std::string Label;  // "Tctl", "Package id 0", "temp1"
    double Celsius = 0;
};

struct SensorChoice {
    std::optional<std::size_t> Row; // index into the rows; nothing when no sensor is left for this place
    std::string Why;
};

using SensorMapping = std::array<SensorChoice, 3>;

SensorMapping MapSensors(const std::vector<SensorRow>& rows);

// Readings that no working sensor gives: the values drivers report for a probe that is not connected
// (-128, 127, 255, -273). Such rows are never chosen.
bool Plausible(double celsius);

double ToFahrenheit(double celsius);

} // namespace torvane::sensors
