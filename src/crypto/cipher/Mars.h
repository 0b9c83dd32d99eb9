#pragma once
// MARS (IBM; C. Burwick et al., "MARS - a candidate cipher for AES", AES submission, revised 1999, with
// the tweaked key schedule): a 128-bit block, 8 rounds of forward mixing, 16 keyed core rounds, 8 rounds
// of backwards mixing.
//
// Keys: the submission defines keys of n = 4..14 words (16..56 bytes). Shorter keys, and keys whose
// length is no multiple of 4, are padded with zero bytes to the next valid length. The class accepts up
// to 39 words (156 bytes), for which there is no published schedule: a key of 15..39 words is first
// compressed to 14 words (see CompressLongKey in Mars.cpp), then expanded by the published schedule with
// the true word count in T[14], a value no published key puts there.
// Not cache-timing safe: the S-box look-ups of the mixing rounds and of E are indexed by data.

#include "crypto/cipher/Cipher.h"

namespace torvane::crypto {

class TCipher_Mars final : public TCipher {
    TORVANE_CIPHER_CLASS()
public:
    TCipher_Mars();
    void Init(const void* key, std::int32_t size, const void* vector) override;
    void EncryptBlock(void* block) override;
    void DecryptBlock(void* block) override;

private:
    std::uint32_t* K_; // the 40 subkeys, in UserData
};

} // namespace torvane::crypto
