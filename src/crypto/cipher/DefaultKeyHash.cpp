#include "crypto/cipher/Cipher.h"
#include "crypto/hash/SHA.h"

namespace torvane::crypto {

THashClass DefaultKeyHashClass() {
    return &THash_SHA1::ClassInfo;
}

} // namespace torvane::crypto
