#pragma once
// FROG (Georgoudis, Leroux, Chaves; TecApro, AES submission, 1998). FROG is defined for any block size
// from 8 to 128 bytes and keys of 5 to 125 bytes; its 2304-byte internal key (for a 16-byte block) is a
// "program" of 8 rounds, each an XOR vector, a byte substitution and a "bomb" permutation of the block
// positions. All its look-ups are key-dependent (not cache-timing safe).
//
// TCipher_FROG uses a 32-byte block. The submission's own known answers are for its 16-byte block; the
// functions in namespace frog take the block size as a parameter so that both can be coded and tested.

#include "crypto/cipher/Cipher.h"

#include <cstddef>

namespace torvane::crypto {

namespace frog {

constexpr int Rounds = 8;
constexpr int MinBlockSize = 8, MaxBlockSize = 128;
constexpr int MinKeySize = 5, MaxKeySize = 125;

// Bytes of the internal key for one direction: per round, xorBu (block size), SubstPermu (256) and
// BombPermu (block size), in this order (the order key hashing fills them in).
constexpr std::size_t InternalKeySize(int blockSize) {
    return static_cast<std::size_t>(Rounds) * (2 * static_cast<std::size_t>(blockSize) + 256);
}

// Expands keyLen (5..125) key bytes into the encryption internal key `internal` (InternalKeySize bytes)
// and the inverted substitutions of every round, `inverse` (Rounds * 256 bytes), which decryption uses
// in place of SubstPermu.
void ExpandKey(const std::uint8_t* key, int keyLen, int blockSize, std::uint8_t* internal,
               std::uint8_t* inverse);
void EncryptBlock(std::uint8_t* block, int blockSize, const std::uint8_t* internal);
void DecryptBlock(std::uint8_t* block, int blockSize, const std::uint8_t* internal,
                  const std::uint8_t* inverse);

} // namespace frog

class TCipher_FROG final : public TCipher {
    TORVANE_CIPHER_CLASS()
public:
    static constexpr int Block = 32;

    TCipher_FROG();
    // Keys shorter than FROG's minimum of 5 bytes (the empty key included) are padded with zero bytes to
    // 5 bytes.
    void Init(const void* key, std::int32_t size, const void* vector) override;
    void EncryptBlock(void* block) override;
    void DecryptBlock(void* block) override;

private:
    std::uint8_t* internal_; // both in UserData
    std::uint8_t* inverse_;
};

} // namespace torvane::crypto
