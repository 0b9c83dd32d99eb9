#pragma once
// The one process-wide progress slot through which hashing and ciphering report how far they are.

#include <cstdint>
#include <functional>

namespace torvane::crypto {

// Sender is the hash or cipher object that reports; Current and Maximal are byte counts.
// Counts are 64-bit so that files beyond 2 GiB report correctly.
using TProgressEvent = std::function<void(const void* Sender, std::int64_t Current, std::int64_t Maximal)>;

// Holds one handler or nothing. Not locked: one hashing or ciphering with progress at a time.
extern TProgressEvent ProgressHook;

// Calls the handler in ProgressHook, if any. A handler that throws is removed from the slot and its
// exception goes no further, so a failing progress display never interrupts the work.
void ReportProgress(const void* Sender, std::int64_t Current, std::int64_t Maximal);

// Puts a handler into ProgressHook for one operation and empties the slot again on every way out.
class ScopedProgressHook {
public:
    explicit ScopedProgressHook(TProgressEvent handler) { ProgressHook = std::move(handler); }
    ~ScopedProgressHook() { ProgressHook = nullptr; }
    ScopedProgressHook(const ScopedProgressHook&) = delete;
    ScopedProgressHook& operator=(const ScopedProgressHook&) = delete;
};

} // namespace torvane::crypto
