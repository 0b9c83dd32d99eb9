#pragma once
// The worker processes of a supervised terminal run, as processes: starting them with three channels
// each (standard output for the run log, standard error, and descriptor 3 for the event stream), taking
// their output line by line, signalling them and collecting their ends. What the lines mean and when to
// stop whom is the supervisor's business (Supervisor.h).
//
// No worker outlives its supervisor: each gets SIGTERM when the supervisor ends for any reason (SIGKILL
// included), and the destructor kills and collects any that still run.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace torvane::app {

struct WorkerCommand {
    std::vector<std::string> Argv; // Argv[0] is the program's path
};

// The descriptor on which a worker writes its events.
inline constexpr int WorkerEventsFd = 3;

class WorkerProcesses {
public:
    enum class Channel { Log, Errors, Events };
    struct Exit {
        bool Signalled = false; // ended by a signal; Code is the signal's number
        int Code = 0;           // the exit status otherwise
    };

    explicit WorkerProcesses(std::vector<WorkerCommand> commands);
    ~WorkerProcesses();
    WorkerProcesses(const WorkerProcesses&) = delete;
    WorkerProcesses& operator=(const WorkerProcesses&) = delete;

    // Starts every worker; the system's reason when one could not be started (those that were are
    // killed and collected again).
    std::optional<std::string> Start();

    int Count() const { return static_cast<int>(workers_.size()); }
    bool Running(int index) const;
    bool AllEnded() const;
    pid_t Pid(int index) const { return workers_[static_cast<std::size_t>(index)].Pid; }
    void Signal(int index, int signal);

    // Waits up to timeoutMs for output or ends (or for wakeFd, when given, to become readable), then hands
    // every whole line read to OnLine and every collected end to OnExit. A worker's end comes after all
    // of its output. A last line without its newline is handed over for the log and standard error; on
    // the event channel it is left out, since only whole events count, and a line on the error channel
    // says so.
    void Serve(int timeoutMs, int wakeFd = -1);

    std::function<void(int index, Channel channel, std::string_view line)> OnLine;
    std::function<void(int index, Exit exit)> OnExit;

private:
    struct Pipe {
        int Fd = -1;
        std::string Pending;
    };
    struct Worker {
        WorkerCommand Command;
        pid_t Pid = -1;
        Pipe Pipes[3];
        bool Ended = false;
    };

    void Read(int index, int channel);
    void Drain(int index, int channel, bool atEnd);
    void Collect(int index);

    std::vector<Worker> workers_;
};

} // namespace torvane::app
