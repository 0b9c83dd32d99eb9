#pragma once
// Named shared memory blocks between processes (POSIX shared memory objects, names such as "/$M$B$M$").
//
// The reading side opens an existing block for one read and lets go of it again (TSharedMemoryView); it
// never creates, changes or keeps anything. The publishing side (TSharedMemoryBlock) creates the block,
// holds it mapped and removes the name when it ends. One publisher per name: it holds an exclusive lock on
// the block, so a second one is refused instead of both writing into it.

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/types.h>

namespace torvane {

class TSharedMemoryView {
public:
    // Tries to open the block; IsOpen() tells whether it exists and may be read.
    explicit TSharedMemoryView(const std::string& name);
    // Unmaps the view and closes the block.
    ~TSharedMemoryView();
    TSharedMemoryView(const TSharedMemoryView&) = delete;
    TSharedMemoryView& operator=(const TSharedMemoryView&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    // Maps the whole block for reading; false when it cannot be mapped (not open, empty, not a plain
    // memory object).
    bool Map();
    const std::uint8_t* Data() const { return data_; }
    std::size_t Size() const { return size_; }
    // The user who owns the block (known once it is mapped).
    uid_t Owner() const { return owner_; }

    // Opens and closes the block at once: whether a publisher has created it.
    static bool Exists(const std::string& name);

private:
    int fd_ = -1;
    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    uid_t owner_ = static_cast<uid_t>(-1);
};

class TSharedMemoryBlock {
public:
    // Creates the block (or takes over one a publisher left behind when it was killed) with the given
    // size, all bytes zero, readable by every local user and writable by its owner. Throws Exception
    // with the reason: another publisher holds the name, no rights, no memory.
    TSharedMemoryBlock(const std::string& name, std::size_t size);
    // Removes the name (if it still leads to this block), unmaps and closes.
    ~TSharedMemoryBlock();
    TSharedMemoryBlock(const TSharedMemoryBlock&) = delete;
    TSharedMemoryBlock& operator=(const TSharedMemoryBlock&) = delete;

    std::uint8_t* Data() { return data_; }
    std::size_t Size() const { return size_; }
    const std::string& Name() const { return name_; }

private:
    std::string name_;
    int fd_ = -1;
    std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
};

} // namespace torvane
