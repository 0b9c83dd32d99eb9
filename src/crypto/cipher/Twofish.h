#pragma once
// Twofish (B. Schneier, J. Kelsey, D. Whiting, D. Wagner, C. Hall, N. Ferguson, "Twofish: A 128-Bit Block
// Cipher", AES submission, 1998): a 16-round Feistel cipher with key-dependent S-boxes and an MDS matrix.
//
// Keys of other lengths are padded with zero bytes to the next of 16, 24 or 32 bytes, as the paper
// defines (section 4.3.1); an empty key becomes sixteen zero bytes. The key-dependent S-boxes are
// precomputed into four 1 KiB tables indexed by data bytes: not cache-timing safe.

#include "crypto/cipher/Cipher.h"

namespace torvane::crypto {

class TCipher_Twofish final : public TCipher {
    TORVANE_CIPHER_CLASS()
public:
    TCipher_Twofish() : TCipher(&ClassInfo) {}

    void Init(const void* key, std::int32_t size, const void* vector) override;
    void EncryptBlock(void* block) override;
    void DecryptBlock(void* block) override;

private:
    struct Schedule;
    Schedule& K();
};

} // namespace torvane::crypto
