#pragma once
// RC5-32/12/b (Rivest, "The RC5 Encryption Algorithm", 1994): 32-bit words, a 64-bit block, 12 rounds,
// b = 0..256 key bytes.
// No table look-ups: data-dependent rotations only, which take constant time on current processors.

#include "crypto/cipher/Cipher.h"

namespace torvane::crypto {

class TCipher_RC5 final : public TCipher {
    TORVANE_CIPHER_CLASS()
public:
    TCipher_RC5();
    void Init(const void* key, std::int32_t size, const void* vector) override;
    void EncryptBlock(void* block) override;
    void DecryptBlock(void* block) override;

    static constexpr int Rounds = 12;
    static constexpr int TableWords = 2 * (Rounds + 1); // t = 2(r+1)

private:
    std::uint32_t* S_; // the expanded key table, in UserData
};

} // namespace torvane::crypto
