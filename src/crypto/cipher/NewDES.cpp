#include "crypto/cipher/NewDES.h"

#include <cstring>

namespace torvane::crypto {

// UserData: the 60 key bytes in the order the steps use them (the key, four times).
TORVANE_DEFINE_CIPHER_CLASS(TCipher_NewDES, nullptr, 8, 15, 60);

namespace {

// Scott 1985, the "rotor" f: a permutation of 0..255 derived from the Declaration of Independence.
constexpr std::uint8_t kF[256] = {
    32,  137, 239, 188, 102, 125, 221, 72,  212, 68,  81,  37,  86,  237, 147, 149, 70,  229, 17,  124,
    115, 207, 33,  20,  122, 143, 25,  215, 51,  183, 138, 142, 146, 211, 110, 173, 1,   228, 189, 14,
    103, 78,  162, 36,  253, 167, 116, 255, 158, 45,  185, 50,  98,  168, 250, 235, 54,  141, 195, 247,
    240, 63,  148, 2,   224, 169, 214, 180, 62,  22,  117, 108, 19,  172, 161, 159, 160, 47,  43,  171,
    194, 175, 178, 56,  196, 112, 23,  220, 89,  21,  164, 130, 157, 8,   85,  251, 216, 44,  94,  179,
    226, 38,  90,  119, 40,  202, 34,  206, 35,  69,  231, 246, 29,  109, 74,  71,  176, 6,   60,  145,
    65,  13,  77,  151, 12,  127, 95,  199, 57,  101, 5,   232, 150, 210, 129, 24,  181, 10,  121, 187,
    48,  193, 139, 252, 219, 64,  88,  233, 96,  128, 80,  53,  191, 144, 218, 11,  106, 132, 155, 104,
    91,  136, 31,  42,  243, 66,  126, 135, 30,  26,  87,  186, 182, 154, 242, 123, 82,  166, 208, 39,
    152, 190, 113, 205, 114, 105, 225, 84,  73,  163, 99,  111, 204, 61,  200, 217, 170, 15,  198, 28,
    192, 254, 134, 234, 222, 7,   236, 248, 201, 41,  177, 156, 92,  131, 67,  249, 245, 184, 203, 9,
    241, 0,   27,  46,  133, 174, 75,  18,  93,  209, 100, 120, 76,  213, 16,  83,  4,   107, 140, 52,
    58,  55,  3,   244, 97,  197, 238, 227, 118, 49,  79,  230, 223, 165, 153, 59};

} // namespace

void TCipher_NewDES::Init(const void* key, std::int32_t size, const void* vector) {
    BeginKeying(size);
    std::uint8_t* k = UserData();
    if (size > 0) std::memcpy(k, key, static_cast<std::size_t>(size));
    for (int i = 15; i < 60; ++i) k[i] = k[i - 15];
    EndKeying(vector);
}

void TCipher_NewDES::EncryptBlock(void* block) {
    auto* p = static_cast<std::uint8_t*>(block);
    const std::uint8_t* k = UserData();
    std::uint8_t b0 = p[0], b1 = p[1], b2 = p[2], b3 = p[3], b4 = p[4], b5 = p[5], b6 = p[6], b7 = p[7];
    for (int i = 0; i < 8; ++i, k += 7) {
        b4 ^= kF[b0 ^ k[0]], b5 ^= kF[b1 ^ k[1]], b6 ^= kF[b2 ^ k[2]], b7 ^= kF[b3 ^ k[3]];
        b1 ^= kF[b4 ^ k[4]], b2 ^= kF[b4 ^ b5], b3 ^= kF[b6 ^ k[5]], b0 ^= kF[b7 ^ k[6]];
    }
    b4 ^= kF[b0 ^ k[0]], b5 ^= kF[b1 ^ k[1]], b6 ^= kF[b2 ^ k[2]], b7 ^= kF[b3 ^ k[3]];
    p[0] = b0, p[1] = b1, p[2] = b2, p[3] = b3, p[4] = b4, p[5] = b5, p[6] = b6, p[7] = b7;
}

// Every step only XORs into a byte that the step itself does not read, so running the steps backwards
// with the same key bytes undoes them.
void TCipher_NewDES::DecryptBlock(void* block) {
    auto* p = static_cast<std::uint8_t*>(block);
    const std::uint8_t* k = UserData() + 56;
    std::uint8_t b0 = p[0], b1 = p[1], b2 = p[2], b3 = p[3], b4 = p[4], b5 = p[5], b6 = p[6], b7 = p[7];
    b7 ^= kF[b3 ^ k[3]], b6 ^= kF[b2 ^ k[2]], b5 ^= kF[b1 ^ k[1]], b4 ^= kF[b0 ^ k[0]];
    for (int i = 0; i < 8; ++i) {
        k -= 7;
        b0 ^= kF[b7 ^ k[6]], b3 ^= kF[b6 ^ k[5]], b2 ^= kF[b4 ^ b5], b1 ^= kF[b4 ^ k[4]];
        b7 ^= kF[b3 ^ k[3]], b6 ^= kF[b2 ^ k[2]], b5 ^= kF[b1 ^ k[1]], b4 ^= kF[b0 ^ k[0]];
    }
    p[0] = b0, p[1] = b1, p[2] = b2, p[3] = b3, p[4] = b4, p[5] = b5, p[6] = b6, p[7] = b7;
}

} // namespace torvane::crypto
