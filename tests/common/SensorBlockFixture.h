#pragma once
// A sensor block of a test's own: a shared memory block under a name no other test or running monitor
// uses, published with given readings or bytes and removed when the test ends.

#include "hw/MBM4Wrapper.h"
#include "platform/SharedMemory.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace torvane::test {

inline std::string UniqueBlockName() {
    static std::atomic<int> counter{0};
    return "/torvane-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
}

class TestSensorBlock {
public:
    explicit TestSensorBlock(std::size_t size = hw::kSensorBlockSize)
        : name_(UniqueBlockName()), size_(size) {}

    const std::string& Name() const { return name_; }
    std::uint8_t* Bytes() {
        if (!block_) block_ = std::make_unique<TSharedMemoryBlock>(name_, size_);
        return block_->Data();
    }
    // Publishes the three readings as torvane-sensors does, live now (creating the block when it is not
    // there), in the given scale.
    void Publish(double t1, double t2, double t3, char scale = 'C') {
        const double values[3] = {t1, t2, t3};
        hw::PublishTemperatures(Bytes(), size_, values, scale);
    }
    // Marks bytes put there by hand as a live publication.
    void Stamp(std::int64_t nowMs = hw::SensorClockMs()) {
        const double values[3] = {0, 0, 0};
        std::uint8_t readings[18];
        std::memcpy(readings, Bytes() + hw::kTemperatureOffsets[0], sizeof readings);
        hw::PublishTemperatures(Bytes(), size_, values, 'C', nowMs);
        std::memcpy(Bytes() + hw::kTemperatureOffsets[0], readings, sizeof readings);
    }
    void Remove() { block_.reset(); }

private:
    std::string name_;
    std::size_t size_;
    std::unique_ptr<TSharedMemoryBlock> block_;
};

} // namespace torvane::test
