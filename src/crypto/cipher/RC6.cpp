#include "crypto/cipher/RC6.h"

#include "crypto/Wipe.h"

#include <algorithm>
#include <bit>

namespace torvane::crypto {

TORVANE_DEFINE_CIPHER_CLASS(TCipher_RC6, nullptr, 16, 256, TCipher_RC6::TableWords * 4);

namespace {

// The RC5 magic constants, as the RC6 paper takes them over.
constexpr std::uint32_t P32 = 0xB7E15163;
constexpr std::uint32_t Q32 = 0x9E3779B9;

inline std::uint32_t Load32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}
inline void Store32(std::uint8_t* p, std::uint32_t v) {
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
    p[2] = std::uint8_t(v >> 16);
    p[3] = std::uint8_t(v >> 24);
}
inline int Amount(std::uint32_t x) {
    return static_cast<int>(x & 31);
}

} // namespace

TCipher_RC6::TCipher_RC6() : TCipher(&ClassInfo), S_(reinterpret_cast<std::uint32_t*>(UserData())) {}

void TCipher_RC6::Init(const void* key, std::int32_t size, const void* vector) {
    BeginKeying(size);
    // As in RC5, b = 0 is one zero word; the 256-byte key (one more than the paper's byte-sized b) is the
    // same expansion with c = 64.
    const auto* k = static_cast<const std::uint8_t*>(key);
    const int c = std::max(1, (size + 3) / 4);
    std::uint32_t L[64] = {};
    for (int i = size - 1; i >= 0; --i) L[i / 4] = (L[i / 4] << 8) + k[i];

    std::uint32_t* S = S_;
    S[0] = P32;
    for (int i = 1; i < TableWords; ++i) S[i] = S[i - 1] + Q32;
    std::uint32_t A = 0, B = 0;
    for (int s = 0, i = 0, j = 0, n = 3 * std::max(TableWords, c); s < n; ++s) {
        A = S[i] = std::rotl(S[i] + A + B, 3);
        B = L[j] = std::rotl(L[j] + A + B, Amount(A + B));
        if (++i == TableWords) i = 0;
        if (++j == c) j = 0;
    }
    SecureZero(L, sizeof(L));
    EndKeying(vector);
}

void TCipher_RC6::EncryptBlock(void* block) {
    auto* p = static_cast<std::uint8_t*>(block);
    const std::uint32_t* S = S_;
    std::uint32_t A = Load32(p), B = Load32(p + 4) + S[0], C = Load32(p + 8), D = Load32(p + 12) + S[1];
    for (int i = 1; i <= Rounds; ++i) {
        const std::uint32_t t = std::rotl(B * (2 * B + 1), 5);
        const std::uint32_t u = std::rotl(D * (2 * D + 1), 5);
        const std::uint32_t a = std::rotl(A ^ t, Amount(u)) + S[2 * i];
        const std::uint32_t c = std::rotl(C ^ u, Amount(t)) + S[2 * i + 1];
        A = B;
        B = c;
        C = D;
        D = a;
    }
    Store32(p, A + S[2 * Rounds + 2]);
    Store32(p + 4, B);
    Store32(p + 8, C + S[2 * Rounds + 3]);
    Store32(p + 12, D);
}

void TCipher_RC6::DecryptBlock(void* block) {
    auto* p = static_cast<std::uint8_t*>(block);
    const std::uint32_t* S = S_;
    std::uint32_t A = Load32(p) - S[2 * Rounds + 2], B = Load32(p + 4), C = Load32(p + 8) - S[2 * Rounds + 3],
                  D = Load32(p + 12);
    for (int i = Rounds; i >= 1; --i) {
        // Undo the rotation (A, B, C, D) := (B, C, D, A) of the encryption round.
        const std::uint32_t a = D, c = B;
        D = C;
        B = A;
        const std::uint32_t u = std::rotl(D * (2 * D + 1), 5);
        const std::uint32_t t = std::rotl(B * (2 * B + 1), 5);
        C = std::rotr(c - S[2 * i + 1], Amount(t)) ^ u;
        A = std::rotr(a - S[2 * i], Amount(u)) ^ t;
    }
    Store32(p, A);
    Store32(p + 4, B - S[0]);
    Store32(p + 8, C);
    Store32(p + 12, D - S[1]);
}

} // namespace torvane::crypto
