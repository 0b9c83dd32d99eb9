#include "crypto/cipher/Cast256.h"

#include "crypto/cipher/CastSBoxes.h"
#include "crypto/common/Bits.h"
#include "crypto/common/Wipe.h"

#include <cstring>

namespace torvane::crypto {

TORVANE_DEFINE_CIPHER_CLASS(TCipher_Cast256, nullptr, 16, 32, 2 * 48 * 4);

namespace {

using cast::F1;
using cast::F2;
using cast::F3;
using common::LoadBE32;
using common::StoreBE32;

// Forward quad-round Q and reverse quad-round QBAR with the keys of one quad-round.
inline void Q(std::uint32_t (&b)[4], const std::uint32_t* km, const std::uint32_t* kr) {
    b[2] ^= F1(b[3], km[0], kr[0]);
    b[1] ^= F2(b[2], km[1], kr[1]);
    b[0] ^= F3(b[1], km[2], kr[2]);
    b[3] ^= F1(b[0], km[3], kr[3]);
}
inline void QBar(std::uint32_t (&b)[4], const std::uint32_t* km, const std::uint32_t* kr) {
    b[3] ^= F1(b[0], km[3], kr[3]);
    b[0] ^= F3(b[1], km[2], kr[2]);
    b[1] ^= F2(b[2], km[1], kr[1]);
    b[2] ^= F1(b[3], km[0], kr[0]);
}

} // namespace

TCipher_Cast256::TCipher_Cast256()
    : TCipher(&ClassInfo), Km_(reinterpret_cast<std::uint32_t*>(UserData())), Kr_(Km_ + 48) {}

void TCipher_Cast256::Init(const void* key, std::int32_t size, const void* vector) {
    BeginKeying(size);
    std::uint8_t padded[32] = {};
    if (size > 0) std::memcpy(padded, key, static_cast<std::size_t>(size));
    std::uint32_t k[8]; // KAPPA = A..H
    for (int i = 0; i < 8; ++i) k[i] = LoadBE32(padded + 4 * i);

    // The Tm / Tr constants of section 2.4, generated as they are consumed (24 octaves of 8).
    std::uint32_t cm = 0x5A827999;
    const std::uint32_t mm = 0x6ED9EBA1;
    std::uint32_t cr = 19;
    const std::uint32_t mr = 17;
    auto octave = [&] {
        std::uint32_t tm[8], tr[8];
        for (int j = 0; j < 8; ++j) {
            tm[j] = cm;
            cm += mm;
            tr[j] = cr;
            cr = (cr + mr) & 31;
        }
        k[6] ^= F1(k[7], tm[0], tr[0]);
        k[5] ^= F2(k[6], tm[1], tr[1]);
        k[4] ^= F3(k[5], tm[2], tr[2]);
        k[3] ^= F1(k[4], tm[3], tr[3]);
        k[2] ^= F2(k[3], tm[4], tr[4]);
        k[1] ^= F3(k[2], tm[5], tr[5]);
        k[0] ^= F1(k[1], tm[6], tr[6]);
        k[7] ^= F2(k[0], tm[7], tr[7]);
    };
    for (int i = 0; i < 12; ++i) {
        octave();
        octave();
        Kr_[4 * i] = k[0] & 31;
        Kr_[4 * i + 1] = k[2] & 31;
        Kr_[4 * i + 2] = k[4] & 31;
        Kr_[4 * i + 3] = k[6] & 31;
        Km_[4 * i] = k[7];
        Km_[4 * i + 1] = k[5];
        Km_[4 * i + 2] = k[3];
        Km_[4 * i + 3] = k[1];
    }
    SecureZero(padded, sizeof(padded));
    SecureZero(k, sizeof(k));
    EndKeying(vector);
}

void TCipher_Cast256::EncryptBlock(void* block) {
    auto* p = static_cast<std::uint8_t*>(block);
    std::uint32_t b[4] = {LoadBE32(p), LoadBE32(p + 4), LoadBE32(p + 8), LoadBE32(p + 12)};
    for (int i = 0; i < 6; ++i) Q(b, Km_ + 4 * i, Kr_ + 4 * i);
    for (int i = 6; i < 12; ++i) QBar(b, Km_ + 4 * i, Kr_ + 4 * i);
    for (int i = 0; i < 4; ++i) StoreBE32(p + 4 * i, b[i]);
}

void TCipher_Cast256::DecryptBlock(void* block) {
    // The same network with the quad-round keys in reverse order (section 2.3).
    auto* p = static_cast<std::uint8_t*>(block);
    std::uint32_t b[4] = {LoadBE32(p), LoadBE32(p + 4), LoadBE32(p + 8), LoadBE32(p + 12)};
    for (int i = 0; i < 6; ++i) Q(b, Km_ + 4 * (11 - i), Kr_ + 4 * (11 - i));
    for (int i = 6; i < 12; ++i) QBar(b, Km_ + 4 * (11 - i), Kr_ + 4 * (11 - i));
    for (int i = 0; i < 4; ++i) StoreBE32(p + 4 * i, b[i]);
}

} // namespace torvane::crypto
