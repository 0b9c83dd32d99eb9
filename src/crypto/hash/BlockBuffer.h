#pragma once
// The input side that every block hash shares: Update may be handed any number of bytes, but the
// compression takes whole blocks. A partial block waits in a buffer of one block; whole blocks go
// straight from the caller's data, so that input split anywhere gives the digest of the input in one
// piece and bulk input is not copied.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace torvane::crypto {

// Feeds n bytes at p. buffer holds the partial block and count the bytes fed since Start (it says how
// much of buffer is in use). compress(blocks, k) takes k consecutive whole blocks, the buffer's among
// them once it is full.
template <std::size_t N, class Compress>
inline void BufferBlocks(std::uint8_t (&buffer)[N], std::uint64_t& count, const std::uint8_t* p,
                         std::uint64_t n, Compress&& compress) {
    if (n == 0) return;
    const auto used = static_cast<std::size_t>(count % N);
    count += n;
    if (used != 0) {
        const auto take = static_cast<std::size_t>(std::min<std::uint64_t>(N - used, n));
        std::memcpy(buffer + used, p, take);
        if (used + take < N) return;
        compress(static_cast<const std::uint8_t*>(buffer), std::size_t{1});
        p += take;
        n -= take;
    }
    if (const auto blocks = static_cast<std::size_t>(n / N); blocks != 0) {
        compress(p, blocks);
        p += blocks * N;
        n -= blocks * N;
    }
    if (n != 0) std::memcpy(buffer, p, static_cast<std::size_t>(n));
}

// The start of Finish for the hashes that close the message with one padding byte and zeros up to a
// trailer at the end of the last block (the length and the like): puts the padding byte behind the used
// bytes of buffer and zeros up to tail. When the padding byte reaches into the trailer, the block is
// filled with zeros and compressed first, and the trailer gets a block of its own.
template <std::size_t N, class Compress>
inline void PadToTrailer(std::uint8_t (&buffer)[N], std::size_t used, std::uint8_t padding, std::size_t tail,
                         Compress&& compress) {
    buffer[used++] = padding;
    if (used > tail) {
        std::memset(buffer + used, 0, N - used);
        compress(static_cast<const std::uint8_t*>(buffer), std::size_t{1});
        used = 0;
    }
    std::memset(buffer + used, 0, tail - used);
}

} // namespace torvane::crypto
