#include "crypto/cipher/Cipher.h"

namespace torvane::crypto {

// The default key hash of InitKey is SHA-1; it is wired here once THash_SHA1 exists.
THashClass DefaultKeyHashClass() { return nullptr; }

} // namespace torvane::crypto
