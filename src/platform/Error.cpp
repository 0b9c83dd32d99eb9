#include "platform/Error.h"

#include <cstring>

namespace torvane {

std::string FormatMessage(const std::string& pattern, const std::string& text) {
    const auto at = pattern.find("%s");
    if (at == std::string::npos) return pattern;
    return pattern.substr(0, at) + text + pattern.substr(at + 2);
}

std::string EFileError::Reason() const {
    if (!reason_.empty()) return reason_;
    return ErrorCode > 0 ? std::strerror(ErrorCode) : std::string();
}

EFOpenError::EFOpenError(const std::string& fileName, std::int32_t systemError, std::string reason)
    : EFileError(FormatMessage("Cannot open file %s", fileName), systemError, std::move(reason)) {}

EFCreateError::EFCreateError(const std::string& fileName, std::int32_t systemError, std::string reason)
    : EFileError(FormatMessage("Cannot create file %s", fileName), systemError, std::move(reason)) {}

std::string DescribeError(const std::exception& e) {
    const auto* file = dynamic_cast<const EFileError*>(&e);
    const auto reason = file ? file->Reason() : std::string();
    const std::string what = e.what();
    // A message that tells its reason already (a wrapper that composed it) is not told it twice.
    if (reason.empty() || what.ends_with(": " + reason)) return what;
    return what + ": " + reason;
}

} // namespace torvane
