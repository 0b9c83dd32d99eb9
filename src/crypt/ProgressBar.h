#pragma once
// The progress bar of a long hash, encrypt or decrypt: one line on a terminal's error stream, redrawn in
// place, and nothing at all where standard error is no terminal.

#include "Command.h"

#include "crypto/Progress.h"

#include <cstdint>
#include <optional>
#include <ostream>

namespace torvane::crypt {

// Draws nothing for the first half second, so that short inputs leave no trace; then the share done of a
// known length, or the bytes so far of an unknown one. (0, 0) ends it and clears the line.
class ProgressBar {
public:
    ProgressBar(std::ostream& out, const MsClock& clock);
    void operator()(std::int64_t current, std::int64_t maximal);

    static constexpr std::int64_t kDelayMs = 500;
    static constexpr std::int64_t kRedrawMs = 100;

private:
    std::ostream& out_;
    const MsClock& clock_;
    std::int64_t start_;
    std::int64_t lastDraw_ = -1;
    std::size_t width_ = 0; // of the line drawn, 0 when none is
};

// Puts a progress bar into the library's progress slot for one operation when io's error stream is a
// terminal, and empties the slot again on every way out.
class ScopedProgressBar {
public:
    explicit ScopedProgressBar(CommandIO& io);

private:
    std::optional<ProgressBar> bar_;
    std::optional<crypto::ScopedProgressHook> hook_;
};

} // namespace torvane::crypt
