#include "crypto/Progress.h"

namespace torvane::crypto {

TProgressEvent ProgressHook;

void ReportProgress(const void* Sender, std::int64_t Current, std::int64_t Maximal) {
    if (!ProgressHook) return;
    try {
        // Call a copy: the handler may replace the slot while it runs.
        auto handler = ProgressHook;
        handler(Sender, Current, Maximal);
    } catch (...) {
        ProgressHook = nullptr;
    }
}

} // namespace torvane::crypto
