#pragma once
// SHARK after V. Rijmen, J. Daemen, B. Preneel, A. Bosselaers, E. De Win, "The cipher SHARK", Fast
// Software Encryption 1996, LNCS 1039: a 64-bit substitution-permutation network of six rounds, eight
// S-boxes from inversion in GF(2^8) modulo x^8 + x^7 + x^6 + x^5 + x^4 + x^2 + 1 with an affine map, and a
// diffusion layer from the MDS matrix of a Reed-Solomon code; the round keys come from the cipher itself in
// CFB mode.
//
// Of the paper only its abstract and summaries of its parameters were at hand (that field, six rounds,
// inversion plus an affine map, a Reed-Solomon code, a CFB-mode key schedule). Its exact constants were
// not: the affine map, the code's generator polynomial and systematic form, the byte order of the block,
// the seed round keys of the key schedule and any transform of the last round key. This class fills them
// in as documented in Shark.cpp, so it keeps the paper's structure and its security arguments but does not
// reproduce the published SHARK vectors (tests/data/block/shark_published.vec). No stored data of this
// program depends on it.

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

// A key shorter than 16 bytes is padded with zero bytes.
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
