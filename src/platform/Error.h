#pragma once
// The root of every exception the project's libraries throw. Each carries a signed 32-bit ErrorCode so
// that callers can tell failures apart without parsing messages.

#include <cstdint>
#include <stdexcept>
#include <string>

namespace torvane {

class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message, std::int32_t errorCode = 0)
        : std::runtime_error(message), ErrorCode(errorCode) {}
    std::int32_t ErrorCode;
};

// File layer failures; the texts are the ones users know from the file dialogs of the desktop. OsError
// keeps the system's reason (an errno value, 0 when there is none) for those who show it.
class EFOpenError : public Exception {
public:
    explicit EFOpenError(const std::string& fileName, int osError = 0);
    int OsError;
};

class EFCreateError : public Exception {
public:
    explicit EFCreateError(const std::string& fileName, int osError = 0);
    int OsError;
};

class EReadError : public Exception {
public:
    explicit EReadError(const std::string& message = "Stream read error") : Exception(message) {}
};

class EWriteError : public Exception {
public:
    explicit EWriteError(const std::string& message = "Stream write error") : Exception(message) {}
};

// "'abc' is not a valid integer value"
class EConvertError : public Exception {
public:
    explicit EConvertError(const std::string& message) : Exception(message) {}
};

// Replaces the first "%s" in a message pattern; the message resources of this program use no other
// placeholders for texts.
std::string FormatMessage(const std::string& pattern, const std::string& text);

} // namespace torvane
