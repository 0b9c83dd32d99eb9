#include "platform/Error.h"

namespace torvane {

std::string FormatMessage(const std::string& pattern, const std::string& text) {
    const auto at = pattern.find("%s");
    if (at == std::string::npos) return pattern;
    return pattern.substr(0, at) + text + pattern.substr(at + 2);
}

EFOpenError::EFOpenError(const std::string& fileName, std::int32_t systemError)
    : Exception(FormatMessage("Cannot open file %s", fileName), systemError) {}

EFCreateError::EFCreateError(const std::string& fileName, std::int32_t systemError)
    : Exception(FormatMessage("Cannot create file %s", fileName), systemError) {}

} // namespace torvane
