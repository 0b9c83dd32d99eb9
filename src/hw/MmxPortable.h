#pragma once
// The MMX operations computed lane by lane in plain C++: the stand-in on processors without MMX, and the
// oracle the tests hold the real instructions against. Codes and semantics are those of MmxOperate.

#include "hw/MmxOperand.h"

namespace torvane::hw {

std::uint64_t MmxOperatePortable(std::uint8_t code, std::uint64_t a, std::uint64_t b);

} // namespace torvane::hw
