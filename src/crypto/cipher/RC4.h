#pragma once
// RC4 (Rivest), the stream cipher, coded in 16-byte blocks: EncryptBlock and DecryptBlock both XOR the
// next 16 bytes of key stream onto the block, so the chaining modes see a 16-byte "block cipher" whose
// output depends on how much it has already produced. Rewind restores the state right after keying.
// Not cache-timing safe: every key-stream byte comes from key-dependent look-ups in S.

#include "crypto/cipher/Cipher.h"

namespace torvane::crypto {

class TCipher_RC4 final : public TCipher {
    TORVANE_CIPHER_CLASS()
public:
    TCipher_RC4();
    void Init(const void* key, std::int32_t size, const void* vector) override;
    void EncryptBlock(void* block) override;
    void DecryptBlock(void* block) override;
    void Rewind() override;

    // The S-box permutation and the two indices. Both the running state and the copy taken after keying
    // live in UserData, so that Wipe clears them with the rest of the key material.
    // The permutation is kept in 32-bit cells: byte cells cost partial-register merges in the swap.
    struct State {
        std::uint32_t S[256];
        std::uint32_t I, J;
    };
    static constexpr std::int32_t StateSlot = 1088; // offset of the saved copy, a multiple of 64

private:
    State* running_;
    State* keyed_;
};

} // namespace torvane::crypto
