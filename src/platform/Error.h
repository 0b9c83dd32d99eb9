#pragma once
// The root of every exception the project's libraries throw. Each carries a signed 32-bit ErrorCode so
// that callers can tell failures apart without parsing messages.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>

namespace torvane {

class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message, std::int32_t errorCode = 0)
        : std::runtime_error(message), ErrorCode(errorCode) {}
    std::int32_t ErrorCode;
};

// File layer failures; the texts are the ones users know from the file dialogs of the desktop. The reason
// stays apart from the text (DescribeError joins them): the system's, or one in words where the program
// refused on its own.
class EFileError : public Exception {
public:
    // The reason given, else the system's text for ErrorCode; empty when neither is known.
    std::string Reason() const;

protected:
    EFileError(const std::string& message, std::int32_t systemError, std::string reason)
        : Exception(message, systemError), reason_(std::move(reason)) {}

private:
    std::string reason_;
};

class EFOpenError : public EFileError {
public:
    // systemError: the system's error number (errno) where one is known, kept as the ErrorCode
    explicit EFOpenError(const std::string& fileName, std::int32_t systemError = 0, std::string reason = {});
};

class EFCreateError : public EFileError {
public:
    // systemError: the system's error number (errno) where one is known, kept as the ErrorCode
    explicit EFCreateError(const std::string& fileName, std::int32_t systemError = 0,
                           std::string reason = {});
};

class EReadError : public Exception {
public:
    // systemError: as for EFCreateError
    explicit EReadError(const std::string& message = "Stream read error", std::int32_t systemError = 0)
        : Exception(message, systemError) {}
};

class EWriteError : public Exception {
public:
    explicit EWriteError(const std::string& message = "Stream write error", std::int32_t systemError = 0)
        : Exception(message, systemError) {}
};

// "'abc' is not a valid integer value"
class EConvertError : public Exception {
public:
    explicit EConvertError(const std::string& message) : Exception(message) {}
};

// The message with its reason where the exception has one: "Cannot open file x: Permission denied".
std::string DescribeError(const std::exception& e);

// Replaces the first "%s" in a message pattern; the message resources of this program use no other
// placeholders for texts.
std::string FormatMessage(const std::string& pattern, const std::string& text);

} // namespace torvane
