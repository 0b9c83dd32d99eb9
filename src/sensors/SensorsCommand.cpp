#include "SensorsCommand.h"

#include "hw/MBM4Wrapper.h"
#include "hw/Real48.h"
#include "platform/Error.h"
#include "platform/SharedMemory.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <array>
#include <charconv>
#include <iomanip>
#include <ostream>
#include <set>
#include <sstream>

namespace torvane::sensors {

namespace {

struct Options {
    bool List = false;
    bool Fahrenheit = false;
    std::string Fixed;
    std::string Block = hw::SensorBlockName();
};

// "45.5,46.5,30": three numbers, each one a 6-byte real can hold.
std::optional<std::array<double, 3>> ParseFixed(const std::string& text, std::string& error) {
    std::vector<std::string> items;
    std::istringstream in(text);
    for (std::string item; std::getline(in, item, ',');) items.push_back(item);
    if (!text.empty() && text.back() == ',') items.emplace_back();
    if (items.size() != 3) {
        error = "--fixed takes three temperatures separated by commas, for example 45.5,46.5,30";
        return std::nullopt;
    }
    std::array<double, 3> values{};
    for (std::size_t i = 0; i < values.size(); ++i) {
        const auto& item = items[i];
        const auto [end, ec] = std::from_chars(item.data(), item.data() + item.size(), values[i]);
        if (item.empty() || ec != std::errc() || end != item.data() + item.size() ||
            !hw::DoubleToReal48(values[i])) {
            error = "--fixed: '" + item + "' is not a temperature";
            return std::nullopt;
        }
        // A value no sensor can show would be refused by every reader.
        if (!hw::PhysicalTemperature(values[i], 'C')) {
            error = "--fixed: " + item + " is outside what a sensor can show (" +
                    std::to_string(static_cast<int>(hw::kLowestCelsius)) + " to " +
                    std::to_string(static_cast<int>(hw::kHighestCelsius)) + " degrees Celsius)";
            return std::nullopt;
        }
    }
    return values;
}

std::string Describe(const SensorRow& row) {
    return row.Device + " " + row.Label;
}

std::string Degrees(double celsius, bool fahrenheit) {
    std::ostringstream text;
    text << std::fixed << std::setprecision(1) << (fahrenheit ? ToFahrenheit(celsius) : celsius)
         << (fahrenheit ? " F" : " C");
    return text.str();
}

void PrintMapping(std::ostream& out, const std::vector<SensorRow>& rows, const SensorMapping& mapping) {
    for (std::size_t place = 0; place < mapping.size(); ++place) {
        out << "  Temp " << place + 1 << ": ";
        if (mapping[place].Row)
            out << Describe(rows[*mapping[place].Row]) << " (" << mapping[place].Why << ")\n";
        else
            out << "nothing, published as 0\n";
    }
}

void PrintList(std::ostream& out, const std::vector<SensorRow>& rows, const SensorMapping& mapping,
               bool fahrenheit) {
    std::size_t width = 0;
    for (const auto& row : rows) width = std::max(width, Describe(row).size());
    out << "Temperature sensors found:\n";
    for (const auto& row : rows) {
        out << "  " << std::left << std::setw(static_cast<int>(width)) << Describe(row) << "  " << std::right
            << std::setw(8) << Degrees(row.Celsius, fahrenheit);
        if (!Plausible(row.Celsius)) out << "  (no sensor connected; never chosen)";
        out << "\n";
    }
    out << "Published as:\n";
    PrintMapping(out, rows, mapping);
}

constexpr const char* kNoSensor =
    "torvane-sensors: no temperature sensor found. Load the drivers for this machine's sensors (the "
    "lm-sensors "
    "package's sensors-detect finds them), or publish fixed values with --fixed.\n";

} // namespace

int RunSensors(const std::vector<std::string>& args, const SensorsEnvironment& env) {
    Options options;
    CLI::App app{"Publishes the machine's temperatures in the sensor block that Torvane Test shows on its\n"
                 "status strip: temperature 1 the processor, 2 and 3 the next most useful sensors,\n"
                 "rewritten every second until Ctrl-C, SIGTERM or SIGHUP, which remove the block.",
                 "torvane-sensors"};
    app.footer(
        "Exit status: 0 when ended by a signal or after a listing, 1 when no sensor was found or the\n"
        "block cannot be published, 2 for a bad command line.\n"
        "\n"
        "Environment:\n"
        "  TORVANE_SENSOR_BLOCK  the block's name where --block is not given\n"
        "\n"
        "Files:\n"
        "  /dev/shm/$M$B$M$\n"
        "                        the sensor block, readable by every local user\n"
        "  /etc/sensors3.conf, /etc/sensors.d/\n"
        "                        lm-sensors' configuration: labels, scaling and the sensors it ignores\n"
        "\n"
        "Examples:\n"
        "  torvane-sensors --list\n"
        "                        what it finds and what it would publish\n"
        "  torvane-sensors --fixed 45.5,46.5,30\n"
        "                        fixed values, for trying the display out\n"
        "  systemctl enable --now torvane-sensors\n"
        "                        the installed service: publishing now and from every boot on");
    auto* list = app.add_flag("--list", options.List,
                              "Print every temperature sensor found and how they are "
                              "published, then end");
    auto* fixed =
        app.add_option("--fixed", options.Fixed,
                       "Publish these three values as they are, e.g. 45.5,46.5,30 (no sensors needed)")
            ->type_name("T1,T2,T3");
    auto* fahrenheit = app.add_flag("--fahrenheit", options.Fahrenheit,
                                    "Publish the sensors' readings in degrees Fahrenheit");
    app.add_option("--block", options.Block, "Name of the shared memory block")
        ->type_name("NAME")
        ->capture_default_str();
    fixed->excludes(list);
    fixed->excludes(fahrenheit);
    try {
        std::vector<std::string> reversed(args.rbegin(), args.rend());
        app.parse(reversed);
    } catch (const CLI::ParseError& e) {
        return app.exit(e, *env.Out, *env.Err) == 0 ? 0 : 2;
    }

    std::optional<std::array<double, 3>> fixedValues;
    if (!fixed->empty()) {
        std::string error;
        fixedValues = ParseFixed(options.Fixed, error);
        if (!fixedValues) {
            *env.Err << "torvane-sensors: " << error << "\n";
            return 2;
        }
    }

    std::unique_ptr<ISensorSource> sensors;
    SensorMapping mapping;
    if (!fixedValues) {
        try {
            sensors = env.OpenSensors();
        } catch (const Exception& e) {
            *env.Err << "torvane-sensors: " << e.what() << "\n";
            return 1;
        }
        if (sensors->Rows().empty()) {
            *env.Err << kNoSensor;
            return 1;
        }
        mapping = MapSensors(sensors->Rows());
        if (options.List) {
            PrintList(*env.Out, sensors->Rows(), mapping, options.Fahrenheit);
            return 0;
        }
    }

    std::optional<TSharedMemoryBlock> block;
    try {
        block.emplace(options.Block, hw::kSensorBlockSize);
    } catch (const Exception& e) {
        *env.Err << "torvane-sensors: " << e.what() << "\n";
        return 1;
    }
    *env.Out << "Publishing temperatures in " << options.Block << " every second until Ctrl-C";
    if (fixedValues) {
        *env.Out << ": " << (*fixedValues)[0] << ", " << (*fixedValues)[1] << ", " << (*fixedValues)[2]
                 << "\n";
    } else {
        *env.Out << (options.Fahrenheit ? " (Fahrenheit):\n" : " (Celsius):\n");
        PrintMapping(*env.Out, sensors->Rows(), mapping);
    }
    env.Out->flush();

    std::set<std::size_t> failing; // rows whose failure was reported, so that it is said once
    do {
        double values[3] = {};
        for (int place = 0; place < 3; ++place) {
            double& value = values[place];
            if (fixedValues) {
                value = (*fixedValues)[place];
            } else if (const auto row = mapping[place].Row) {
                const auto reading = sensors->Read(*row);
                if (reading) {
                    value = options.Fahrenheit ? ToFahrenheit(*reading) : *reading;
                    failing.erase(*row);
                } else if (failing.insert(*row).second) {
                    *env.Err << "torvane-sensors: " << Describe(sensors->Rows()[*row])
                             << " cannot be read; temperature " << place + 1 << " is 0 until it can\n";
                }
            }
        }
        // Each rewrite is also the sign of life that readers check: a block left behind by a publisher that
        // was killed reads as no temperature within seconds.
        hw::PublishTemperatures(block->Data(), block->Size(), values, options.Fahrenheit ? 'F' : 'C');
    } while (env.WaitForNextRewrite());
    return 0;
}

} // namespace torvane::sensors
