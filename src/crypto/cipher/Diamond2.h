#pragma once
// Diamond2 and Diamond2 Lite (M. P. Johnson, "The Diamond2 Block Cipher", 1995, and his reference
// distribution): a substitution-permutation network whose substitution boxes are all key-dependent. Each
// round substitutes every byte of the block through its own box, and every round but the first is
// preceded by a bit permutation in which output byte i takes bit j from input byte i + j. The boxes are
// drawn from the key by a CRC-32 driven generator, each box keyed through the previous one.
// Diamond2 has a 16-byte block and 10 rounds, Diamond2 Lite an 8-byte block and 8 rounds (the
// designer's defaults).
//
// Every look-up goes through a key-dependent table: not cache-timing safe.

#include "crypto/cipher/Cipher.h"

namespace torvane::crypto {

// Any key length from 1 to 256 bytes is used as it is; an empty key is taken as one zero byte.
class TCipher_Diamond2 : public TCipher {
    TORVANE_CIPHER_CLASS();

public:
    TCipher_Diamond2() : TCipher_Diamond2(&ClassInfo, 10) {}

    void Init(const void* key, std::int32_t size, const void* vector) override;
    void EncryptBlock(void* block) override;
    void DecryptBlock(void* block) override;

    int Rounds() const { return rounds_; }

    // The boxes for `rounds` rounds of a `blockSize`-byte block (16 or 8): box (r, i) at
    // boxes[256 * (r * blockSize + i)], and their inverses likewise. Exposed for tests of other round
    // counts than the class's own.
    static void MakeBoxes(const std::uint8_t* key, int size, int rounds, int blockSize, std::uint8_t* boxes,
                          std::uint8_t* inverse);
    static void Encrypt(const std::uint8_t* boxes, int rounds, int blockSize, std::uint8_t* block);
    static void Decrypt(const std::uint8_t* inverse, int rounds, int blockSize, std::uint8_t* block);

protected:
    TCipher_Diamond2(TCipherClass cls, int rounds) : TCipher(cls), rounds_(rounds) {}

private:
    int rounds_;
};

class TCipher_Diamond2Lite final : public TCipher_Diamond2 {
    TORVANE_CIPHER_CLASS();

public:
    TCipher_Diamond2Lite() : TCipher_Diamond2(&ClassInfo, 8) {}
};

} // namespace torvane::crypto
