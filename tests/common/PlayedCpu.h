#pragma once
// A processor that answers CPUID as the test says: its vendor string, its signature (EAX of leaf 1) and
// feature flags, and where it has one its brand string in the extended leaves.

#include "hw/Cpuid.h"

#include <cstdint>
#include <cstring>
#include <map>
#include <string>

namespace torvane::test {

class PlayedCpu final : public hw::ICpuidSource {
public:
    PlayedCpu(const char* vendor, std::uint32_t signature, const std::string& brand = {},
              std::uint32_t edx = 0) {
        std::uint32_t words[3] = {};
        std::memcpy(words, vendor, 12);
        leaves[0] = {1, words[0], words[2], words[1]}; // EBX, EDX, ECX carry the text in that order
        leaves[1] = {signature, 0, 0, edx};
        if (!brand.empty()) SetBrand(brand);
    }

    // The leaves 0x80000002-4 holding text, NUL-padded to their 48 bytes.
    void SetBrand(const std::string& text) {
        char bytes[48] = {};
        std::memcpy(bytes, text.data(), text.size() < 48 ? text.size() : 48);
        std::uint32_t w[12];
        std::memcpy(w, bytes, 48);
        leaves[0x80000000u] = {0x80000004u, 0, 0, 0};
        for (std::uint32_t i = 0; i < 3; ++i)
            leaves[0x80000002u + i] = {w[4 * i], w[4 * i + 1], w[4 * i + 2], w[4 * i + 3]};
    }

    bool IdFlagToggles() const override { return idFlag; }
    hw::CpuidRegisters Cpuid(std::uint32_t leaf) const override {
        const auto it = leaves.find(leaf);
        return it == leaves.end() ? hw::CpuidRegisters{} : it->second;
    }
    bool DivisionLeavesFlagsClear() const override { return cyrixDivision; }

    bool idFlag = true;
    bool cyrixDivision = false;
    std::map<std::uint32_t, hw::CpuidRegisters> leaves;
};

// A signature from its four fields, as processors without the extended fields give it.
inline std::uint32_t Signature(int family, int model, int stepping, int type = 0) {
    return static_cast<std::uint32_t>(type << 12 | family << 8 | model << 4 | stepping);
}

} // namespace torvane::test
