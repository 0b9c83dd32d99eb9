#pragma once
// A sensor block of a test's own: a shared memory block under a name no other test or running monitor
// uses, published with given readings or bytes and removed when the test ends.

#include "hw/MBM4Wrapper.h"
#include "platform/SharedMemory.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
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
    // Publishes the three readings (creating the block when it is not there).
    void Publish(double t1, double t2, double t3) {
        const double values[3] = {t1, t2, t3};
        for (int i = 1; i <= 3; ++i) hw::WriteTemperature(Bytes(), size_, i, values[i - 1]);
    }
    void Remove() { block_.reset(); }

private:
    std::string name_;
    std::size_t size_;
    std::unique_ptr<TSharedMemoryBlock> block_;
};

} // namespace torvane::test
