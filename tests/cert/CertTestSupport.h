#pragma once
// A certificate's inputs as the tests use them: fixed facts, a description, a filler of known bytes.

#include "cert/Certificate.h"

#include <string>

namespace torvane::test {

inline cert::TCertificateFacts SampleFacts() {
    cert::TCertificateFacts facts;
    facts.BannerLines = {"Torvane Test 5.0 [ Ombrel ]", "Copyright (C) 1999-2000 by Quarnett", ""};
    facts.CpuFamily = 5;
    facts.CpuModel = 2;
    facts.CpuStepping = 12;
    facts.CpuType = 0;
    facts.RawSpeed = 133;
    facts.ErrorCount = 0;
    facts.WorkTime = {"1", "2", "3", "4"};
    facts.MaxTempSize = 104857600;
    facts.Time = "14:05:09";
    facts.Date = "07/08/2025";
    return facts;
}

inline cert::TCertificateDescription SampleDescription() {
    cert::TCertificateDescription d;
    d.Owner = "J\u00f6rg M\u00fcller";
    d.Cpu = "Pentium 133";
    d.Motherboard = "ASUS P55T2P4";
    d.Cooling = "Fan";
    d.Ram = "64 MB";
    d.Os = "Windows 98";
    d.AdditionalInfo = {"first line", "", "third \u00b4line\u00b4"};
    return d;
}

// Codes 1 to 200 in turn: 198 characters, the two line-break codes dropped.
inline std::string SampleFiller() {
    int next = 0;
    return cert::FillerLine([&](std::int32_t low, std::int32_t high) {
        const auto code = low + next % (high - low + 1);
        ++next;
        return code;
    });
}

} // namespace torvane::test
