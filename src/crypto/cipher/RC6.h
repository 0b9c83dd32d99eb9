#pragma once
// RC6-32/20/b (Rivest, Robshaw, Sidney, Yin; AES submission, 1998): 32-bit words, a 128-bit block,
// 20 rounds, b = 0..256 key bytes.
// No table look-ups: multiplications and data-dependent rotations only.

#include "crypto/cipher/Cipher.h"

namespace torvane::crypto {

class TCipher_RC6 final : public TCipher {
    TORVANE_CIPHER_CLASS()
public:
    TCipher_RC6();
    void Init(const void* key, std::int32_t size, const void* vector) override;
    void EncryptBlock(void* block) override;
    void DecryptBlock(void* block) override;

    static constexpr int Rounds = 20;
    static constexpr int TableWords = 2 * Rounds + 4;

private:
    std::uint32_t* S_; // the round keys, in UserData
};

} // namespace torvane::crypto
