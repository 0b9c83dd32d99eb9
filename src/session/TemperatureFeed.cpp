#include "session/TemperatureFeed.h"

#include "engine/SettingsSchema.h"
#include "hw/Real48.h"

namespace torvane::session {

TemperatureFeed::TemperatureFeed(std::string sensorBlock, int sensor, std::optional<std::string> unit)
    : sensors_(std::move(sensorBlock)), sensor_(sensor), fahrenheit_(unit == "F") {}

TemperatureFeed TemperatureFeed::FromStore(engine::SettingsReader& stored, std::string sensorBlock) {
    namespace settings = engine::settings;
    return TemperatureFeed(
        std::move(sensorBlock),
        stored.Number(settings::TemperatureSensor).value_or(settings::TemperatureSensor.Default),
        stored.Text(settings::TemperatureUnit));
}

std::optional<double> TemperatureFeed::Celsius() const {
    const auto reading = sensors_.Reading(sensor_);
    if (!reading) return std::nullopt;
    // Rounded as the screen shows it; the block holds what the monitor shows, and a monitor set to
    // Fahrenheit is read back in Celsius.
    const double t = hw::RoundToInt32(*reading).value_or(0);
    return fahrenheit_ ? (t - 32) * 5 / 9 : t;
}

void TemperatureFeed::Publish(engine::IRunSubscriber& to) const {
    to.Hear(engine::event::Temperature{Celsius()});
}

} // namespace torvane::session
