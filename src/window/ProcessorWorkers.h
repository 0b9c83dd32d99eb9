#pragma once
// "Processors" set to "All" in the window: the window's own run takes the first processor the process
// may use and one worker process takes each of the others, the same workers with the same command line
// as the terminal's run on every processor (--workers all), and one RunSession keeps them all. The text
// screen stays the window's own run, with every text it has; a strip below it shows each processor's
// test, passes and errors; the first error of any processor stops them all and its report names the
// processor; once every worker has ended the results get one line per processor. A worker's error is
// counted in the window's run, so a certificate counts the run as a whole.

#include "engine/RunStream.h"
#include "session/RunOptions.h"
#include "session/RunSession.h"
#include "workers/WorkerProcesses.h"

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QLabel;

namespace torvane::engine {
class TestRun;
} // namespace torvane::engine

namespace torvane::app {

// The seconds of work time between two heartbeats of a worker the window starts: each tells its passes,
// so the strip counts a worker's passes every few seconds as it counts the window's own.
inline constexpr int WorkerHeartbeatSeconds = 2;

class TProcessorWorkers final : public QObject, public engine::IRunSubscriber {
public:
    // screen: where the results' lines of each processor go; program: the program file the workers are
    // started from; strip: where the processors are shown.
    TProcessorWorkers(engine::TestRun& run, engine::IRunSubscriber& screen, std::string program,
                      QLabel* strip);
    ~TProcessorWorkers() override;

    // Whether "Start" runs on every processor ("All") or the window's run alone ("One").
    bool All = true;
    // The processors a run on all of them takes, lowest first (the affinity mask); tests set their own.
    std::vector<int> Processors;
    // How long a worker may take to stop the ordinary way before it is killed.
    int StopGraceMs = 30000;

    // A fault asked for at start (--start --inject-fault): the processor it names meets it, every
    // processor when it names none. Given once, to the next run.
    void InjectFault(const session::FaultSpec& fault);

    // Whether workers of the run are still going.
    bool WorkersRunning() const;
    // The run as a whole: null before the first run on every processor.
    const session::RunSession* Session() const { return session_.get(); }
    // Ends the workers now, waiting at most graceMs for them to stop the ordinary way (the window is
    // closing). Their work files go.
    void EndNow(int graceMs);

    // The window's own run, as the first processor of the session: its start and stop start and stop
    // the workers.
    void Hear(const engine::RunEvent& event) override;

    // The strip's text as shown now.
    QString StripText() const;

private:
    // Whether a run goes on every processor: "All", more than one processor, and a program for workers.
    bool Spreads() const;
    void Started();
    void Stopped();
    void Serve();
    void OnEvent(int worker, std::string_view line);
    void OnExit(int worker, WorkerProcesses::Exit exit);
    // Stops the window's run with the error of processor i, unless it stopped already.
    void ReportError(int i);
    void StopWorkers();
    // While the run goes on every processor, the window's own run keeps to the first one, as a worker
    // keeps to its own: its timer threads then sleep instead of spinning (spinning, they took half a
    // processor from the passes and from the worker beside them). Undone when the window's run stops.
    void KeepToFirstProcessor();
    void LetGo();
    void ShowStrip();
    void Finish();
    std::int64_t NowMs() const;

    engine::TestRun& run_;
    engine::IRunSubscriber& screen_;
    std::string program_;
    QLabel* strip_;
    QTimer pump_;
    std::optional<session::FaultSpec> fault_;
    std::unique_ptr<WorkerProcesses> pool_;
    std::unique_ptr<session::RunSession> session_;
    std::vector<std::string> folders_; // each worker's work folder
    std::vector<bool> killed_;
    std::int64_t stopDeadline_ = -1; // -1: no stop asked of the workers yet
    bool serving_ = false;
    bool forwarding_ = false;    // a worker's error is being reported through the window's run
    bool kept_ = false;          // the process keeps to the first processor
    bool spinningBefore_ = true; // the timers' spinning before that
    bool finished_ = true;       // the per-processor results are out (or there is no run on every processor)
};

} // namespace torvane::app
