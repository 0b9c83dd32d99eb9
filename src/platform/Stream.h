#pragma once
// Byte streams with a position, the common ground of the hash and cipher file operations.

#include <cstdint>
#include <string>
#include <vector>

namespace torvane {

enum class SeekOrigin { Begin, Current, End };

class TStream {
public:
    virtual ~TStream() = default;
    TStream() = default;
    TStream(const TStream&) = delete;
    TStream& operator=(const TStream&) = delete;

    // Reads up to count bytes; returns how many were read (0 at the end). Throws EReadError on an I/O fault.
    virtual std::int64_t Read(void* buffer, std::int64_t count) = 0;
    // Writes up to count bytes; returns how many were written. Throws EWriteError on an I/O fault.
    virtual std::int64_t Write(const void* buffer, std::int64_t count) = 0;
    virtual std::int64_t Seek(std::int64_t offset, SeekOrigin origin) = 0;
    // Cuts or extends the stream; the position stays where it was unless it lies beyond the new end.
    virtual void SetSize(std::int64_t newSize) = 0;

    std::int64_t Position() { return Seek(0, SeekOrigin::Current); }
    void SetPosition(std::int64_t position) { Seek(position, SeekOrigin::Begin); }
    std::int64_t Size();
    // The length from the beginning, or -1 for a stream that can only be read in order and ends where a
    // read returns 0 (a pipe, a terminal, a character device). A stream that knows its length can seek.
    virtual std::int64_t KnownSize() { return Size(); }

    // Exactly count bytes or an exception.
    void ReadBuffer(void* buffer, std::int64_t count);
    void WriteBuffer(const void* buffer, std::int64_t count);
};

// File open modes of the file stream.
enum class FileMode {
    OpenRead,      // read only, others may read and write meanwhile
    OpenReadWrite, // read and write an existing file
    Create,        // create or truncate, read and write
    Append         // create if absent, write at the end
};

class TFileStream final : public TStream {
public:
    // Throws EFOpenError (or EFCreateError for FileMode::Create) with the file name.
    TFileStream(const std::string& fileName, FileMode mode);
    // Reads and writes an open descriptor; fileName is what messages call it. Closes it only when owned.
    TFileStream(int fd, const std::string& fileName, bool owned);
    ~TFileStream() override;

    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override;
    void SetSize(std::int64_t newSize) override;
    // Regular files and block devices know their size; everything else is read to its end.
    std::int64_t KnownSize() override;
    void Flush();

    const std::string& FileName() const { return fileName_; }

private:
    std::string fileName_;
    int fd_ = -1;
    bool owned_ = true;
};

class TMemoryStream final : public TStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::vector<std::uint8_t> data) : data_(std::move(data)) {}

    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override;
    void SetSize(std::int64_t newSize) override;

    const std::vector<std::uint8_t>& Data() const { return data_; }
    std::vector<std::uint8_t>& Data() { return data_; }

private:
    std::vector<std::uint8_t> data_;
    std::int64_t position_ = 0;
};

} // namespace torvane
