#pragma once
// The temperatures a hardware monitor publishes in a named shared memory block: three 6-byte reals at
// offsets 46, 52 and 58, in whatever scale the monitor is set to. Nothing is converted between scales.
//
// Every read opens the block, maps it, takes its value, unmaps and closes it again, so nothing stays
// open between reads and a monitor that starts or stops meanwhile is simply seen or not seen.

#include <cstddef>
#include <cstdint>
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

// The offset of temperature index; any index but 2 and 3 is temperature 1.
std::size_t TemperatureOffset(int index);

// The publishing side: stores value as temperature index (1, 2 or 3) in a block of size bytes. False,
// and nothing written, when the block is too short or no 6-byte real holds the value.
bool WriteTemperature(std::uint8_t* block, std::size_t size, int index, double value);

class TMBM4Wrapper {
public:
    explicit TMBM4Wrapper(std::string blockName = SensorBlockName()) : blockName_(std::move(blockName)) {}

    // Whether the block exists.
    bool Present() const;
    // Temperature index (1, 2 or 3; any other index reads temperature 1) rounded to the nearest integer,
    // halves to even. 0 when the block cannot be opened or mapped, is too short to hold the reading, or
    // holds a value no integer can show.
    std::int32_t Temperature(int index) const;

    const std::string& BlockName() const { return blockName_; }

private:
    std::string blockName_;
};

} // namespace torvane::hw
