#include "crypto/cipher/FROG.h"

#include "crypto/common/Wipe.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace torvane::crypto {

TORVANE_DEFINE_CIPHER_CLASS(TCipher_FROG, nullptr, TCipher_FROG::Block, frog::MaxKeySize,
                            static_cast<std::int32_t>(frog::InternalKeySize(TCipher_FROG::Block)) +
                                frog::Rounds * 256);

namespace frog {

namespace {

// randomSeed of section B.1.2, 251 values from the RAND Corporation's "A Million Random Digits".
constexpr std::uint8_t RandomSeed[251] = {
    113, 21,  232, 18,  113, 92,  63,  157, 124, 193, 166, 197, 126, 56,  229, 229, 156, 162, 54,  17,  230,
    89,  189, 87,  169, 0,   81,  204, 8,   70,  203, 225, 160, 59,  167, 189, 100, 157, 84,  11,  7,   130,
    29,  51,  32,  45,  135, 237, 139, 33,  17,  221, 24,  50,  89,  74,  21,  205, 191, 242, 84,  53,  3,
    230, 231, 118, 15,  15,  107, 4,   21,  34,  3,   156, 57,  66,  93,  255, 191, 3,   85,  135, 205, 200,
    185, 204, 52,  37,  35,  24,  68,  185, 201, 10,  224, 234, 7,   120, 201, 115, 216, 103, 57,  255, 93,
    110, 42,  249, 68,  14,  29,  55,  128, 84,  37,  152, 221, 137, 39,  11,  252, 50,  144, 35,  178, 190,
    43,  162, 103, 249, 109, 8,   235, 33,  158, 111, 252, 205, 169, 54,  10,  20,  221, 201, 178, 224, 89,
    184, 182, 65,  201, 10,  60,  6,   191, 174, 79,  98,  26,  160, 252, 51,  63,  79,  6,   102, 123, 173,
    49,  3,   110, 233, 90,  158, 228, 210, 209, 237, 30,  95,  28,  179, 204, 220, 72,  163, 77,  166, 192,
    98,  165, 25,  145, 162, 91,  212, 41,  230, 110, 6,   107, 187, 127, 38,  82,  98,  30,  67,  225, 80,
    208, 134, 60,  250, 153, 87,  148, 60,  66,  165, 72,  29,  165, 82,  211, 207, 0,   177, 206, 13,  6,
    14,  92,  248, 60,  201, 132, 95,  35,  215, 118, 177, 121, 180, 27,  83,  131, 26,  39,  46,  12,
};

struct RoundView {
    std::uint8_t* Xor;
    std::uint8_t* Subst;
    std::uint8_t* Bomb;
};

inline RoundView Round(std::uint8_t* internal, int blockSize, int round) {
    std::uint8_t* base = internal + static_cast<std::size_t>(round) * (2 * blockSize + 256);
    return {base, base + blockSize, base + blockSize + 256};
}

// Section B.1.3: turns lastElem + 1 arbitrary bytes into a permutation of 0..lastElem. Each byte is a
// step through the list of values not yet taken.
void MakePermutation(std::uint8_t* permutation, int lastElem) {
    std::uint8_t use[256];
    for (int i = 0; i <= lastElem; ++i) use[i] = static_cast<std::uint8_t>(i);
    int index = 0, last = lastElem;
    for (int i = 0; i < lastElem; ++i) {
        index = (index + permutation[i]) % (last + 1);
        permutation[i] = use[index];
        if (index < last) std::memmove(use + index, use + index + 1, static_cast<std::size_t>(last - index));
        --last;
        if (index > last) index = 0;
    }
    permutation[lastElem] = use[0];
}

// Section B.1.2 (b) and B.1.4: makes every round's substitution and bomb permutation valid. The bomb
// permutation is joined into a single cycle and then may not point from a position to the next one.
void MakeInternalKey(std::uint8_t* internal, int blockSize) {
    for (int r = 0; r < Rounds; ++r) {
        const RoundView v = Round(internal, blockSize, r);
        MakePermutation(v.Subst, 255);
        MakePermutation(v.Bomb, blockSize - 1);

        std::uint8_t used[MaxBlockSize] = {};
        int j = 0;
        for (int i = 0; i < blockSize - 1; ++i) {
            if (v.Bomb[j] == 0) {
                // The cycle through 0 closed early: link it to the next position not yet visited, and
                // let the element that pointed there close the cycle instead.
                int k = j;
                do k = (k + 1) % blockSize;
                while (used[k]);
                v.Bomb[j] = static_cast<std::uint8_t>(k);
                int l = k;
                while (v.Bomb[l] != k) l = v.Bomb[l];
                v.Bomb[l] = 0;
            }
            used[j] = 1;
            j = v.Bomb[j];
        }
        for (int i = 0; i < blockSize; ++i) {
            const int next = (i + 1) % blockSize;
            if (v.Bomb[i] == next) v.Bomb[i] = static_cast<std::uint8_t>((next + 1) % blockSize);
        }
    }
}

void Check(int keyLen, int blockSize) {
    if (blockSize < MinBlockSize || blockSize > MaxBlockSize)
        throw ECipherException("FROG block size must be 8 to 128 bytes", ECipherException::KeySize);
    if (keyLen < MinKeySize || keyLen > MaxKeySize)
        throw ECipherException("FROG key must be 5 to 125 bytes", ECipherException::KeySize);
}

} // namespace

void EncryptBlock(std::uint8_t* x, int blockSize, const std::uint8_t* internal) {
    auto* key = const_cast<std::uint8_t*>(internal);
    for (int r = 0; r < Rounds; ++r) {
        const RoundView v = Round(key, blockSize, r);
        for (int i = 0; i < blockSize - 1; ++i) {
            x[i] = v.Subst[x[i] ^ v.Xor[i]];
            x[i + 1] ^= x[i];
            x[v.Bomb[i]] ^= x[i];
        }
        const int i = blockSize - 1;
        x[i] = v.Subst[x[i] ^ v.Xor[i]];
        x[0] ^= x[i];
        x[v.Bomb[i]] ^= x[i];
    }
}

void DecryptBlock(std::uint8_t* x, int blockSize, const std::uint8_t* internal, const std::uint8_t* inverse) {
    auto* key = const_cast<std::uint8_t*>(internal);
    for (int r = Rounds - 1; r >= 0; --r) {
        const RoundView v = Round(key, blockSize, r);
        const std::uint8_t* inv = inverse + 256 * r;
        {
            const int i = blockSize - 1;
            x[v.Bomb[i]] ^= x[i];
            x[0] ^= x[i];
            x[i] = inv[x[i]] ^ v.Xor[i];
        }
        for (int i = blockSize - 2; i >= 0; --i) {
            x[v.Bomb[i]] ^= x[i];
            x[i + 1] ^= x[i];
            x[i] = inv[x[i]] ^ v.Xor[i];
        }
    }
}

void ExpandKey(const std::uint8_t* key, int keyLen, int blockSize, std::uint8_t* internal,
               std::uint8_t* inverse) {
    Check(keyLen, blockSize);
    const std::size_t size = InternalKeySize(blockSize);

    // B.1.2 (a): a simple internal key from the key bytes and randomSeed, both cycled.
    std::vector<std::uint8_t> simple(size);
    for (std::size_t i = 0, s = 0, k = 0; i < size; ++i) {
        simple[i] = RandomSeed[s] ^ key[k];
        if (++s == 251) s = 0;
        if (++k == static_cast<std::size_t>(keyLen)) k = 0;
    }
    MakeInternalKey(simple.data(), blockSize);

    // B.1.2 (c): the real internal key is the stream of successive encryptions, under the simple key, of
    // a vector made from the key. As in the submission's reference code, a key shorter than the block
    // contributes its first keyLen - 1 bytes; the key length is XORed into the first byte.
    std::uint8_t iv[MaxBlockSize] = {};
    const int last = keyLen >= blockSize ? blockSize - 1 : keyLen - 2;
    for (int i = 0; i <= last; ++i) iv[i] ^= key[i];
    iv[0] ^= static_cast<std::uint8_t>(keyLen);
    for (std::size_t pos = 0; pos < size; pos += static_cast<std::size_t>(blockSize)) {
        EncryptBlock(iv, blockSize, simple.data());
        std::memcpy(internal + pos, iv,
                    std::min<std::size_t>(static_cast<std::size_t>(blockSize), size - pos));
    }
    // B.1.2 (e)
    MakeInternalKey(internal, blockSize);
    for (int r = 0; r < Rounds; ++r) {
        const std::uint8_t* subst = Round(internal, blockSize, r).Subst;
        for (int i = 0; i < 256; ++i) inverse[256 * r + subst[i]] = static_cast<std::uint8_t>(i);
    }
    SecureZero(simple.data(), simple.size());
    SecureZero(iv, sizeof(iv));
}

} // namespace frog

TCipher_FROG::TCipher_FROG()
    : TCipher(&ClassInfo), internal_(UserData()), inverse_(UserData() + frog::InternalKeySize(Block)) {}

void TCipher_FROG::Init(const void* key, std::int32_t size, const void* vector) {
    BeginKeying(size);
    std::uint8_t padded[frog::MaxKeySize] = {};
    if (size > 0) std::memcpy(padded, key, static_cast<std::size_t>(size));
    frog::ExpandKey(padded, std::max<int>(size, frog::MinKeySize), Block, internal_, inverse_);
    SecureZero(padded, sizeof(padded));
    EndKeying(vector);
}

void TCipher_FROG::EncryptBlock(void* block) {
    frog::EncryptBlock(static_cast<std::uint8_t*>(block), Block, internal_);
}

void TCipher_FROG::DecryptBlock(void* block) {
    frog::DecryptBlock(static_cast<std::uint8_t*>(block), Block, internal_, inverse_);
}

} // namespace torvane::crypto
