#pragma once
// A worker's event lines read back into the run's typed events, so that its supervisor hears a worker's
// run as the window hears its own: a test's start, an error, a stall, and the work time of a heartbeat.
// What a line says beyond the run's events (the passes and temperature of a heartbeat, a worker's end)
// stays the front end's to read from the object itself.

#include "engine/RunStream.h"

#include <QJsonObject>

#include <optional>

namespace torvane::session {

// The run's event a line carries: "test_start" (a test, or an encryption cycle where it names a cipher),
// "error" (its mismatch as the excerpts the line keeps), "pause", "heartbeat" (its work time). Nothing for
// any other event, or a test the program does not know. An error's count is the worker's own to tell at
// its end; read back, it is 0.
std::optional<engine::RunEvent> ReadRunEvent(const QJsonObject& line);

} // namespace torvane::session
