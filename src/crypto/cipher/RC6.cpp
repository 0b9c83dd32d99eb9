#include "crypto/cipher/RC6.h"

#include "crypto/cipher/RC5.h"
#include "crypto/common/Bits.h"

#include <bit>

namespace torvane::crypto {

TORVANE_DEFINE_CIPHER_CLASS(TCipher_RC6, nullptr, 16, 256, TCipher_RC6::TableWords * 4);

namespace {

using common::LoadLE32;
using common::StoreLE32;

inline int Amount(std::uint32_t x) {
    return static_cast<int>(x & 31);
}

} // namespace

TCipher_RC6::TCipher_RC6() : TCipher(&ClassInfo), S_(reinterpret_cast<std::uint32_t*>(UserData())) {}

void TCipher_RC6::Init(const void* key, std::int32_t size, const void* vector) {
    BeginKeying(size);
    rc5::ExpandKey(static_cast<const std::uint8_t*>(key), size, S_, TableWords);
    EndKeying(vector);
}

void TCipher_RC6::EncryptBlock(void* block) {
    auto* p = static_cast<std::uint8_t*>(block);
    const std::uint32_t* S = S_;
    std::uint32_t A = LoadLE32(p), B = LoadLE32(p + 4) + S[0], C = LoadLE32(p + 8),
                  D = LoadLE32(p + 12) + S[1];
    for (int i = 1; i <= Rounds; ++i) {
        const std::uint32_t t = common::Rotl(B * (2 * B + 1), 5);
        const std::uint32_t u = common::Rotl(D * (2 * D + 1), 5);
        const std::uint32_t a = common::Rotl(A ^ t, Amount(u)) + S[2 * i];
        const std::uint32_t c = common::Rotl(C ^ u, Amount(t)) + S[2 * i + 1];
        A = B;
        B = c;
        C = D;
        D = a;
    }
    StoreLE32(p, A + S[2 * Rounds + 2]);
    StoreLE32(p + 4, B);
    StoreLE32(p + 8, C + S[2 * Rounds + 3]);
    StoreLE32(p + 12, D);
}

void TCipher_RC6::DecryptBlock(void* block) {
    auto* p = static_cast<std::uint8_t*>(block);
    const std::uint32_t* S = S_;
    std::uint32_t A = LoadLE32(p) - S[2 * Rounds + 2], B = LoadLE32(p + 4),
                  C = LoadLE32(p + 8) - S[2 * Rounds + 3], D = LoadLE32(p + 12);
    for (int i = Rounds; i >= 1; --i) {
        // Undo the rotation (A, B, C, D) := (B, C, D, A) of the encryption round.
        const std::uint32_t a = D, c = B;
        D = C;
        B = A;
        const std::uint32_t u = common::Rotl(D * (2 * D + 1), 5);
        const std::uint32_t t = common::Rotl(B * (2 * B + 1), 5);
        C = common::Rotr(c - S[2 * i + 1], Amount(t)) ^ u;
        A = common::Rotr(a - S[2 * i], Amount(u)) ^ t;
    }
    StoreLE32(p, A);
    StoreLE32(p + 4, B - S[0]);
    StoreLE32(p + 8, C);
    StoreLE32(p + 12, D - S[1]);
}

} // namespace torvane::crypto
