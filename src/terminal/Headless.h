#pragma once
// The terminal front end: `torvane --headless [OPTIONS]` runs the test engine on a QCoreApplication and
// writes the run log and information pane lines to standard output.

#include "engine/SettingsSchema.h"
#include "terminal/HeadlessOptions.h"

#include <QJsonObject>
#include <QString>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace torvane::app {

// The processor under test as the run's first line names it.
QString ProcessorLine();
// The fields of the run_start event: program version, processor identification, processor count, the
// processors this process may use, the options, and the processors of the workers (none for the single
// run).
QJsonObject RunStartFields(const HeadlessOptions& options, const std::vector<int>& cpus);
// The warning the run log begins with when the process may use fewer processors than the machine has
// online (a scheduler's allocation, a container's cpuset, taskset): the others are not tested. Nothing
// when it may use them all, or when the system cannot tell.
std::optional<QString> AffinityWarning(const std::vector<int>& allowed, int online);

// Runs the terminal front end; returns the exit status: 0 when the run found no error, 1 when it stopped
// on an error (or on the clock check), 3 when the run log could not be written to standard output, 4 when
// the run found no error but the certificate asked for was not written, 2 when that certificate could
// not be made at all (checked before the run starts).
int RunHeadless(const HeadlessOptions& options, int argc, char** argv);

} // namespace torvane::app
