#pragma once
// The event file's renderer of one test run (a single run, or one worker of a supervised run): JSON lines
// made from the run's typed events and from the front end's own moments (its start, its end).

#include "engine/RunStream.h"
#include "terminal/EventStream.h"

#include <QJsonObject>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>

namespace torvane::app {

// Where two pass texts part: the first position (in characters, from 0) at which they differ, and an
// excerpt of each around it, at most ExcerptLength characters long, both from the same position.
struct TextDifference {
    std::int64_t Position = 0;
    std::string Expected, Got;
};
inline constexpr std::size_t ExcerptLength = 64;
TextDifference FirstDifference(const std::string& expected, const std::string& got);

// The fields of an "error" event, for a run's own error and for a worker's end that its supervisor tells:
// who met it, the code, message and detail, the cause where there is one, and for a result mismatch
// (reference and result, the two pass texts) where the texts part.
QJsonObject ErrorEventFields(QJsonObject who, int code, const QString& message, const QString& detail,
                             const QString& cause = {}, const std::string* reference = nullptr,
                             const std::string* result = nullptr);

class RunEventRecorder final : public engine::IRunSubscriber {
public:
    // worker: the worker's number in its run (0 for the single run); cpu: the processor it is pinned to.
    RunEventRecorder(EventStream& events, int worker, std::optional<int> cpu);

    // A test's start ("test_start"), an error ("error"), a stall ("pause"), and at every whole minute of
    // work time a "heartbeat"; passes are counted for the heartbeat.
    void Hear(const engine::RunEvent& event) override;
    // The seconds of work time between two heartbeats: a whole minute unless a worker's starter asks for
    // its passes more often.
    int HeartbeatSeconds = 60;
    // The work time, the passes done per test, the temperature where known.
    void Heartbeat(std::int64_t workSeconds, std::optional<double> temperatureC);
    // The run's end: "worker_end" for a worker, "run_end" for the single run.
    void End(const char* event, std::int64_t errors, std::int64_t workSeconds, const QString& reason,
             int exitStatus);

    // The fields that name the worker (and its processor) in every event of the run.
    QJsonObject Who() const;

private:
    EventStream& events_;
    int worker_;
    std::optional<int> cpu_;
    void Error(const engine::event::Error& error);
    void WorkTime(std::int64_t seconds);

    std::map<QString, std::int64_t> passes_;
    std::int64_t lastBeat_ = 0;     // whole heartbeat periods of work time last told
    std::optional<double> celsius_; // the last temperature heard, which a heartbeat tells
};

// A workload's name as the events give it: "whetstone", "mmx", "encryption", "heat-up".
QString EventKind(const engine::WorkloadInfo& workload);

} // namespace torvane::app
