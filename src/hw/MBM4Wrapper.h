#pragma once
// The temperatures a hardware monitor publishes in a named shared memory block: three 6-byte reals at
// offsets 46, 52 and 58, in whatever scale the monitor is set to. Nothing is converted between scales.
//
// Every read opens the block, maps it, takes its value, unmaps and closes it again, so nothing stays
// open between reads and a monitor that starts or stops meanwhile is simply seen or not seen.
//
// A block is read only when it is live and trusted. Its publisher (torvane-sensors) keeps a mark in the
// bytes before the readings, which the monitor's layout leaves to others: a magic text, the scale, a
// sequence number that is odd while the readings are rewritten (a reader never takes half a rewrite),
// and the moment of the last rewrite on the system's boot clock. A block without the mark (random bytes,
// a short block), one whose last rewrite is more than a few seconds old (its publisher was killed and
// left it behind), and one that neither this user nor root published (another user can create the name
// first) gives no reading. Nor does a value outside what a sensor can physically show.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace torvane::hw {

// The block's name on this system; torvane-sensors publishes it.
inline constexpr char kSensorBlockName[] = "/$M$B$M$";
// The name the programs use: $TORVANE_SENSOR_BLOCK where it is set (tests publish blocks of their own
// there, beside a monitor that may be running), else the block's own name.
std::string SensorBlockName();
// Where temperature 1, 2 and 3 begin, and the size a publisher gives the block (the last reading ends
// there; the rest of the monitor's record means nothing to this program).
inline constexpr std::size_t kTemperatureOffsets[3] = {46, 52, 58};
inline constexpr std::size_t kSensorBlockSize = 64;

// The publisher's mark.
inline constexpr char kSensorMark[4] = {'T', 'V', 'S', '1'};
inline constexpr std::size_t kMarkOffset = 0;
inline constexpr std::size_t kScaleOffset = 4;    // 'C' or 'F'
inline constexpr std::size_t kSequenceOffset = 8; // 32 bits, odd while the readings are rewritten
inline constexpr std::size_t kBeatOffset = 16;    // 64 bits: boot clock milliseconds of the last rewrite
// A reading older than this is no reading: a publisher rewrites every second.
inline constexpr std::int64_t kLiveMs = 5000;
// What a processor or board sensor can show; anything else is a fault of the sensor or of the block.
inline constexpr double kLowestCelsius = -55;
inline constexpr double kHighestCelsius = 150;

// Milliseconds of the system's boot clock, which publisher and reader share.
std::int64_t SensorClockMs();
// Whether value, in scale 'C' or 'F', lies in the physical range.
bool PhysicalTemperature(double value, char scale);
// The publishing side: the three readings (degrees in scale 'C' or 'F') as one rewrite, with the mark
// and the beat; a value no 6-byte real holds is written as 0. False when the block is too short.
bool PublishTemperatures(std::uint8_t* block, std::size_t size, const double (&values)[3], char scale,
                         std::int64_t nowMs = SensorClockMs());

// The offset of temperature index; any index but 2 and 3 is temperature 1.
std::size_t TemperatureOffset(int index);

// The publishing side: stores value as temperature index (1, 2 or 3) in a block of size bytes. False,
// and nothing written, when the block is too short or no 6-byte real holds the value.
bool WriteTemperature(std::uint8_t* block, std::size_t size, int index, double value);

class TMBM4Wrapper {
public:
    explicit TMBM4Wrapper(std::string blockName = SensorBlockName()) : blockName_(std::move(blockName)) {}

    // Whether a live block of a trusted publisher is there.
    bool Present() const;
    // Temperature index (1, 2 or 3; any other index reads temperature 1) as published; nothing without a
    // live, trusted block or for a value outside the physical range.
    std::optional<double> Reading(int index) const;
    // The reading rounded to the nearest integer, halves to even; 0 where there is none.
    std::int32_t Temperature(int index) const;

    const std::string& BlockName() const { return blockName_; }

private:
    std::string blockName_;
};

} // namespace torvane::hw
