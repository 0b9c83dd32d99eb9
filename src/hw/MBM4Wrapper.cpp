#include "hw/MBM4Wrapper.h"

#include "hw/Real48.h"
#include "platform/SharedMemory.h"

#include <cstdlib>
#include <cstring>

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

bool TMBM4Wrapper::Present() const {
    return TSharedMemoryView::Exists(blockName_);
}

std::int32_t TMBM4Wrapper::Temperature(int index) const {
    TSharedMemoryView view(blockName_);
    if (!view.Map()) return 0;
    const std::size_t offset = TemperatureOffset(index);
    // Another program's block may be shorter than the readings; reading past its end would fault.
    if (view.Size() < offset + sizeof(TReal48)) return 0;
    return RoundToInt32(Real48ToDouble(view.Data() + offset)).value_or(0);
}

} // namespace torvane::hw
