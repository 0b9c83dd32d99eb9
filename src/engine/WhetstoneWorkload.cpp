#include "engine/WhetstoneWorkload.h"

#include "engine/TestRun.h"

namespace torvane::engine {

namespace {
const QString Failed = QStringLiteral("Whetstone test failed!");
}

bool RunWhetstonePass(WhetstonePass& pass, const std::function<bool()>& before,
                      const std::function<bool()>& after) {
    const std::int32_t outer = pass.Variables().OuterCount;
    for (std::int32_t i = 0; i < outer; ++i) {
        if (!before()) return false;
        pass.RunIteration();
        if (!after()) return false;
    }
    return true;
}

void WhetstoneWorkload::WhetStone1Timer() {
    TestPass();
}
void WhetstoneWorkload::WhetStone2Timer() {
    TestPass();
}
void WhetstoneWorkload::Idler3Timer() {
    IdlePass();
}

void WhetstoneWorkload::ReportException() {
    run_.State.ErrorCount += 1;
    run_.ReportTestError(2, Failed, QStringLiteral("N/A"));
}

void WhetstoneWorkload::TestPass() {
    const auto leave = [this] {
        run_.WhetStone1().SetEnabled(false);
        run_.WhetStone2().SetEnabled(false);
    };
    if (!run_.KeepGoing()) {
        leave();
        return;
    }
    WhetstonePass pass(run_.DecimalSeparator(), StartValues);
    const auto check = [&] {
        if (run_.KeepGoing()) return true;
        leave();
        return false;
    };
    try {
        if (!RunWhetstonePass(pass, check, check)) return;
    } catch (...) {
        ReportException();
    }
    Compare(pass.ResultText());
}

void WhetstoneWorkload::IdlePass() {
    // At idle priority the pass polls the stop flag directly and only lets events through; it leaves
    // without switching anything off, the idle ticks do that.
    if (!run_.KeepGoing()) run_.DisableIdlers();
    WhetstonePass pass(run_.DecimalSeparator(), StartValues);
    try {
        const bool complete = RunWhetstonePass(
            pass, [this] { return !run_.State.Stopped; },
            [this] {
                run_.ProcessMessages();
                return true;
            });
        if (!complete) return;
    } catch (...) {
        ReportException();
    }
    Compare(pass.ResultText());
}

void WhetstoneWorkload::Compare(const std::string& text) {
    auto& reference = run_.State.WhetstoneReference;
    if (reference != NoPassYet && reference != text) {
        run_.View().AppendLine(Pane::RunLog, Failed);
        run_.State.ErrorCount += 1;
        run_.ReportTestError(1, Failed, QStringLiteral("Calculation error"));
    }
    run_.State.WhetstoneReference = text;
}

} // namespace torvane::engine
