#include "SensorMapping.h"

#include <gtest/gtest.h>

namespace torvane::sensors {
namespace {

// Rows as libsensors lists them on real machines (chip prefix, chip name, label, reading).
SensorRow Row(const std::string& device, const std::string& label, double celsius) {
    return {device.substr(0, device.find('-')), device, label, celsius};
}

// The chosen "device label" of each place, "" where nothing was chosen.
std::array<std::string, 3> Chosen(const std::vector<SensorRow>& rows) {
    const auto mapping = MapSensors(rows);
    std::array<std::string, 3> chosen;
    for (std::size_t i = 0; i < 3; ++i)
        if (mapping[i].Row) chosen[i] = rows[*mapping[i].Row].Device + " " + rows[*mapping[i].Row].Label;
    return chosen;
}

using Expected = std::array<std::string, 3>;

TEST(SensorMapping, RyzenZen2DesktopTakesTctlThenTheBoardThenTheThermalZone) {
    // Ryzen 5 3600 on a B450 board with the Nuvoton monitor loaded.
    const std::vector<SensorRow> rows = {
        Row("nvme-pci-0100", "Composite", 39.9),   Row("k10temp-pci-00c3", "Tctl", 48.9),
        Row("k10temp-pci-00c3", "Tccd1", 47.5),    Row("nct6797-isa-0290", "SYSTIN", 33.0),
        Row("nct6797-isa-0290", "CPUTIN", 38.5),   Row("nct6797-isa-0290", "AUXTIN0", 127.0),
        Row("nct6797-isa-0290", "AUXTIN1", -62.0), Row("nct6797-isa-0290", "PECI Agent 0", 48.0),
        Row("amdgpu-pci-0900", "edge", 45.0),      Row("acpitz-acpi-0", "temp1", 16.8),
    };
    EXPECT_EQ(Chosen(rows),
              (Expected{"k10temp-pci-00c3 Tctl", "nct6797-isa-0290 SYSTIN", "acpitz-acpi-0 temp1"}));
}

TEST(SensorMapping, TctlStaysTheProcessorWhenOtherProcessorProbesReadHotter) {
    // Ryzen 9 5950X under load: a core complex sampled at a hotter moment than Tctl, and a board whose
    // CPUTIN probe over-reads. Neither is the processor's own control temperature.
    const std::vector<SensorRow> rows = {
        Row("k10temp-pci-00c3", "Tctl", 71.3),   Row("k10temp-pci-00c3", "Tccd1", 74.0),
        Row("k10temp-pci-00c3", "Tccd2", 68.5),  Row("nct6798-isa-0290", "SYSTIN", 36.0),
        Row("nct6798-isa-0290", "CPUTIN", 88.5), Row("acpitz-acpi-0", "temp1", 16.8),
    };
    const auto mapping = MapSensors(rows);
    EXPECT_EQ(Chosen(rows),
              (Expected{"k10temp-pci-00c3 Tctl", "nct6798-isa-0290 SYSTIN", "acpitz-acpi-0 temp1"}));
    EXPECT_EQ(mapping[0].Why, "AMD processor die");
}

TEST(SensorMapping, RyzenWithATemperatureOffsetTakesTheRealDieTemperature) {
    // Ryzen 7 1800X: Tctl reads 20 degrees above the die for fan control.
    const std::vector<SensorRow> rows = {Row("k10temp-pci-00c3", "Tctl", 70.0),
                                         Row("k10temp-pci-00c3", "Tdie", 50.0)};
    const auto mapping = MapSensors(rows);
    EXPECT_EQ(Chosen(rows), (Expected{"k10temp-pci-00c3 Tdie", "k10temp-pci-00c3 Tctl", ""}));
    EXPECT_EQ(mapping[0].Why, "AMD processor die");
}

TEST(SensorMapping, IntelDesktopTakesPackageIdZero) {
    // Core i7-8700 desktop without a board monitor driver.
    const std::vector<SensorRow> rows = {
        Row("acpitz-acpi-0", "temp1", 27.8),
        Row("acpitz-acpi-0", "temp2", 29.8),
        Row("pch_cannonlake-virtual-0", "temp1", 44.0),
        Row("coretemp-isa-0000", "Core 0", 41.0),
        Row("coretemp-isa-0000", "Core 1", 52.0),
        Row("coretemp-isa-0000", "Package id 0", 53.0),
        Row("coretemp-isa-0000", "Core 2", 40.0),
    };
    const auto mapping = MapSensors(rows);
    EXPECT_EQ(Chosen(rows), (Expected{"coretemp-isa-0000 Package id 0", "acpitz-acpi-0 temp1",
                                      "coretemp-isa-0000 Core 1"}));
    EXPECT_EQ(mapping[0].Why, "Intel processor package");
}

TEST(SensorMapping, DualSocketServerShowsBothPackages) {
    const std::vector<SensorRow> rows = {
        Row("coretemp-isa-0000", "Package id 0", 61.0),
        Row("coretemp-isa-0000", "Core 0", 58.0),
        Row("coretemp-isa-0001", "Package id 1", 64.0),
        Row("coretemp-isa-0001", "Core 0", 63.0),
        Row("acpitz-acpi-0", "temp1", 8.3),
    };
    EXPECT_EQ(Chosen(rows), (Expected{"coretemp-isa-0000 Package id 0", "coretemp-isa-0001 Package id 1",
                                      "acpitz-acpi-0 temp1"}));
}

TEST(SensorMapping, DualSocketEpycShowsTheSecondDieNotTheFirstOnesTctl) {
    const std::vector<SensorRow> rows = {
        Row("k10temp-pci-00c3", "Tctl", 55.0),
        Row("k10temp-pci-00c3", "Tdie", 55.0),
        Row("k10temp-pci-00cb", "Tctl", 57.0),
        Row("k10temp-pci-00cb", "Tdie", 57.0),
    };
    EXPECT_EQ(Chosen(rows),
              (Expected{"k10temp-pci-00c3 Tdie", "k10temp-pci-00cb Tdie", "k10temp-pci-00cb Tctl"}));
}

TEST(SensorMapping, OlderIntelKernelsNameThePackagePhysicalId) {
    const std::vector<SensorRow> rows = {Row("coretemp-isa-0000", "Core 0", 45.0),
                                         Row("coretemp-isa-0000", "Physical id 0", 47.0)};
    EXPECT_EQ(Chosen(rows)[0], "coretemp-isa-0000 Physical id 0");
}

TEST(SensorMapping, WithoutAPackageSensorTheHottestProcessorSensorIsTaken) {
    // Raspberry Pi 4: the SoC thermal zone; a laptop's embedded controller names its CPU probe.
    EXPECT_EQ(Chosen({Row("rpi_volt-isa-0000", "in0", 0.0), Row("cpu_thermal-virtual-0", "temp1", 48.3)})[0],
              "cpu_thermal-virtual-0 temp1");
    const std::vector<SensorRow> laptop = {
        Row("thinkpad-isa-0000", "GPU", 38.0),
        Row("thinkpad-isa-0000", "CPU", 52.0),
        Row("iwlwifi_1-virtual-0", "temp1", 41.0),
        Row("acpitz-acpi-0", "temp1", 50.0),
    };
    EXPECT_EQ(Chosen(laptop),
              (Expected{"thinkpad-isa-0000 CPU", "acpitz-acpi-0 temp1", "thinkpad-isa-0000 GPU"}));
}

TEST(SensorMapping, WithoutAnyProcessorSensorTheThermalZoneStandsInAndSaysSo) {
    // A virtual machine with an emulated thermal zone and a disk.
    const std::vector<SensorRow> rows = {Row("nvme-pci-0400", "Composite", 35.0),
                                         Row("acpitz-acpi-0", "temp1", 27.8)};
    const auto mapping = MapSensors(rows);
    EXPECT_EQ(Chosen(rows), (Expected{"acpitz-acpi-0 temp1", "nvme-pci-0400 Composite", ""}));
    EXPECT_NE(mapping[0].Why.find("no processor sensor"), std::string::npos) << mapping[0].Why;
}

TEST(SensorMapping, ProbesThatAreNotConnectedAreNeverChosen) {
    EXPECT_FALSE(Plausible(127.0));
    EXPECT_FALSE(Plausible(-128.0));
    EXPECT_FALSE(Plausible(-273.0));
    EXPECT_TRUE(Plausible(-40.0));
    EXPECT_TRUE(Plausible(125.0));
    const std::vector<SensorRow> rows = {Row("it8686-isa-0a40", "temp3", 127.0),
                                         Row("it8686-isa-0a40", "temp1", 30.0)};
    EXPECT_EQ(Chosen(rows), (Expected{"it8686-isa-0a40 temp1", "", ""}));
    EXPECT_EQ(Chosen({Row("k10temp-pci-00c3", "Tctl", 255.0)}), (Expected{"", "", ""}));
}

TEST(SensorMapping, NoRowsNoChoice) {
    const auto mapping = MapSensors({});
    for (const auto& place : mapping) EXPECT_FALSE(place.Row);
    EXPECT_DOUBLE_EQ(ToFahrenheit(45.0), 113.0);
    EXPECT_DOUBLE_EQ(ToFahrenheit(-40.0), -40.0);
}

} // namespace
} // namespace torvane::sensors
