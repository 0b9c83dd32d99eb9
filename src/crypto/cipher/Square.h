#pragma once
// Square (J. Daemen, L. R. Knudsen, V. Rijmen, "The block cipher Square", Fast Software Encryption 1997,
// LNCS 1267): 128-bit blocks, a 128-bit key, eight rounds. The block function lives in torvane::crypto::
// square so that THash_Square can run it without a cipher object.

#include "crypto/cipher/Cipher.h"

#include <cstdint>

namespace torvane::crypto {

namespace square {

constexpr int kRounds = 8;

// Round keys in the form the table-driven rounds use; rows are 32-bit words, byte j of row i at bits 8j.
using RoundKeys = std::uint32_t[kRounds + 1][4];

// From a 16-byte key: the encryption keys, and the decryption keys when decrypt is not null.
void ExpandKey(const std::uint8_t* key, RoundKeys& encrypt, RoundKeys* decrypt);
void EncryptBlock(const RoundKeys& keys, const std::uint8_t* in, std::uint8_t* out);
void DecryptBlock(const RoundKeys& keys, const std::uint8_t* in, std::uint8_t* out);

} // namespace square

// A key shorter than 16 bytes is padded with zero bytes.
class TCipher_Square final : public TCipher {
    TORVANE_CIPHER_CLASS()
public:
    TCipher_Square() : TCipher(&ClassInfo) {}
    ~TCipher_Square() override = default;

    void EncryptBlock(void* block) override;
    void DecryptBlock(void* block) override;
    void Init(const void* key, std::int32_t size, const void* vector) override;

private:
    square::RoundKeys& EncryptKeys();
    square::RoundKeys& DecryptKeys();
};

} // namespace torvane::crypto
