#pragma once
// The SAFER family of James L. Massey: one byte-oriented block transformation (8-byte block, key
// addition, 45^x / log45 substitution, key addition, three layers of the pseudo-Hadamard transform),
// keyed by either the original key schedule (K) or the strengthened one (SK).
//
//   J. L. Massey, "SAFER K-64: A Byte-Oriented Block-Ciphering Algorithm", FSE 1993, LNCS 809.
//   J. L. Massey, "SAFER K-64: One Year Later", FSE 1994, LNCS 1008 (K-128).
//   J. L. Massey, "Announcement of a Strengthened Key Schedule for the Cipher SAFER", 9 Sept 1995,
//   file SAFER_SK.TXT of the ETH Zurich SAFER toolkit (SK-64, SK-128).
//   J. L. Massey, "Announcement of a 40-Bit Key Schedule for the Cipher SAFER", 22 Oct 1995, file
//   SAFER_40.TXT of the SAFER V1.2 toolkit (SK-40).
//
// The substitution tables are indexed by key-dependent bytes: the family is not cache-timing safe.

#include "crypto/cipher/Cipher.h"

namespace torvane::crypto {

// The base keys as SAFER SK-128 with 10 rounds, the family's strongest recommended form. Keys shorter
// than 16 bytes are padded with zero bytes.
class TCipher_SAFER : public TCipher {
    TORVANE_CIPHER_CLASS();

public:
    static constexpr int MaxRounds = 13;

    TCipher_SAFER() : TCipher_SAFER(&ClassInfo) {}

    void Init(const void* key, std::int32_t size, const void* vector) override;
    void EncryptBlock(void* block) override;
    void DecryptBlock(void* block) override;
    void Wipe() override;

    int Rounds() const { return rounds_; }

    // The two 8-byte halves of the user key go into two registers (each with a ninth parity byte for
    // the strengthened schedule); the round keys K1 .. K(2r+1) are written to `out`. Exposed for tests.
    static void Expand(const std::uint8_t* keyA, const std::uint8_t* keyB, int rounds, bool strengthened,
                       std::uint8_t* out);
    // SAFER SK-40: the five key bytes extended to the nine bytes of a SK-64 key register.
    static void ExtendKey40(const std::uint8_t* key5, std::uint8_t* register9);

protected:
    explicit TCipher_SAFER(TCipherClass cls) : TCipher(cls) {}
    // Computes the round keys from the key zero-padded to MaxKeySize (at most 16 bytes) and sets the
    // round count.
    virtual void Schedule(const std::uint8_t* key16);
    void SetRounds(int rounds) { rounds_ = rounds; }
    std::uint8_t* RoundKeys() { return UserData(); }

private:
    int rounds_ = 0;
};

// SAFER K-40 is not one of Massey's variants: it keys the K schedule (not the strengthened one) with
// the 40-bit key extended as SK-40 extends it, for 5 rounds, so that its only difference from SK-40 is
// the key schedule itself. Keys shorter than 5 bytes are padded with zero bytes.
class TCipher_SAFER_K40 : public TCipher_SAFER {
    TORVANE_CIPHER_CLASS();

public:
    TCipher_SAFER_K40() : TCipher_SAFER(&ClassInfo) {}

protected:
    explicit TCipher_SAFER_K40(TCipherClass cls) : TCipher_SAFER(cls) {}
    void Schedule(const std::uint8_t* key16) override;
};

// SAFER SK-40, 5 rounds (Massey's recommendation for the 40-bit key).
class TCipher_SAFER_SK40 final : public TCipher_SAFER_K40 {
    TORVANE_CIPHER_CLASS();

public:
    TCipher_SAFER_SK40() : TCipher_SAFER_K40(&ClassInfo) {}

protected:
    void Schedule(const std::uint8_t* key16) override;
};

// SAFER K-64, 6 rounds. Keys shorter than 8 bytes are padded with zero bytes.
class TCipher_SAFER_K64 : public TCipher_SAFER {
    TORVANE_CIPHER_CLASS();

public:
    TCipher_SAFER_K64() : TCipher_SAFER(&ClassInfo) {}

protected:
    explicit TCipher_SAFER_K64(TCipherClass cls) : TCipher_SAFER(cls) {}
    void Schedule(const std::uint8_t* key16) override;
};

// SAFER SK-64, 8 rounds.
class TCipher_SAFER_SK64 final : public TCipher_SAFER_K64 {
    TORVANE_CIPHER_CLASS();

public:
    TCipher_SAFER_SK64() : TCipher_SAFER_K64(&ClassInfo) {}

protected:
    void Schedule(const std::uint8_t* key16) override;
};

// SAFER K-128, 10 rounds. Keys shorter than 16 bytes are padded with zero bytes.
class TCipher_SAFER_K128 : public TCipher_SAFER {
    TORVANE_CIPHER_CLASS();

public:
    TCipher_SAFER_K128() : TCipher_SAFER(&ClassInfo) {}

protected:
    explicit TCipher_SAFER_K128(TCipherClass cls) : TCipher_SAFER(cls) {}
    void Schedule(const std::uint8_t* key16) override;
};

// SAFER SK-128, 10 rounds.
class TCipher_SAFER_SK128 final : public TCipher_SAFER_K128 {
    TORVANE_CIPHER_CLASS();

public:
    TCipher_SAFER_SK128() : TCipher_SAFER_K128(&ClassInfo) {}

protected:
    void Schedule(const std::uint8_t* key16) override;
};

} // namespace torvane::crypto
