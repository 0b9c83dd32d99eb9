#include "crypto/cipher/IDEA.h"

#include "crypto/common/Bits.h"
#include "crypto/common/Wipe.h"

#include <cstring>

namespace torvane::crypto {

using namespace common;

struct TCipher_IDEA::Schedule {
    std::uint32_t Encrypt[52]; // 16-bit subkeys, widened so the rounds need no conversions
    std::uint32_t Decrypt[52];
};

TORVANE_DEFINE_CIPHER_CLASS(TCipher_IDEA, nullptr, 8, 16, sizeof(TCipher_IDEA::Schedule));

namespace {

// a * b modulo 2^16 + 1 for 16-bit words, where the word 0 stands for 2^16. Selects by mask instead of
// branching, so the time does not depend on the operands.
// a * b modulo 2^16 + 1 for 16-bit words, where the word 0 stands for 2^16. It selects by mask instead of
// branching, so its time does not depend on the operands.
inline std::uint32_t Mul(std::uint32_t a, std::uint32_t b) {
    const std::uint32_t p = a * b; // zero exactly when a or b stands for 2^16
    // 2^16 = -1 modulo 2^16 + 1, so p = lo - hi; a negative difference gets 2^16 + 1 added, which is 1
    // modulo 2^16. The difference is zero when p is, and never otherwise.
    const std::uint32_t d = (p & 0xFFFF) - (p >> 16);
    const std::uint32_t product = d + (d >> 31);
    // 2^16 * b = -b = 1 - b, likewise for a, and 2^16 * 2^16 = 1, all modulo 2^16 + 1.
    const std::uint32_t mask = 0u - static_cast<std::uint32_t>(p == 0);
    return (product | (mask & (1u - a - b))) & 0xFFFF;
}

// Multiplicative inverse modulo 2^16 + 1 (a prime) by Fermat: a^(2^16 - 1).
std::uint32_t MulInverse(std::uint32_t a) {
    std::uint32_t result = 1, base = a;
    for (std::uint32_t e = 0xFFFF; e; e >>= 1) {
        if (e & 1) result = Mul(result, base);
        base = Mul(base, base);
    }
    return result;
}

inline std::uint32_t AddInverse(std::uint32_t a) {
    return (0x10000 - a) & 0xFFFF;
}

void Crypt(std::uint8_t* b, const std::uint32_t* z) {
    const std::uint32_t left = LoadBE32(b), right = LoadBE32(b + 4);
    std::uint32_t x1 = left >> 16, x2 = left & 0xFFFF, x3 = right >> 16, x4 = right & 0xFFFF;
    for (int r = 0; r < 8; ++r, z += 6) {
        x1 = Mul(x1, z[0]);
        x2 = (x2 + z[1]) & 0xFFFF;
        x3 = (x3 + z[2]) & 0xFFFF;
        x4 = Mul(x4, z[3]);
        const std::uint32_t t0 = Mul(x1 ^ x3, z[4]);
        const std::uint32_t t1 = Mul((t0 + (x2 ^ x4)) & 0xFFFF, z[5]);
        const std::uint32_t t2 = (t0 + t1) & 0xFFFF;
        x1 ^= t1;
        x4 ^= t2;
        const std::uint32_t swap = x2 ^ t2;
        x2 = x3 ^ t1;
        x3 = swap;
    }
    // The output transformation undoes the last round's exchange of the middle words.
    const std::uint32_t y1 = Mul(x1, z[0]);
    const std::uint32_t y2 = (x3 + z[1]) & 0xFFFF;
    const std::uint32_t y3 = (x2 + z[2]) & 0xFFFF;
    const std::uint32_t y4 = Mul(x4, z[3]);
    StoreBE32x2(b, y1 << 16 | y2, y3 << 16 | y4);
}

} // namespace

TCipher_IDEA::Schedule& TCipher_IDEA::K() {
    return *reinterpret_cast<Schedule*>(UserData());
}

void TCipher_IDEA::Init(const void* key, std::int32_t size, const void* vector) {
    BeginKeying(size);
    Schedule& k = K();
    std::uint8_t padded[16] = {};
    if (size > 0) std::memcpy(padded, key, static_cast<std::size_t>(size));

    // The 52 encryption subkeys are the successive 16-bit words of the key, rotated left by 25 bits after
    // every eight words.
    std::uint32_t* e = k.Encrypt;
    for (int i = 0; i < 8; ++i) e[i] = std::uint32_t(padded[2 * i]) << 8 | padded[2 * i + 1];
    for (int i = 8; i < 52; ++i) {
        const int base = (i / 8 - 1) * 8; // start of the previous group of eight
        const int j = i % 8;
        e[i] = ((e[base + (j + 1) % 8] << 9) | (e[base + (j + 2) % 8] >> 7)) & 0xFFFF;
    }
    SecureZero(padded, sizeof padded);

    // Decryption runs the same rounds with inverted subkeys in reverse order; the middle additive keys
    // change places in every round but the first and the last (Lai, table 1).
    std::uint32_t* d = k.Decrypt;
    for (int r = 0; r <= 8; ++r) {
        const std::uint32_t* z = e + 48 - 6 * r;
        std::uint32_t* out = d + 6 * r;
        const bool outer = r == 0 || r == 8;
        out[0] = MulInverse(z[0]);
        out[1] = AddInverse(z[outer ? 1 : 2]);
        out[2] = AddInverse(z[outer ? 2 : 1]);
        out[3] = MulInverse(z[3]);
        if (r < 8) {
            out[4] = z[-2];
            out[5] = z[-1];
        }
    }
    EndKeying(vector);
}

void TCipher_IDEA::EncryptBlock(void* block) {
    Crypt(static_cast<std::uint8_t*>(block), K().Encrypt);
}

void TCipher_IDEA::DecryptBlock(void* block) {
    Crypt(static_cast<std::uint8_t*>(block), K().Decrypt);
}

} // namespace torvane::crypto
