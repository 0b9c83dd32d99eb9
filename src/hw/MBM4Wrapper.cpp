#include "hw/MBM4Wrapper.h"

#include "hw/Real48.h"
#include "platform/SharedMemory.h"

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <unistd.h>

namespace torvane::hw {

std::string SensorBlockName() {
    const char* name = std::getenv("TORVANE_SENSOR_BLOCK");
    return name && *name ? name : kSensorBlockName;
}

std::size_t TemperatureOffset(int index) {
    return index == 2 || index == 3 ? kTemperatureOffsets[index - 1] : kTemperatureOffsets[0];
}

bool WriteTemperature(std::uint8_t* block, std::size_t size, int index, double value) {
    const auto real = DoubleToReal48(value);
    const std::size_t offset = TemperatureOffset(index);
    if (index < 1 || index > 3 || !real || size < offset + real->size()) return false;
    std::memcpy(block + offset, real->data(), real->size());
    return true;
}

std::int64_t SensorClockMs() {
    timespec now{};
    ::clock_gettime(CLOCK_BOOTTIME, &now);
    return std::int64_t{now.tv_sec} * 1000 + now.tv_nsec / 1000000;
}

bool PhysicalTemperature(double value, char scale) {
    if (scale == 'F') return value >= kLowestCelsius * 9 / 5 + 32 && value <= kHighestCelsius * 9 / 5 + 32;
    return scale == 'C' && value >= kLowestCelsius && value <= kHighestCelsius;
}

namespace {

// The mark's words are read and written as whole words: other processes change them meanwhile.
std::uint32_t LoadSequence(const std::uint8_t* block) {
    return __atomic_load_n(reinterpret_cast<const std::uint32_t*>(block + kSequenceOffset), __ATOMIC_ACQUIRE);
}

struct Snapshot {
    char Scale = 0;
    std::int64_t Beat = 0;
    TReal48 Values[3] = {};
};

// One consistent look at a live, trusted block; nothing otherwise.
std::optional<Snapshot> Look(const std::string& name) {
    TSharedMemoryView view(name);
    // A block shorter than the mark and the readings is nobody's publication: reading past its end would
    // fault, and its bytes mean nothing.
    if (!view.Map() || view.Size() < kSensorBlockSize) return std::nullopt;
    if (view.Owner() != ::geteuid() && view.Owner() != 0) return std::nullopt;
    const std::uint8_t* block = view.Data();
    if (std::memcmp(block + kMarkOffset, kSensorMark, sizeof kSensorMark) != 0) return std::nullopt;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto before = LoadSequence(block);
        if (before % 2 != 0) continue;
        Snapshot s;
        s.Scale = static_cast<char>(block[kScaleOffset]);
        s.Beat = static_cast<std::int64_t>(
            __atomic_load_n(reinterpret_cast<const std::uint64_t*>(block + kBeatOffset), __ATOMIC_RELAXED));
        for (int i = 0; i < 3; ++i) std::memcpy(s.Values[i].data(), block + kTemperatureOffsets[i], 6);
        __atomic_thread_fence(__ATOMIC_ACQUIRE);
        if (LoadSequence(block) != before) continue;
        // Live: rewritten within the last few seconds (a little ahead is the two clocks' reading order).
        const std::int64_t age = SensorClockMs() - s.Beat;
        if (age > kLiveMs || age < -1000) return std::nullopt;
        return s;
    }
    return std::nullopt;
}

} // namespace

bool PublishTemperatures(std::uint8_t* block, std::size_t size, const double (&values)[3], char scale,
                         std::int64_t nowMs) {
    if (size < kSensorBlockSize) return false;
    auto* sequence = reinterpret_cast<std::uint32_t*>(block + kSequenceOffset);
    const auto before = __atomic_load_n(sequence, __ATOMIC_RELAXED);
    __atomic_store_n(sequence, before | 1u, __ATOMIC_RELAXED);
    __atomic_thread_fence(__ATOMIC_RELEASE);
    std::memcpy(block + kMarkOffset, kSensorMark, sizeof kSensorMark);
    block[kScaleOffset] = static_cast<std::uint8_t>(scale);
    for (int i = 0; i < 3; ++i)
        if (!WriteTemperature(block, size, i + 1, values[i])) WriteTemperature(block, size, i + 1, 0.0);
    __atomic_store_n(reinterpret_cast<std::uint64_t*>(block + kBeatOffset), static_cast<std::uint64_t>(nowMs),
                     __ATOMIC_RELAXED);
    __atomic_store_n(sequence, (before | 1u) + 1, __ATOMIC_RELEASE);
    return true;
}

bool TMBM4Wrapper::Present() const {
    return Look(blockName_).has_value();
}

std::optional<double> TMBM4Wrapper::Reading(int index) const {
    const auto s = Look(blockName_);
    if (!s) return std::nullopt;
    const double value = Real48ToDouble(s->Values[(index == 2 || index == 3 ? index : 1) - 1].data());
    if (!PhysicalTemperature(value, s->Scale)) return std::nullopt;
    return value;
}

std::int32_t TMBM4Wrapper::Temperature(int index) const {
    const auto value = Reading(index);
    return value ? RoundToInt32(*value).value_or(0) : 0;
}

} // namespace torvane::hw
