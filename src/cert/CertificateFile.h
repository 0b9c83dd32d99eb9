#pragma once
// Reading certificate files as whole byte strings.

#include <cstddef>
#include <string>

namespace torvane::cert {

// No certificate is larger: the biggest description a user types is a few kilobytes. The builder refuses
// to write a larger one and the verifier does not read beyond it.
inline constexpr std::size_t kMaxCertificateBytes = 16 * 1024 * 1024;

// The file's bytes, at most limit + 1 of them (so that a caller sees that there were more). Opens for
// reading only. EFOpenError when it cannot be opened, EReadError when reading fails.
std::string ReadWholeFile(const std::string& path, std::size_t limit = static_cast<std::size_t>(-1) - 1);

} // namespace torvane::cert
