#pragma once
// Standard input and output for torvane-crypt: stream buffers over the descriptors that remember why the
// system refused them, and the two streams as the library's TStreams for coding "-".

#include "platform/Stream.h"

#include <iosfwd>
#include <streambuf>
#include <vector>

namespace torvane::crypt {

// A buffered std::streambuf over a file descriptor, for reading or for writing. A failed read or write
// puts the stream into its bad state and keeps the system's reason.
class TDescriptorBuffer final : public std::streambuf {
public:
    enum class Direction { Read, Write };
    TDescriptorBuffer(int fd, Direction direction);
    ~TDescriptorBuffer() override;
    TDescriptorBuffer(const TDescriptorBuffer&) = delete;
    TDescriptorBuffer& operator=(const TDescriptorBuffer&) = delete;

    // The errno of the first failure, 0 while there is none.
    int Error() const { return error_; }

protected:
    int_type overflow(int_type c) override;
    int sync() override;
    int_type underflow() override;

private:
    bool Drain();

    int fd_;
    int error_ = 0;
    std::vector<char> buffer_;
};

// ": reason" for a stream over a TDescriptorBuffer that failed, "" where no system call said why.
std::string FailureReason(const std::ios& stream);

// Standard input as a source for the library: read in order to its end, no length.
class TInputStream final : public TStream {
public:
    explicit TInputStream(std::istream& in) : in_(in) {}
    std::int64_t Read(void* buffer, std::int64_t count) override; // EReadError with the reason
    std::int64_t Write(const void*, std::int64_t) override;
    std::int64_t Seek(std::int64_t, SeekOrigin) override;
    void SetSize(std::int64_t) override;
    std::int64_t KnownSize() override { return -1; }

private:
    std::istream& in_;
};

// Standard output as a destination for the library, written in order.
class TOutputStream final : public TStream {
public:
    explicit TOutputStream(std::ostream& out) : out_(out) {}
    std::int64_t Read(void*, std::int64_t) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override; // EWriteError with the reason
    std::int64_t Seek(std::int64_t, SeekOrigin) override;
    void SetSize(std::int64_t) override;
    std::int64_t KnownSize() override { return -1; }

private:
    std::ostream& out_;
};

} // namespace torvane::crypt
