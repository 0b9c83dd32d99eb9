#include "engine/Workloads.h"

#include "engine/EncryptionWorkload.h"
#include "engine/HeatUpWorkload.h"
#include "engine/MmxWorkload.h"
#include "engine/WhetstoneWorkload.h"

namespace torvane::engine {

std::vector<std::unique_ptr<Workload>> MakeWorkloads(TestRun& run) {
    std::vector<std::unique_ptr<Workload>> list;
    list.push_back(std::make_unique<HeatUpWorkload>(run));
    list.push_back(std::make_unique<IdleWorkload>(run));
    list.push_back(std::make_unique<WhetstoneWorkload>(run));
    list.push_back(std::make_unique<MmxWorkload>(run));
    list.push_back(std::make_unique<EncryptionWorkload>(run));
    return list;
}

} // namespace torvane::engine
