#pragma once
// The MMX workload: a fixed series of 2048 MMX operations per pass, every result written as decimal text;
// each completed pass must produce the same text as the pass before it. MMX1 and MMX2 run it for an MMX
// test, Idler4 for the whole run at idle priority, each with its own TPentiumMMX.

#include "engine/Workload.h"
#include "hw/PentiumMMX.h"

#include <cstdint>
#include <functional>
#include <string>

namespace torvane::engine {

inline constexpr int MmxSteps = 2048;

// The operation code of step i (1 ... 2048).
std::uint8_t MmxStepCode(int step);

// One pass: before and after are called around every step and a false answer leaves the pass (the
// function then returns false). The text is built as the pass goes.
bool RunMmxPass(const hw::TPentiumMMX& mmx, std::string& text, const std::function<bool()>& before,
                const std::function<bool()>& after);

class MmxWorkload final : public Workload {
public:
    using Workload::Workload;
    static const WorkloadInfo Description;
    const WorkloadInfo& Info() const override { return Description; }

    void MMX1Timer();
    void MMX2Timer();
    void Idler4Timer();

    hw::TPentiumMMX PentiumMMX1, PentiumMMX2, PentiumMMX3;

private:
    void TestPass(const hw::TPentiumMMX& mmx);
};

} // namespace torvane::engine
