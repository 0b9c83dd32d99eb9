#pragma once
// The event stream of the terminal run (--events FILE|-): JSON Lines, one object per event, for scripts
// and fleet tools. docs/events.md describes every event and its fields; EventSchemaVersion changes when a
// field changes its meaning or goes away (new fields and events keep it).
//
// Each line reaches the file in one write call, as soon as it is made, so that a reader that follows the
// file sees whole events at once. One call is still not one indivisible step: SIGKILL (or a full disk) can
// cut a line where it crosses a page of the file. So the rule that the writer and every reader keep is:
// only the last line of a file can be torn, and a reader leaves out a last line without its newline and
// says so. The writer writes nothing after a line it could not finish, and cuts a torn end off a file
// before it adds lines to it, so that a torn line never stands in the middle.

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
    // What opening the file changed in it (a torn last line cut off), for the user; usually empty.
    const std::string& Notice() const { return notice_; }

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
    std::string notice_;
    bool torn_ = false; // a line went out only in part: nothing may follow it
    // The stream opened a FIFO itself, which stays non-blocking so that a reader that stops reading never
    // holds the program: a full FIFO is waited for as long as the program goes on.
    bool waitsForRoom_ = false;
};

// Cuts a file that ends in a torn line (its writer was killed in the middle of it) back to its last whole
// line, so that what is added to it starts a line of its own. The bytes removed: 0 for a file that ends
// in a newline, is empty or is no regular file; -1 (errno set) when the file cannot be read or cut.
std::int64_t CutTornLastLine(int fd);

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
