#pragma once
// What the run tells a front end that reports on it for programs (the terminal run's event stream),
// beside the lines of its screen: the tests it starts, the passes it completes and the errors it
// reports, with what a screen line leaves out. Every call comes on the GUI thread, from inside the run;
// an observer only records, it never acts on the run.

#include <QString>

#include <string>

namespace torvane::engine {

struct WorkloadInfo;

class IRunObserver {
public:
    virtual ~IRunObserver() = default;

    // The heat-up or a timed test began, for the given whole minutes.
    virtual void TestStarted(const WorkloadInfo& workload, int minutes) = 0;
    // An encryption cycle began: the cipher as the screen names it, and the size of its file.
    virtual void EncryptionStarted(const WorkloadInfo& workload, const QString& cipher, int megabytes) = 0;
    // A pass (or an encryption cycle) came to its end with its result checked.
    virtual void PassEnded(const WorkloadInfo& workload) = 0;
    // The work clock found that the test could not run for the given seconds (a stall): no work time.
    virtual void Paused(std::int64_t seconds) = 0;
    // An error report as ReportTestError makes it. For a result mismatch (code 1) reference and result are
    // the two pass texts that differ; null otherwise. The cause is the system's reason where the report
    // has one (a work file that cannot be written), empty otherwise.
    virtual void ErrorReported(int code, const QString& message, const QString& detail,
                               const std::string* reference, const std::string* result,
                               const QString& cause) = 0;
};

} // namespace torvane::engine
