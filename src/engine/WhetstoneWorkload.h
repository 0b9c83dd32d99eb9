#pragma once
// The Whetstone workload: one pass per tick of WhetStone1, WhetStone2 (a Whetstone test, or beside an
// encryption test) and Idler3 (the whole run, at idle priority). Each completed pass writes its result
// text and compares it with the text of the pass that completed before it, of any of the three.

#include "engine/Whetstone.h"
#include "engine/Workload.h"

#include <functional>
#include <string>

namespace torvane::engine {

// One pass with the checks the caller wants around each outer iteration; false when a check asked to
// leave (the text is then not built). An exception of the arithmetic propagates with the partial
// variables left in `pass`.
bool RunWhetstonePass(WhetstonePass& pass, const std::function<bool()>& before,
                      const std::function<bool()>& after);

class WhetstoneWorkload final : public Workload {
public:
    using Workload::Workload;
    static const WorkloadInfo Description;
    const WorkloadInfo& Info() const override { return Description; }

    void WhetStone1Timer();
    void WhetStone2Timer();
    void Idler3Timer();

    // The values every pass starts from. Tests change them to force a fault.
    WhetstoneVariables StartValues;

private:
    void TestPass();
    void IdlePass();
};

} // namespace torvane::engine
