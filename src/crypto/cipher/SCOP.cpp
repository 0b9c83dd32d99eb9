#include "crypto/cipher/SCOP.h"

#include "crypto/Wipe.h"

#include <bit>
#include <cstring>

namespace torvane::crypto {

// UserData: the keyed state (16 words), then the running state.
TORVANE_DEFINE_CIPHER_CLASS(TCipher_SCOP, nullptr, 128, 48, 128);

namespace {

inline std::uint32_t Rotl(std::uint32_t x, int n) {
    return x << n | x >> (32 - n);
}

#define QR(a, b, c, d)                                                                                       \
    a += b, d = Rotl(d ^ a, 16), c += d, b = Rotl(b ^ c, 12), a += b, d = Rotl(d ^ a, 8), c += d,            \
            b = Rotl(b ^ c, 7)

// RFC 8439 section 2.3: 20 rounds, then the input added to the output.
void Block(const std::uint32_t* in, std::uint32_t* out) {
    std::uint32_t x[16];
    std::memcpy(x, in, sizeof x);
    for (int i = 0; i < 10; ++i) {
        QR(x[0], x[4], x[8], x[12]);
        QR(x[1], x[5], x[9], x[13]);
        QR(x[2], x[6], x[10], x[14]);
        QR(x[3], x[7], x[11], x[15]);
        QR(x[0], x[5], x[10], x[15]);
        QR(x[1], x[6], x[11], x[12]);
        QR(x[2], x[7], x[8], x[13]);
        QR(x[3], x[4], x[9], x[14]);
    }
    for (int i = 0; i < 16; ++i) out[i] = x[i] + in[i];
    SecureZero(x, sizeof x);
}

#undef QR

inline std::uint32_t Load(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// The key stream is defined little-endian; on a little-endian host the 64 bytes XOR as they lie.
void XorBlock(std::uint8_t* p, const std::uint32_t* ks) {
    if constexpr (std::endian::native == std::endian::little) {
        std::uint64_t d[8], k[8];
        std::memcpy(d, p, 64);
        std::memcpy(k, ks, 64);
        for (int i = 0; i < 8; ++i) d[i] ^= k[i];
        std::memcpy(p, d, 64);
    } else {
        for (int i = 0; i < 64; ++i) p[i] ^= static_cast<std::uint8_t>(ks[i / 4] >> (8 * (i % 4)));
    }
}

} // namespace

void TCipher_SCOP::Init(const void* key, std::int32_t size, const void* vector) {
    BeginKeying(size);
    std::uint8_t k[48] = {};
    if (size > 0) std::memcpy(k, key, static_cast<std::size_t>(size));
    auto* s = reinterpret_cast<std::uint32_t*>(UserData());
    // "expand 32-byte k"
    s[0] = 0x61707865u, s[1] = 0x3320646eu, s[2] = 0x79622d32u, s[3] = 0x6b206574u;
    for (int i = 0; i < 12; ++i) s[4 + i] = Load(k + 4 * i);
    SecureZero(k, sizeof k);
    std::memcpy(s + 16, s, 64);
    // EndKeying codes the all-0xFF vector with EncryptBlock and then rewinds to the state saved above.
    EndKeying(vector);
}

void TCipher_SCOP::Rewind() {
    TCipher::Rewind();
    std::memcpy(UserData() + 64, UserData(), 64);
}

void TCipher_SCOP::EncryptBlock(void* block) {
    auto* p = static_cast<std::uint8_t*>(block);
    auto* s = reinterpret_cast<std::uint32_t*>(UserData() + 64);
    std::uint32_t ks[16];
    for (int half = 0; half < 2; ++half, p += 64) {
        Block(s, ks);
        XorBlock(p, ks);
        if (++s[12] == 0) ++s[13];
    }
    SecureZero(ks, sizeof ks);
}

} // namespace torvane::crypto
