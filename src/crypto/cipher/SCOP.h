#pragma once
// TCipher_SCOP: SCOP, the stream cipher of S. V. Maltchev and P. T. Antonov ("The SCOP Stream Cipher",
// December 1997; sci.crypt.research, 8 December 1997), coded in 128-byte blocks of 32 key-stream words.
//
// Key expansion: the key (1 to 48 bytes) fills the 48-byte state of the polynomial generator GP8, the
// 32 coefficient bytes of eight degree-4 polynomials followed by four 32-bit words x. A key shorter
// than 48 bytes is extended by the designers' rule p[i] = p[i - n] + p[i - n + 1] (mod 256) for a key
// of n bytes, and coefficient bytes that come out zero are replaced by 1, 2, 3, ... in turn. GP8
// evaluates the polynomials on the 16-bit halves of x; after eight discarded outputs it fills the
// 384-word table V, whose first 128 words stay fixed while the other 256 change as the stream runs.
// One more output sets the indices i and j and the low byte of the feedback word t3, and forces one
// word of V[0..127] odd.
//
// Generation (internal-feedback mode, independent of the message): per 32-bit word
//   t1 = V[128 + j]; j += t3; t2 = V[128 + j]; t3 = t2 + V[i]; i += 1; V[128 + j] = t3; j += t2;
//   key stream word = t1 + t2,
// with i and j bytes and all sums mod 2^32. As in the designers' definition, a data word (four bytes,
// least significant first) is encrypted by adding the key-stream word mod 2^32 and decrypted by
// subtracting it, so DecryptBlock is not EncryptBlock.
//
// Rules of our own where the definition leaves a case open: the empty key expands as the zero key
// (the extension rule would read past the 48 bytes), and for a one-byte key the not yet written byte
// p[i] that the rule reads counts as zero, so every byte repeats the key byte. The running state
// continues from block to block; Init keeps a copy of the keyed state, and Rewind restores it.
//
// No test data of the designers were available to us; crypto/data/block/scop.vec holds answers of this
// class that a second, plain implementation in the tests reproduces.

#include "crypto/cipher/Cipher.h"

namespace torvane::crypto {

class TCipher_SCOP final : public TCipher {
    TORVANE_CIPHER_CLASS();

public:
    TCipher_SCOP() : TCipher(&ClassInfo) {}

    void Init(const void* key, std::int32_t size, const void* vector) override;
    void EncryptBlock(void* block) override;
    void DecryptBlock(void* block) override;
    void Rewind() override;
};

} // namespace torvane::crypto
