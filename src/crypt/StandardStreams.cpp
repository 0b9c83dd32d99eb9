#include "StandardStreams.h"

#include "platform/Error.h"

#include <cerrno>
#include <cstring>
#include <istream>
#include <ostream>
#include <unistd.h>

namespace torvane::crypt {

namespace {

constexpr std::size_t kBufferSize = 64 * 1024;

// Standard input and output are never positioned: "-" may be a pipe or a terminal.
[[noreturn]] void RefuseToSeek(const char* which) {
    throw EReadError(std::string(which) + " cannot be positioned");
}

} // namespace

TDescriptorBuffer::TDescriptorBuffer(int fd, Direction direction) : fd_(fd), buffer_(kBufferSize) {
    if (direction == Direction::Write)
        setp(buffer_.data(), buffer_.data() + buffer_.size());
    else
        setg(buffer_.data(), buffer_.data(), buffer_.data());
}

TDescriptorBuffer::~TDescriptorBuffer() {
    Drain();
}

bool TDescriptorBuffer::Drain() {
    const char* p = pbase();
    while (p < pptr()) {
        const auto n = ::write(fd_, p, static_cast<std::size_t>(pptr() - p));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (error_ == 0) error_ = n < 0 ? errno : EIO;
            setp(buffer_.data(), buffer_.data() + buffer_.size());
            return false;
        }
        p += n;
    }
    setp(buffer_.data(), buffer_.data() + buffer_.size());
    return true;
}

TDescriptorBuffer::int_type TDescriptorBuffer::overflow(int_type c) {
    if (!pbase() || !Drain()) return traits_type::eof();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
    }
    return traits_type::not_eof(c);
}

int TDescriptorBuffer::sync() {
    return !pbase() || Drain() ? 0 : -1;
}

TDescriptorBuffer::int_type TDescriptorBuffer::underflow() {
    if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
    for (;;) {
        const auto n = ::read(fd_, buffer_.data(), buffer_.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            if (error_ == 0) error_ = errno;
            // The stream takes an exception out of underflow for a read error and sets badbit.
            throw EReadError("Read error on standard input: " + std::string(std::strerror(errno)));
        }
        if (n == 0) return traits_type::eof();
        setg(buffer_.data(), buffer_.data(), buffer_.data() + n);
        return traits_type::to_int_type(*gptr());
    }
}

std::string FailureReason(const std::ios& stream) {
    const auto* buffer = dynamic_cast<const TDescriptorBuffer*>(stream.rdbuf());
    return buffer && buffer->Error() != 0 ? std::string(": ") + std::strerror(buffer->Error())
                                          : std::string();
}

std::int64_t TInputStream::Read(void* buffer, std::int64_t count) {
    if (count <= 0 || in_.eof()) return 0;
    in_.read(static_cast<char*>(buffer), static_cast<std::streamsize>(count));
    if (in_.bad()) throw EReadError("Read error on standard input" + FailureReason(in_));
    return static_cast<std::int64_t>(in_.gcount());
}

std::int64_t TInputStream::Write(const void*, std::int64_t) {
    throw EWriteError("Standard input cannot be written");
}

std::int64_t TInputStream::Seek(std::int64_t, SeekOrigin) {
    RefuseToSeek("Standard input");
}

void TInputStream::SetSize(std::int64_t) {
    RefuseToSeek("Standard input");
}

std::int64_t TOutputStream::Read(void*, std::int64_t) {
    throw EReadError("Standard output cannot be read");
}

std::int64_t TOutputStream::Write(const void* buffer, std::int64_t count) {
    if (count <= 0) return 0;
    out_.write(static_cast<const char*>(buffer), static_cast<std::streamsize>(count));
    if (!out_) throw EWriteError("Write error on standard output" + FailureReason(out_));
    return count;
}

std::int64_t TOutputStream::Seek(std::int64_t, SeekOrigin) {
    RefuseToSeek("Standard output");
}

void TOutputStream::SetSize(std::int64_t) {
    RefuseToSeek("Standard output");
}

} // namespace torvane::crypt
