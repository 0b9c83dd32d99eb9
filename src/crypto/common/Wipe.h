#pragma once
// Clearing key material and digests in a way the optimiser may not drop.

#include <cstddef>

namespace torvane::crypto {

void SecureZero(void* data, std::size_t size);
void SecureFill(void* data, std::size_t size, unsigned char value);

} // namespace torvane::crypto
