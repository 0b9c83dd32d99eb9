#pragma once
// torvane-sensors: publishes the machine's temperatures in the sensor block the program reads.
//
// The command runs against what it is handed (the sensors, the pacing, the output streams), so that tests
// run it in-process with sensor rows of their own; main() hands it libsensors and the signals.

#include "SensorMapping.h"

#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace torvane::sensors {

class ISensorSource {
public:
    virtual ~ISensorSource() = default;
    // Every temperature input found, with its reading when it was found.
    virtual const std::vector<SensorRow>& Rows() const = 0;
    // The reading of a row now, in degrees Celsius; nothing when the sensor cannot be read.
    virtual std::optional<double> Read(std::size_t row) = 0;
};

struct SensorsEnvironment {
    // Throws torvane::Exception when the sensors cannot be read at all.
    std::function<std::unique_ptr<ISensorSource>()> OpenSensors;
    // Waits until the next rewrite is due; false when the program is told to end.
    std::function<bool()> WaitForNextRewrite;
    std::ostream* Out = nullptr;
    std::ostream* Err = nullptr;
};

// Exit statuses: 0 after publishing until told to end (or a listing that found sensors), 1 when no sensor
// was found or the block cannot be published, 2 for a bad command line.
int RunSensors(const std::vector<std::string>& args, const SensorsEnvironment& environment);

} // namespace torvane::sensors
