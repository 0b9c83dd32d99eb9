#pragma once
// RC5-32/12/b (Rivest, "The RC5 Encryption Algorithm", 1994): 32-bit words, a 64-bit block, 12 rounds,
// b = 0..256 key bytes.
// No table look-ups: data-dependent rotations only, which take constant time on current processors.

#include "crypto/cipher/Cipher.h"

namespace torvane::crypto {

namespace rc5 {

// The key expansion of the RC5 paper for 32-bit words, which RC6 takes over unchanged with a table of its
// own length: fills the tableWords words of S from the first size key bytes (0..256). The paper limits b
// to one byte (0..255); the expansion itself is defined for any c, so 256 bytes simply give c = 64 words,
// and b = 0 is one zero word.
void ExpandKey(const std::uint8_t* key, int size, std::uint32_t* S, int tableWords);

} // namespace rc5

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
