#include "LibSensors.h"

#include "platform/Error.h"

#include <sensors/error.h>

#include <cstdlib>
#include <memory>

namespace torvane::sensors {

TLibSensors::TLibSensors() {
    if (const int error = sensors_init(nullptr); error != 0)
        throw Exception(std::string("cannot start libsensors: ") + sensors_strerror(error));
    int chipIndex = 0;
    while (const sensors_chip_name* chip = sensors_get_detected_chips(nullptr, &chipIndex)) {
        char device[256];
        if (sensors_snprintf_chip_name(device, sizeof device, chip) < 0) continue;
        int featureIndex = 0;
        while (const sensors_feature* feature = sensors_get_features(chip, &featureIndex)) {
            if (feature->type != SENSORS_FEATURE_TEMP) continue;
            const sensors_subfeature* input =
                sensors_get_subfeature(chip, feature, SENSORS_SUBFEATURE_TEMP_INPUT);
            double value = 0;
            if (!input || sensors_get_value(chip, input->number, &value) != 0) continue;
            const std::unique_ptr<char, decltype(&std::free)> label(sensors_get_label(chip, feature),
                                                                    &std::free);
            rows_.push_back(
                {chip->prefix ? chip->prefix : "", device, label ? label.get() : feature->name, value});
            inputs_.push_back({chip, input->number});
        }
    }
}

TLibSensors::~TLibSensors() {
    sensors_cleanup();
}

std::optional<double> TLibSensors::Read(std::size_t row) {
    double value = 0;
    if (row >= inputs_.size() || sensors_get_value(inputs_[row].Chip, inputs_[row].Number, &value) != 0)
        return std::nullopt;
    return value;
}

} // namespace torvane::sensors
