#pragma once
// The DES family: DES (FIPS 46-3), two- and three-key triple DES (NIST SP 800-67), RSA's DESX, and three
// wide-block ciphers built from DES that code a 16- or 24-byte block as one unit (DES.cpp describes them).
//
// Keys shorter than the class's key size are padded with zero bytes; the parity bits of every DES key are
// ignored. The round function uses S-box tables indexed by key-dependent values: like every table-driven
// DES it is not safe against cache-timing observers.

#include "crypto/cipher/Cipher.h"

#include <cstdint>

namespace torvane::crypto {

// DES, FIPS 46-3: 8-byte block, 8-byte key.
class TCipher_1DES : public TCipher {
    TORVANE_CIPHER_CLASS()
public:
    TCipher_1DES() : TCipher_1DES(&ClassInfo) {}

    void Init(const void* key, std::int32_t size, const void* vector) override;
    void EncryptBlock(void* block) override;
    void DecryptBlock(void* block) override;

protected:
    explicit TCipher_1DES(TCipherClass cls) : TCipher(cls) {}

    // Round keys of DES key number i, in the layout of the round function (32 words each, in UserData).
    const std::uint32_t* Schedule(int i);
    // BeginKeying, then zero-pads the key to count DES keys of 8 bytes and schedules them.
    void KeyDES(const void* key, std::int32_t& size, int count);
};

// Two-key triple DES: encrypt with K1, decrypt with K2, encrypt with K1 (keying option 2 of NIST
// SP 800-67, what "double-length" DES keys mean in practice). Key bytes 0-7 are K1, 8-15 K2. With K1 = K2 it
// is single DES.
class TCipher_2DES : public TCipher_1DES {
    TORVANE_CIPHER_CLASS()
public:
    TCipher_2DES() : TCipher_2DES(&ClassInfo) {}

    void Init(const void* key, std::int32_t size, const void* vector) override;
    void EncryptBlock(void* block) override;
    void DecryptBlock(void* block) override;

protected:
    explicit TCipher_2DES(TCipherClass cls) : TCipher_1DES(cls) {}
};

// Three-key triple DES, NIST SP 800-67: encrypt with K1, decrypt with K2, encrypt with K3. Key bytes 0-7 are
// K1, 8-15 K2, 16-23 K3.
class TCipher_3DES : public TCipher_1DES {
    TORVANE_CIPHER_CLASS()
public:
    TCipher_3DES() : TCipher_3DES(&ClassInfo) {}

    void Init(const void* key, std::int32_t size, const void* vector) override;
    void EncryptBlock(void* block) override;
    void DecryptBlock(void* block) override;

protected:
    explicit TCipher_3DES(TCipherClass cls) : TCipher_1DES(cls) {}
};

// 16-byte block, keys K1 and K2 as in TCipher_2DES: a six-step Feistel network over two DES lanes.
class TCipher_2DDES final : public TCipher_2DES {
    TORVANE_CIPHER_CLASS()
public:
    TCipher_2DDES() : TCipher_2DES(&ClassInfo) {}

    void EncryptBlock(void* block) override;
    void DecryptBlock(void* block) override;
};

// 16-byte block, keys K1, K2, K3 as in TCipher_3DES: a six-step Feistel network over two DES lanes.
class TCipher_3DDES final : public TCipher_3DES {
    TORVANE_CIPHER_CLASS()
public:
    TCipher_3DDES() : TCipher_3DES(&ClassInfo) {}

    void EncryptBlock(void* block) override;
    void DecryptBlock(void* block) override;
};

// 24-byte block, keys K1, K2, K3 as in TCipher_3DES: a nine-step Feistel network over three DES lanes.
class TCipher_3TDES final : public TCipher_3DES {
    TORVANE_CIPHER_CLASS()
public:
    TCipher_3TDES() : TCipher_3DES(&ClassInfo) {}

    void EncryptBlock(void* block) override;
    void DecryptBlock(void* block) override;
};

// DESX as RSA Data Security defined it: C = K2 xor DES_K(P xor K1). Key bytes 0-7 are the DES key K, bytes
// 8-15 the pre-whitening key K1; the post-whitening key K2 is derived from K and K1 by RSA's one-way
// function (DES.cpp).
class TCipher_DESX final : public TCipher_1DES {
    TORVANE_CIPHER_CLASS()
public:
    TCipher_DESX() : TCipher_1DES(&ClassInfo) {}

    void Init(const void* key, std::int32_t size, const void* vector) override;
    void EncryptBlock(void* block) override;
    void DecryptBlock(void* block) override;

    // RSA's post-whitening key for a DES key and a pre-whitening key (8 bytes each).
    static void PostWhitening(const std::uint8_t desKey[8], const std::uint8_t preWhitening[8],
                              std::uint8_t out[8]);

private:
    std::uint64_t* Whitening(); // pre, post; behind the round keys in UserData
};

} // namespace torvane::crypto
