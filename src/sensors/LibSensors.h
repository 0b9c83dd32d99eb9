#pragma once
// The machine's temperature inputs as lm-sensors' libsensors sees them (its configuration applies: labels,
// corrections, ignored inputs).

#include "SensorsCommand.h"

#include <sensors/sensors.h>

namespace torvane::sensors {

class TLibSensors final : public ISensorSource {
public:
    // Throws torvane::Exception when the library cannot start (a broken configuration file).
    TLibSensors();
    ~TLibSensors() override;
    TLibSensors(const TLibSensors&) = delete;
    TLibSensors& operator=(const TLibSensors&) = delete;

    const std::vector<SensorRow>& Rows() const override { return rows_; }
    std::optional<double> Read(std::size_t row) override;

private:
    struct Input {
        const sensors_chip_name* Chip;
        int Number;
    };
    std::vector<SensorRow> rows_;
    std::vector<Input> inputs_;
};

} // namespace torvane::sensors
