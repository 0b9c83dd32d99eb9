#pragma once
// The event stream of the terminal run (--events FILE|-): JSON Lines, one object per event, for scripts
// and fleet tools. docs/events.md describes every event and its fields; EventSchemaVersion changes when a
// field changes its meaning or goes away (new fields and events keep it).
//
// Each line reaches the file in one write call, as soon as it is made, so that a reader that follows the
// file sees whole events at once and a run that is killed leaves only whole lines behind.

#include <QJsonObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace torvane::app {

inline constexpr int EventSchemaVersion = 1;

// A moment as RFC 3339 text in UTC with milliseconds: "2026-12-08T06:30:00.123Z".
QString Rfc3339Utc(std::int64_t msSinceEpoch);

// Milliseconds since 1970-01-01 UTC, from the system's real-time clock.
std::int64_t UtcNowMs();

class EventStream {
public:
    // Opens the stream: "-" is standard output, anything else a file that is created or added to (the
    // runs of a machine that is tested again, or a container that restarted, stand one after another:
    // a run's error is never wiped by the next run). The system's reason when it cannot be opened.
    static std::unique_ptr<EventStream> Open(const std::string& target, std::string& problem);
    // Writes to a descriptor the caller keeps open (tests, the worker's channel to its supervisor).
    explicit EventStream(int fd, bool owned = false);
    ~EventStream();
    EventStream(const EventStream&) = delete;
    EventStream& operator=(const EventStream&) = delete;

    // Adds the fields every event has (schema version, time, host, event name) to the given ones and
    // writes the line. False when it could not be written.
    bool Emit(const char* event, QJsonObject fields);
    // Writes one line that is already an event (a worker's, passed on by its supervisor); a newline is
    // added. False when it could not be written.
    bool WriteLine(std::string_view line);

    // The first failure, with the system's reason; empty while every line was written.
    const std::string& Problem() const { return problem_; }

    // The time source of the events (UtcNowMs by default) and the machine's name; tests set both.
    std::function<std::int64_t()> Clock = UtcNowMs;
    QString Host;
    // The scheduler's name of the machine (NodeName()) and the run's id (NewRunId()); each goes into
    // every event when it is not empty.
    QString Node;
    QString Run;

private:
    int fd_;
    bool owned_;
    std::string problem_;
};

// The name of this machine as the events give it.
QString HostName();

// The machine's name as its scheduler knows it, from the environment: TORVANE_NODE (the manifests set it
// to the Kubernetes node), else SLURMD_NODENAME (Slurm sets it in every task); empty when neither is set.
// Two machines may share a host name (a pod's name, two slurmd on one host); their node names differ.
QString NodeName();

// A new run's id: 32 hexadecimal digits, random, so that runs that add to one file (or run at once) are
// told apart.
QString NewRunId();

} // namespace torvane::app
