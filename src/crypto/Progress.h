#pragma once
// The one process-wide progress slot through which hashing and ciphering report how far they are.

#include <cstdint>
#include <functional>

namespace torvane::crypto {

// Sender is the hash or cipher object that reports; Current and Maximal are byte counts.
// Counts are 64-bit so that files beyond 2 GiB report correctly. Maximal is -1 while the length of the
// input is unknown (a pipe, a device), and (0, 0) always ends an operation.
using TProgressEvent = std::function<void(const void* Sender, std::int64_t Current, std::int64_t Maximal)>;

// Holds one handler or nothing. Not locked: one hashing or ciphering with progress at a time.
extern TProgressEvent ProgressHook;

// Calls the handler in ProgressHook, if any. A handler that throws is removed from the slot and its
// exception goes no further, so a failing progress display never interrupts the work.
void ReportProgress(const void* Sender, std::int64_t Current, std::int64_t Maximal);

// The Maximal to report once done bytes are read of an input that claimed total: total, or -1 from the
// moment the input runs past it (it grew, or it is a /proc file that claims to be empty).
inline std::int64_t ProgressTotal(std::int64_t done, std::int64_t total) {
    return total >= 0 && done > total ? -1 : total;
}

// Puts a handler into ProgressHook for one operation and empties the slot again on every way out.
class ScopedProgressHook {
public:
    explicit ScopedProgressHook(TProgressEvent handler) { ProgressHook = std::move(handler); }
    ~ScopedProgressHook() { ProgressHook = nullptr; }
    ScopedProgressHook(const ScopedProgressHook&) = delete;
    ScopedProgressHook& operator=(const ScopedProgressHook&) = delete;
};

} // namespace torvane::crypto
