#include "crypto/cipher/RC5.h"

#include "crypto/common/Bits.h"
#include "crypto/common/Wipe.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace torvane::crypto {

TORVANE_DEFINE_CIPHER_CLASS(TCipher_RC5, nullptr, 8, 256, TCipher_RC5::TableWords * 4);

namespace {

using common::LoadLE32;
using common::StoreLE32;

// Magic constants of the paper: Odd((e - 2) * 2^32) and Odd((phi - 1) * 2^32).
constexpr std::uint32_t P32 = 0xB7E15163;
constexpr std::uint32_t Q32 = 0x9E3779B9;

} // namespace

void rc5::ExpandKey(const std::uint8_t* key, int size, std::uint32_t* S, int tableWords) {
    const int c = std::max(1, (size + 3) / 4);
    std::uint32_t L[64] = {};
    for (int i = size - 1; i >= 0; --i) L[i / 4] = (L[i / 4] << 8) + key[i];

    S[0] = P32;
    for (int i = 1; i < tableWords; ++i) S[i] = S[i - 1] + Q32;
    std::uint32_t A = 0, B = 0;
    for (int s = 0, i = 0, j = 0, n = 3 * std::max(tableWords, c); s < n; ++s) {
        A = S[i] = common::Rotl(S[i] + A + B, 3);
        B = L[j] = common::Rotl(L[j] + A + B, static_cast<int>((A + B) & 31));
        if (++i == tableWords) i = 0;
        if (++j == c) j = 0;
    }
    SecureZero(L, sizeof(L));
}

TCipher_RC5::TCipher_RC5() : TCipher(&ClassInfo), S_(reinterpret_cast<std::uint32_t*>(UserData())) {}

void TCipher_RC5::Init(const void* key, std::int32_t size, const void* vector) {
    BeginKeying(size);
    rc5::ExpandKey(static_cast<const std::uint8_t*>(key), size, S_, TableWords);
    EndKeying(vector);
}

void TCipher_RC5::EncryptBlock(void* block) {
    auto* p = static_cast<std::uint8_t*>(block);
    const std::uint32_t* S = S_;
    std::uint32_t A = LoadLE32(p) + S[0];
    std::uint32_t B = LoadLE32(p + 4) + S[1];
    for (int i = 1; i <= Rounds; ++i) {
        A = common::Rotl(A ^ B, static_cast<int>(B & 31)) + S[2 * i];
        B = common::Rotl(B ^ A, static_cast<int>(A & 31)) + S[2 * i + 1];
    }
    StoreLE32(p, A);
    StoreLE32(p + 4, B);
}

void TCipher_RC5::DecryptBlock(void* block) {
    auto* p = static_cast<std::uint8_t*>(block);
    const std::uint32_t* S = S_;
    std::uint32_t A = LoadLE32(p);
    std::uint32_t B = LoadLE32(p + 4);
    for (int i = Rounds; i >= 1; --i) {
        B = common::Rotr(B - S[2 * i + 1], static_cast<int>(A & 31)) ^ A;
        A = common::Rotr(A - S[2 * i], static_cast<int>(B & 31)) ^ B;
    }
    StoreLE32(p, A - S[0]);
    StoreLE32(p + 4, B - S[1]);
}

} // namespace torvane::crypto
