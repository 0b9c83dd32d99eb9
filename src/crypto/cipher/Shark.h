#pragma once
// SHARK after V. Rijmen, J. Daemen, B. Preneel, A. Bosselaers, E. De Win, "The cipher SHARK", Fast
// Software Encryption 1996, LNCS 1039: a 64-bit substitution-permutation network of six rounds, eight
// S-boxes from inversion in GF(2^8) modulo x^8 + x^7 + x^6 + x^5 + x^4 + x^2 + 1 with an affine map, and a
// diffusion layer from the MDS matrix of a Reed-Solomon code; the round keys come from the cipher itself in
// CFB mode. It reproduces the published SHARK validation data (crypto/data/block/shark.vec).

#include "crypto/cipher/Cipher.h"

#include <array>
#include <cstdint>

namespace torvane::crypto {

namespace shark {

constexpr int kRounds = 6;

// theta as an 8 x 8 matrix over GF(2^8): output byte j = sum over i of input byte i times M[i][j].
using Matrix = std::array<std::array<std::uint8_t, 8>, 8>;
const Matrix& Diffusion();
const Matrix& InverseDiffusion();

} // namespace shark

// A key shorter than 16 bytes is repeated, as the key schedule defines.
class TCipher_Shark final : public TCipher {
    TORVANE_CIPHER_CLASS()
public:
    TCipher_Shark() : TCipher(&ClassInfo) {}
    ~TCipher_Shark() override = default;

    void EncryptBlock(void* block) override;
    void DecryptBlock(void* block) override;
    void Init(const void* key, std::int32_t size, const void* vector) override;

private:
    std::uint64_t* EncryptKeys() { return reinterpret_cast<std::uint64_t*>(UserData()); }
    std::uint64_t* DecryptKeys() { return EncryptKeys() + shark::kRounds + 1; }
};

} // namespace torvane::crypto
