#pragma once
// The one reader of the processor temperature for a run: it reads the stored sensor of the sensor block
// and publishes the reading into the run's stream, where the screen, the terminal log, the event file and
// the metrics take it from.

#include "engine/RunStream.h"
#include "hw/MBM4Wrapper.h"

#include <optional>
#include <string>

namespace torvane::engine {
class SettingsReader;
}

namespace torvane::session {

class TemperatureFeed {
public:
    // sensor: the stored Q14; unit: the stored A1, the unit the sensor monitor shows its readings in.
    TemperatureFeed(std::string sensorBlock, int sensor, std::optional<std::string> unit);
    // The feed of the stored sensor and unit.
    static TemperatureFeed FromStore(engine::SettingsReader& stored, std::string sensorBlock);

    // The reading, rounded as shown and in degrees Celsius; nothing while no block is published.
    std::optional<double> Celsius() const;
    // Reads the sensor and tells the subscriber.
    void Publish(engine::IRunSubscriber& to) const;

private:
    hw::TMBM4Wrapper sensors_;
    int sensor_;
    bool fahrenheit_;
};

} // namespace torvane::session
