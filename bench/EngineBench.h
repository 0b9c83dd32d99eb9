#pragma once
// What the benchmarks of the test engine share: the application object the engine's event processing
// needs, and a view that shows nothing.

#include "engine/RunStream.h"

#include <QCoreApplication>

namespace torvane::bench {

inline QCoreApplication& App() {
    static int argc = 1;
    static char name[] = "torvane_bench";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

class NullView final : public engine::IRunSubscriber {
public:
    void Hear(const engine::RunEvent&) override {}
};

} // namespace torvane::bench
