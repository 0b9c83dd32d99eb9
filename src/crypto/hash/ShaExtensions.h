#pragma once
// SHA-1 compression with the x86 SHA extensions (SHA-NI), behind a run-time check. The only processor-
// specific code of the hash classes; everything else has the portable compression as its stand-in.

#include <cstddef>
#include <cstdint>

namespace torvane::crypto::shani {

// True when this processor has the SHA extensions (and the SSSE3/SSE4.1 they are used with) and the
// build can use them.
bool Available();

// Compresses `count` 64-byte blocks into the five SHA-1 chaining words. Call only when Available().
void Sha1Blocks(std::uint32_t* state, const std::uint8_t* blocks, std::size_t count);

} // namespace torvane::crypto::shani
