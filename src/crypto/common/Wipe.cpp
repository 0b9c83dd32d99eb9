#include "crypto/common/Wipe.h"

namespace torvane::crypto {

void SecureFill(void* data, std::size_t size, unsigned char value) {
    volatile unsigned char* p = static_cast<volatile unsigned char*>(data);
    while (size--) *p++ = value;
}

void SecureZero(void* data, std::size_t size) {
    SecureFill(data, size, 0);
}

} // namespace torvane::crypto
