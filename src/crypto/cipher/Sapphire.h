#pragma once
// The Sapphire II stream cipher (Michael Paul Johnson, 1995), coded in 32-byte blocks: EncryptBlock and
// DecryptBlock code the next 32 bytes of the stream, so blocks must be decoded in the order they were
// coded, from the same starting state. UserData keeps the keyed state, and Rewind returns to it.

#include "crypto/cipher/Cipher.h"
#include "crypto/hash/SapphireCore.h"

#include <cstdint>

namespace torvane::crypto {

// Keys of 1 to 1024 bytes are used as they are (Johnson's key setup takes any length, so nothing is
// padded); an empty key starts the cipher in the fixed state of the Sapphire II hash, as Johnson's
// reference does.
class TCipher_Sapphire final : public TCipher {
    TORVANE_CIPHER_CLASS()
public:
    TCipher_Sapphire() : TCipher(&ClassInfo) {}
    ~TCipher_Sapphire() override;

    void EncryptBlock(void* block) override;
    void DecryptBlock(void* block) override;
    void Init(const void* key, std::int32_t size, const void* vector) override;
    void Rewind() override;
    void Wipe() override;

private:
    sapphire::State state_{};
};

} // namespace torvane::crypto
