#pragma once
// The whole-file scrambler of certificates: every byte is XORed with a key byte, its position and the
// key length, so the transform is its own inverse and needs nothing but the key.

#include <string>
#include <string_view>

namespace torvane::cert {

inline constexpr std::string_view ScrambleKey = "Vostel58.drv";

// Scrambles (or unscrambles) data in place. The key must have at least two characters; its last one is
// never used as a key byte, though it counts in the length. std::invalid_argument for a shorter key.
void ScrambleBytes(std::string& data, std::string_view key);

// Scrambles a whole file into output (which may be the input itself). Nothing happens when the input
// does not exist or is the running program's own file, under whatever name. The output is replaced only
// once it is complete.
void ScrambleFile(const std::string& inputName, const std::string& outputName, std::string_view key);

} // namespace torvane::cert
