#include "engine/Workloads.h"

#include "engine/EncryptionWorkload.h"
#include "engine/HeatUpWorkload.h"
#include "engine/MmxWorkload.h"
#include "engine/WhetstoneWorkload.h"

#include <array>

namespace torvane::engine {

namespace {

struct Entry {
    const WorkloadInfo* Info;
    std::unique_ptr<Workload> (*Make)(TestRun& run);
};

template <class W> std::unique_ptr<Workload> Make(TestRun& run) {
    return std::make_unique<W>(run);
}

const std::array<Entry, 5> List = {{
    {&HeatUpWorkload::Description, Make<HeatUpWorkload>},
    {&IdleWorkload::Description, Make<IdleWorkload>},
    {&WhetstoneWorkload::Description, Make<WhetstoneWorkload>},
    {&MmxWorkload::Description, Make<MmxWorkload>},
    {&EncryptionWorkload::Description, Make<EncryptionWorkload>},
}};

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

} // namespace

std::vector<std::unique_ptr<Workload>> MakeWorkloads(TestRun& run) {
    std::vector<std::unique_ptr<Workload>> list;
    for (const auto& entry : List) list.push_back(entry.Make(run));
    return list;
}

std::span<const WorkloadInfo* const> WorkloadDescriptions() {
    static const auto descriptions = [] {
        std::array<const WorkloadInfo*, List.size()> r{};
        for (std::size_t i = 0; i < List.size(); ++i) r[i] = List[i].Info;
        return r;
    }();
    return descriptions;
}

const WorkloadInfo* FindTest(std::string_view name) {
    for (const auto* info : WorkloadDescriptions())
        if (info->TestKind >= 0 && SameName(info->Name, name)) return info;
    return nullptr;
}

namespace {
constexpr std::pair<LoadMode, const char*> ModeNames[] = {
    {LoadMode::Idle, "idle"}, {LoadMode::Normal, "normal"}, {LoadMode::Hardcore, "hardcore"}};
} // namespace

const char* LoadModeName(LoadMode mode) {
    for (const auto& [m, name] : ModeNames)
        if (m == mode) return name;
    return "normal";
}

std::optional<LoadMode> LoadModeNamed(std::string_view name) {
    for (const auto& [m, known] : ModeNames)
        if (SameName(known, name)) return m;
    return std::nullopt;
}

} // namespace torvane::engine
